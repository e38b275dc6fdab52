// Notifications a dialog hands back to the control they concern: a control
// that wants them marks itself with kReflectProperty, and receives the
// message number plus kReflectedBase with the original parameters.
#pragma once

#include <windows.h>

namespace orv {

inline constexpr const wchar_t kReflectProperty[] = L"orvReflect";
inline constexpr UINT kReflectedBase = WM_APP + 0x2000;

// Sends `message` back to `control` when it asked for it; true with the
// control's answer in `answer` when it did.
inline bool reflectToControl(HWND control, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& answer) {
    if (!control || !GetPropW(control, kReflectProperty)) return false;
    answer = SendMessageW(control, kReflectedBase + message, wParam, lParam);
    return true;
}

}  // namespace orv

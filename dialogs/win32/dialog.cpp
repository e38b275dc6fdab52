#include "dialogs/win32/dialog.h"

#include <algorithm>

#include "links/win32/reflection.h"

namespace orv {

namespace {

// A dialog opens centred over the window that owns it, or on the screen
// when it has none, and wholly inside that monitor's work area.
void centre(HWND window) {
    HWND owner = GetWindow(window, GW_OWNER);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromWindow(owner ? owner : window, MONITOR_DEFAULTTOPRIMARY), &monitor)) return;
    RECT over = monitor.rcWork, own{};
    if (owner && IsWindowVisible(owner)) GetWindowRect(owner, &over);
    GetWindowRect(window, &own);
    const int width = own.right - own.left, height = own.bottom - own.top;
    const RECT& work = monitor.rcWork;
    const int x = std::clamp<int>((over.left + over.right - width) / 2, work.left,
                                  std::max<int>(work.left, work.right - width));
    const int y = std::clamp<int>((over.top + over.bottom - height) / 2, work.top,
                                  std::max<int>(work.top, work.bottom - height));
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

HINSTANCE programInstance() { return GetModuleHandleW(nullptr); }

Dialog::~Dialog() {
    if (hwnd_ && !modal_) DestroyWindow(hwnd_);
}

INT_PTR Dialog::runModal(HWND owner) {
    modal_ = true;
    result_ = 0;
    return DialogBoxParamW(programInstance(), MAKEINTRESOURCEW(template_), owner, procedure,
                           reinterpret_cast<LPARAM>(this));
}

HWND Dialog::create(HWND owner) {
    modal_ = false;
    result_ = 0;
    HWND window = CreateDialogParamW(programInstance(), MAKEINTRESOURCEW(template_), owner, procedure,
                                     reinterpret_cast<LPARAM>(this));
    if (window) ShowWindow(window, SW_SHOW);
    return window;
}

void Dialog::end(INT_PTR result) {
    result_ = result;
    if (modal_) {
        EndDialog(hwnd_, result);
    } else if (hwnd_) {
        HWND window = hwnd_;
        hwnd_ = nullptr;
        DestroyWindow(window);
    }
}

bool Dialog::OnCommand(int id, int, HWND) {
    if (id == IDOK) OnOK();
    else if (id == IDCANCEL) OnCancel();
    else return false;
    return true;
}

bool Dialog::OnMessage(UINT, WPARAM, LPARAM, INT_PTR&) { return false; }

INT_PTR CALLBACK Dialog::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<Dialog*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        self->hwnd_ = window;
        centre(window);
        return self->OnInitDialog() ? TRUE : FALSE;
    }
    auto* self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(window, DWLP_USER));
    if (!self || self->hwnd_ != window) return FALSE;
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, DWLP_USER, 0);
        self->hwnd_ = nullptr;
        return FALSE;
    }
    return self->dispatch(message, wParam, lParam);
}

INT_PTR Dialog::dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT reflected = 0;
    switch (message) {
    case WM_CTLCOLORSTATIC:
        if (reflectToControl(reinterpret_cast<HWND>(lParam), message, wParam, lParam, reflected))
            return static_cast<INT_PTR>(reflected);
        break;
    case WM_COMMAND:
        if (lParam && HIWORD(wParam) == STN_CLICKED &&
            reflectToControl(reinterpret_cast<HWND>(lParam), message, wParam, lParam, reflected))
            return TRUE;
        return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)) ? TRUE : FALSE;
    default:
        break;
    }
    INT_PTR answer = 0;
    if (!OnMessage(message, wParam, lParam, answer)) return FALSE;
    // These few answer through the procedure's result itself.
    if (message == WM_QUERYDRAGICON || (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC))
        return answer;
    if (hwnd_) SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, answer);
    return TRUE;
}

}  // namespace orv

// The common file dialogs, bound by name from comdlg32 on first use.
#include <windows.h>
#include <cderr.h>
#include <commdlg.h>

#include <cstddef>
#include <string>
#include <vector>

#include "app/win32/main_window.h"
#include "dialogs/win32/window_text.h"
#include "support/dynamic_library.h"

namespace orv {

namespace {

BoundFunction<BOOL WINAPI(OPENFILENAMEW*)> gOpen("comdlg32.dll", "GetOpenFileNameW");
BoundFunction<BOOL WINAPI(OPENFILENAMEW*)> gSave("comdlg32.dll", "GetSaveFileNameW");
BoundFunction<DWORD WINAPI()> gLastError("comdlg32.dll", "CommDlgExtendedError");

constexpr DWORD kBufferCharacters = 256000;
// The structure without the three members Windows 2000 added (76 bytes on
// 32-bit Windows, 136 here).
constexpr DWORD kOldStructureSize = offsetof(OPENFILENAMEW, lpTemplateName) + sizeof(LPCWSTR);
static_assert(kOldStructureSize == (sizeof(void*) == 8 ? 136 : 76));

// The text with its NUL separators kept.
std::wstring wideWithNuls(const ByteString& text) {
    std::wstring out;
    uint32_t start = 0;
    for (uint32_t i = 0; i <= text.length(); ++i) {
        if (i == text.length() || text[i] == '\0') {
            out += wideText(text.Mid(start, i - start));
            if (i < text.length()) out += L'\0';
            start = i + 1;
        }
    }
    return out;
}

}  // namespace

ByteString runFileDialog(HWND owner, const FileDialogRequest& request) {
    const bool open = request.kind == FileDialogKind::Open;
    auto* show = open ? gOpen.get() : gSave.get();
    if (!show) return {};
    const std::wstring filter = wideWithNuls(windowsFilterText(request.filters));
    const std::wstring directory = wideText(request.initialDirectory);
    const std::wstring title = wideText(request.title);
    std::vector<wchar_t> name(kBufferCharacters, L'\0');
    const std::wstring initial = wideText(request.initialFileName);
    initial.copy(name.data(), std::min<size_t>(initial.size(), kBufferCharacters - 1));

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = clampFilterIndex(request.filterIndex, request.filters) + 1;
    dialog.lpstrFile = name.data();
    dialog.nMaxFile = kBufferCharacters;
    dialog.lpstrInitialDir = directory.empty() ? nullptr : directory.c_str();
    dialog.lpstrTitle = title.empty() ? nullptr : title.c_str();
    dialog.Flags = OFN_FORCESHOWHIDDEN | OFN_NOTESTFILECREATE | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY |
                   (open ? OFN_FILEMUSTEXIST : OFN_OVERWRITEPROMPT);
    BOOL chosen = show(&dialog);
    auto* lastError = gLastError.get();
    if (!chosen && lastError && lastError() == CDERR_STRUCTSIZE) {
        dialog.lStructSize = kOldStructureSize;
        chosen = show(&dialog);
    }
    if (!chosen) return {};
    name.back() = L'\0';
    return utf8Text(name.data(), wcslen(name.data()));
}

}  // namespace orv

#include "links/win32/link_static.h"

#include <commctrl.h>

#include <string>

#include "links/win32/reflection.h"

namespace orv {

namespace {

constexpr UINT_PTR kSubclassId = 0x4C4E4B;  // "LNK"
constexpr int kHandCursor = 32649;           // IDC_HAND
constexpr int kHelpHandCursor = 106;         // in winhlp32.exe

std::wstring windowTextOf(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    const int n = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<size_t>(n > 0 ? n : 0));
    return text;
}

std::wstring wide(const ByteString& bytes) {
    const int in = static_cast<int>(bytes.length());
    const int n = in ? MultiByteToWideChar(CP_UTF8, 0, bytes.data(), in, nullptr, 0) : 0;
    std::wstring out(static_cast<size_t>(n), L'\0');
    if (n) MultiByteToWideChar(CP_UTF8, 0, bytes.data(), in, out.data(), n);
    return out;
}

ByteString narrow(const std::wstring& text) {
    const int in = static_cast<int>(text.size());
    const int n = in ? WideCharToMultiByte(CP_UTF8, 0, text.data(), in, nullptr, 0, nullptr, nullptr) : 0;
    ByteString out;
    out.setLength(static_cast<uint32_t>(n));
    if (n) WideCharToMultiByte(CP_UTF8, 0, text.data(), in, out.data(), n, nullptr, nullptr);
    return out;
}

}  // namespace

UINT linkStaticClickedMessage() {
    static const UINT message = RegisterWindowMessageA("WM_LINKSTATIC_CLICKED");
    return message;
}

CLinkStatic::~CLinkStatic() {
    detach();
    if (underlinedFont_) DeleteObject(underlinedFont_);
    if (standardFont_) DeleteObject(standardFont_);
    if (cursor_ && ownsCursor_) DestroyCursor(cursor_);
}

void CLinkStatic::detach() {
    if (!hwnd_) return;
    RemovePropW(hwnd_, kReflectProperty);
    RemoveWindowSubclass(hwnd_, subclassProc, kSubclassId);
    if (tooltip_ && IsWindow(tooltip_)) DestroyWindow(tooltip_);
    tooltip_ = nullptr;
    hwnd_ = nullptr;
}

bool CLinkStatic::Attach(HWND dialog, int id) {
    HWND window = GetDlgItem(dialog, id);
    if (!window || !SetWindowSubclass(window, subclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
        return false;
    hwnd_ = window;
    SetPropW(window, kReflectProperty, reinterpret_cast<HANDLE>(1));
    // 1. Clicks are reported.
    SetWindowLongPtrW(window, GWL_STYLE, GetWindowLongPtrW(window, GWL_STYLE) | SS_NOTIFY);
    // 2. The target defaults to the text; 3. an empty text shows the target.
    std::wstring text = windowTextOf(window);
    if (target_.empty()) target_ = narrow(text);
    if (text.empty()) {
        SetWindowTextW(window, L"");
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        SetWindowTextW(window, wide(target_).c_str());
        fitToText();
    }
    // 4. The standard font and its underlined twin.
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    if (!font) font = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    LOGFONTW description{};
    GetObjectW(font, sizeof description, &description);
    standardFont_ = CreateFontIndirectW(&description);
    description.lfUnderline = TRUE;
    underlinedFont_ = CreateFontIndirectW(&description);
    // 5. - 9.
    fitToText();
    loadCursor();
    const int mode = underlineMode_;
    underlineMode_ = mode == -1 ? 0 : -1;  // so that the call below applies it
    SetUnderlineMode(mode);
    if (showTooltip_) createTooltip();
    return true;
}

void CLinkStatic::fitToText() {
    if (!fitToText_ || !hwnd_ || !IsWindow(hwnd_)) return;
    RECT window{}, client{};
    GetWindowRect(hwnd_, &window);
    GetClientRect(hwnd_, &client);
    MapWindowPoints(hwnd_, nullptr, reinterpret_cast<POINT*>(&client), 2);
    if (HWND parent = GetParent(hwnd_)) {
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&window), 2);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&client), 2);
    }
    const std::wstring text = windowTextOf(hwnd_);
    HDC dc = GetDC(hwnd_);
    HGDIOBJ old = SelectObject(dc, underlinedFont_ ? underlinedFont_ : GetStockObject(DEFAULT_GUI_FONT));
    SIZE extent{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(hwnd_, dc);
    const LONG cx = extent.cx + (window.right - window.left) - (client.right - client.left);
    const LONG cy = extent.cy + (window.bottom - window.top) - (client.bottom - client.top);
    const LONG_PTR style = GetWindowLongPtrW(hwnd_, GWL_STYLE);
    if (style & SS_CENTERIMAGE) {
        const LONG shrink = ((window.bottom - window.top) - cy) / 2;
        window.top += shrink;
        window.bottom -= shrink;
    } else {
        window.bottom = window.top + cy;
    }
    const LONG alignment = static_cast<LONG>(style & SS_TYPEMASK);
    if (alignment == SS_CENTER) {
        const LONG shrink = ((window.right - window.left) - cx) / 2;
        window.left += shrink;
        window.right -= shrink;
    } else if (alignment == SS_RIGHT) {
        window.left = window.right - cx;
    } else {
        window.right = window.left + cx;
    }
    SetWindowPos(hwnd_, nullptr, window.left, window.top, window.right - window.left, window.bottom - window.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void CLinkStatic::loadCursor() {
    if (cursor_) return;
    cursor_ = LoadCursorW(nullptr, MAKEINTRESOURCEW(kHandCursor));
    if (cursor_) return;
    wchar_t folder[MAX_PATH] = {};
    const UINT n = GetWindowsDirectoryW(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH - 16) return;
    std::wstring help = std::wstring(folder, n) + L"\\winhlp32.exe";
    if (HMODULE module = LoadLibraryExW(help.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
        if (HCURSOR found = LoadCursorW(module, MAKEINTRESOURCEW(kHelpHandCursor))) {
            cursor_ = CopyCursor(found);
            ownsCursor_ = cursor_ != nullptr;
        }
        FreeLibrary(module);
    }
}

void CLinkStatic::createTooltip() {
    tooltip_ = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, 0, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, hwnd_, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!tooltip_) return;
    std::wstring text = wide(target_);
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_SUBCLASS;  // the tooltip sees the control's mouse messages itself
    tool.hwnd = hwnd_;
    tool.uId = 1;
    GetClientRect(hwnd_, &tool.rect);
    tool.lpszText = text.data();
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void CLinkStatic::EnableTooltip(bool on) {
    showTooltip_ = on;
    if (tooltip_) SendMessageW(tooltip_, TTM_ACTIVATE, on ? TRUE : FALSE, 0);
}

void CLinkStatic::selectFont(HFONT font) {
    if (hwnd_ && font) SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void CLinkStatic::SetUnderlineMode(int mode) {
    if (mode == underlineMode_) return;
    if (hwnd_ && IsWindow(hwnd_)) {
        selectFont(mode == 1 ? underlinedFont_ : standardFont_);
        InvalidateRect(hwnd_, nullptr, TRUE);
    }
    underlineMode_ = mode;
}

bool CLinkStatic::underlined() const {
    return underlineMode_ == 1 || (underlineMode_ == -1 && hovering_);
}

COLORREF CLinkStatic::textColour() const {
    return hovering_ ? hoverColour_ : visited_ ? visitedColour_ : linkColour_;
}

void CLinkStatic::onMouseMove(LPARAM lParam) {
    if (!hovering_) {
        hovering_ = true;
        if (underlineMode_ == -1) selectFont(underlinedFont_);
        InvalidateRect(hwnd_, nullptr, TRUE);
        SetCapture(hwnd_);
        return;
    }
    RECT client{};
    GetClientRect(hwnd_, &client);
    const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    if (PtInRect(&client, at)) return;
    hovering_ = false;
    if (underlineMode_ == -1) selectFont(standardFont_);
    InvalidateRect(hwnd_, nullptr, TRUE);
    ReleaseCapture();
}

int CLinkStatic::OpenLink(const ByteString& target) const {
    if (target.empty()) return 36;
    return opener_ && opener_(target) ? 33 : 32;
}

void CLinkStatic::onClick() {
    hovering_ = false;
    const int result = openOnClick_ ? OpenLink(target_) : 33;
    visited_ = result > 32;
    if (!visited_) MessageBeep(MB_ICONEXCLAMATION);
    else if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
    notify();
}

void CLinkStatic::notify() {
    if (!notifyParent_ || !hwnd_) return;
    HWND parent = GetParent(hwnd_);
    if (!parent || !IsWindow(parent)) return;
    SendMessageW(parent, linkStaticClickedMessage(), static_cast<WPARAM>(GetDlgCtrlID(hwnd_)), 0);
}

LRESULT CLinkStatic::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case kReflectedBase + WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, textColour());
        SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    }
    case kReflectedBase + WM_COMMAND:
        if (HIWORD(wParam) == STN_CLICKED) onClick();
        return 0;
    case WM_SETCURSOR:
        if (!cursor_) break;
        SetCursor(cursor_);
        return TRUE;
    case WM_MOUSEMOVE:
        onMouseMove(lParam);
        break;
    case WM_ERASEBKGND: {
        RECT client{};
        GetClientRect(hwnd_, &client);
        const bool system = backgroundColour_ == CLR_INVALID;
        HBRUSH brush = system ? GetSysColorBrush(COLOR_BTNFACE) : CreateSolidBrush(backgroundColour_);
        FillRect(reinterpret_cast<HDC>(wParam), &client, brush);
        if (!system) DeleteObject(brush);
        return TRUE;
    }
    default:
        break;
    }
    return DefSubclassProc(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK CLinkStatic::subclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                           DWORD_PTR self) {
    auto* link = reinterpret_cast<CLinkStatic*>(self);
    if (message == WM_NCDESTROY) {
        link->detach();
        return DefSubclassProc(window, message, wParam, lParam);
    }
    return link->OnMessage(message, wParam, lParam);
}

}  // namespace orv

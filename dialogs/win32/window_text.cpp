#include "dialogs/win32/window_text.h"

namespace orv {

std::wstring wideText(const ByteString& bytes) {
    if (bytes.empty()) return {};
    const int in = static_cast<int>(bytes.length());
    const int n = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), in, nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), in, out.data(), n);
    // A 0 byte would end the text in the control: shown as U+FFFD instead.
    for (wchar_t& c : out)
        if (c == 0) c = 0xFFFD;
    return out;
}

ByteString utf8Text(const wchar_t* text, size_t length) {
    if (length == 0) return {};
    const int in = static_cast<int>(length);
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, in, nullptr, 0, nullptr, nullptr);
    ByteString out;
    out.setLength(static_cast<uint32_t>(n));
    WideCharToMultiByte(CP_UTF8, 0, text, in, out.data(), n, nullptr, nullptr);
    return out;
}

ByteString windowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int n = GetWindowTextW(window, text.data(), length + 1);
    return utf8Text(text.data(), static_cast<size_t>(n > 0 ? n : 0));
}

void setWindowText(HWND window, const ByteString& text) { SetWindowTextW(window, wideText(text).c_str()); }

ByteString itemText(HWND dialog, int id) { return windowText(GetDlgItem(dialog, id)); }

void setItemText(HWND dialog, int id, const ByteString& text) { setWindowText(GetDlgItem(dialog, id), text); }

void addListLine(HWND list, const ByteString& text) {
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wideText(text).c_str()));
}

void addComboLine(HWND combo, const ByteString& text) {
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wideText(text).c_str()));
}

ByteString comboText(HWND combo) {
    const LRESULT line = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (line == CB_ERR) return {};
    const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(line), 0);
    if (length == CB_ERR) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(text.data()));
    return utf8Text(text.c_str(), static_cast<size_t>(length));
}

}  // namespace orv

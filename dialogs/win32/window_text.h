// Texts between the package's bytes and Windows controls. Controls are
// spoken to in UTF-16; the bytes are read as UTF-8 (the program's code
// page), a byte that is not UTF-8 showing as U+FFFD. What a control hands
// back is UTF-8 again; the dialog rules keep a field's own bytes while its
// text is the one it showed.
#pragma once

#include <windows.h>

#include <string>

#include "support/byte_string.h"

namespace orv {

std::wstring wideText(const ByteString& bytes);
ByteString utf8Text(const wchar_t* text, size_t length);

ByteString windowText(HWND window);
void setWindowText(HWND window, const ByteString& text);
ByteString itemText(HWND dialog, int id);
void setItemText(HWND dialog, int id, const ByteString& text);

// List boxes and drop-down lists.
void addListLine(HWND list, const ByteString& text);
void addComboLine(HWND combo, const ByteString& text);
ByteString comboText(HWND combo);

}  // namespace orv

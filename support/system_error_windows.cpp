#include <windows.h>

#include <cstdio>

#include "support/system_error.h"

namespace orv {

ByteString systemErrorText(uint32_t code) {
    char text[512];
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK,
                             nullptr, code, 0, text, sizeof text, nullptr);
    while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == ' ' || text[n - 1] == '.')) --n;
    if (n > 0) return ByteString(text, n);
    std::snprintf(text, sizeof text, "error %lu (0x%08lX)", static_cast<unsigned long>(code),
                  static_cast<unsigned long>(code));
    return text;
}

uint32_t lastSystemError() { return GetLastError(); }

}  // namespace orv

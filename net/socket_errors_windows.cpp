// The sockets library's codes are Windows' own: the system words them.
#include <windows.h>

#include "net/socket_errors.h"

namespace orv {

ByteString socketErrorReason(int32_t code) {
    char text[512];
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK,
                             nullptr, static_cast<DWORD>(code), 0, text, sizeof text, nullptr);
    while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == ' ' || text[n - 1] == '.')) --n;
    if (n > 0) return ByteString(text, n);
    // Where the system has no text, the table's short one.
    ByteString fallback = "socket error " + ByteString(std::to_string(code));
    if (const SocketErrorRow* row = findSocketError(code)) {
        fallback = row->shortText;
        if (!fallback.empty() && fallback[fallback.length() - 1] == '.') fallback.setLength(fallback.length() - 1);
    }
    return fallback;
}

}  // namespace orv

// The platform's own words for a socket error code: the C library's text
// for the errno value or resolver failure the code was made from.
#include <netdb.h>

#include <cerrno>
#include <cstring>

#include "net/socket_errors.h"

namespace orv {

ByteString socketErrorReason(int32_t code) {
    switch (code) {
    case kSocketHostNotFound: return gai_strerror(EAI_NONAME);
    case 11002: return gai_strerror(EAI_AGAIN);
    case 11003: return gai_strerror(EAI_FAIL);
    case 11004: return gai_strerror(EAI_NODATA);
    case 10109: return gai_strerror(EAI_SERVICE);
    case kSocketCallFailure: break;
    default:
        // Where several errno values share a code, the higher one is the
        // more specific: ECONNRESET before EPIPE, EACCES before EPERM.
        for (int err = 200; err > 0; --err) {
            if (socketErrorFromErrno(err) == code) return std::strerror(err);
        }
    }
    ByteString text = "socket error " + ByteString(std::to_string(code));
    if (const SocketErrorRow* row = findSocketError(code)) {
        text = row->shortText;
        if (!text.empty() && text[text.length() - 1] == '.') text = text.Left(text.length() - 1);
    }
    return text;
}

}  // namespace orv

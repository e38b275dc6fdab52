// POSIX error values in the sockets library's terms, and the C
// library's own words for them.
#include "net/socket_errors.h"

#include <cerrno>
#include <cstring>
#include <netdb.h>

namespace orv {

int32_t socketErrorFromErrno(int err) {
    switch (err) {
    case 0: return 0;
    case EINTR: return 10004;
    case EACCES: case EPERM: return 10013;
    case EFAULT: return 10014;
    case EINVAL: return 10022;
    case EMFILE: case ENFILE: return 10024;
    case EAGAIN: return kSocketWouldBlock;
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK: return kSocketWouldBlock;
#endif
    case EINPROGRESS: return 10036;
    case EALREADY: return 10037;
    case ENOTSOCK: case EBADF: return 10038;
    case EDESTADDRREQ: return 10039;
    case EMSGSIZE: return 10040;
    case EPROTOTYPE: return 10041;
    case ENOPROTOOPT: return 10042;
    case EPROTONOSUPPORT: return 10043;
    case ESOCKTNOSUPPORT: return 10044;
    case EOPNOTSUPP: return 10045;
    case EPFNOSUPPORT: return 10046;
    case EAFNOSUPPORT: return 10047;
    case EADDRINUSE: return 10048;
    case EADDRNOTAVAIL: return 10049;
    case ENETDOWN: return 10050;
    case ENETUNREACH: return 10051;
    case ENETRESET: return 10052;
    case ECONNABORTED: return 10053;
    case ECONNRESET: case EPIPE: return 10054;
    case ENOBUFS: return 10055;
    case EISCONN: return 10056;
    case ENOTCONN: return 10057;
    case ESHUTDOWN: return 10058;
    case ETIMEDOUT: return kSocketTimedOut;
    case ECONNREFUSED: return kSocketConnRefused;
    case EHOSTDOWN: return 10064;
    case EHOSTUNREACH: return 10065;
    case ENOMEM: return 8;
    case ECANCELED: return 995;
    default: return kSocketCallFailure;
    }
}

int32_t socketErrorFromResolver(int eai, int err) {
    switch (eai) {
    case 0: return 0;
    case EAI_NONAME: return kSocketHostNotFound;
    case EAI_AGAIN: return 11002;
    case EAI_FAIL: return 11003;
#ifdef EAI_NODATA
    case EAI_NODATA: return 11004;
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY: return 11004;
#endif
    case EAI_FAMILY: return 10047;
    case EAI_SOCKTYPE: return 10044;
    case EAI_SERVICE: return 10109;
    case EAI_MEMORY: return 8;
    case EAI_SYSTEM: return socketErrorFromErrno(err);
    default: return 11003;
    }
}

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

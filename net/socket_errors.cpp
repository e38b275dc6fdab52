#include "net/socket_errors.h"

#include <iterator>

#include "support/numbers.h"

namespace orv {
namespace {

const SocketErrorRow kRows[] = {
    {0, "NOERROR", "No error.", "The current socket error code indicates that no error has taken place."},
    {10004, "WSAEINTR", "Interrupted function call.", "A blocking operation was interrupted by a call that cancelled it."},
    {10013, "WSAEACCES", "Permission denied.", "An attempt was made to access a socket in a way forbidden by its access permissions."},
    {10014, "WSAEFAULT", "Bad address.", "The system detected an invalid address in an argument of a call."},
    {10022, "WSAEINVAL", "Invalid argument.", "An invalid argument was supplied, or the socket is in a state that does not allow the operation."},
    {10024, "WSAEMFILE", "Too many open files.", "The program or the system has too many open sockets."},
    {kSocketWouldBlock, "WSAEWOULDBLOCK", "Resource temporarily unavailable.", "This message is returned when a call cannot be completed because the target socket is non-blocking."},
    {10036, "WSAEINPROGRESS", "Operation now in progress.", "A blocking operation is currently executing."},
    {10037, "WSAEALREADY", "Operation already in progress.", "An operation was attempted on a non-blocking socket that already had an operation in progress."},
    {10038, "WSAENOTSOCK", "Socket operation on nonsocket.", "An operation was attempted on something that is not a socket."},
    {10039, "WSAEDESTADDRREQ", "Destination address required.", "A required address was omitted from an operation on a socket."},
    {10040, "WSAEMSGSIZE", "Message too long.", "A message was larger than the internal buffer or another network limit."},
    {10041, "WSAEPROTOTYPE", "Protocol wrong type for socket.", "A protocol was specified that does not support the semantics of the requested socket type."},
    {10042, "WSAENOPROTOOPT", "Bad protocol option.", "An unknown, invalid or unsupported option or level was given to a socket option call."},
    {10043, "WSAEPROTONOSUPPORT", "Protocol not supported.", "The requested protocol has not been configured into the system."},
    {10044, "WSAESOCKTNOSUPPORT", "Socket type not supported.", "The requested socket type is not supported in this address family."},
    {10045, "WSAEOPNOTSUPP", "Operation not supported.", "The attempted operation is not supported for the type of object referenced."},
    {10046, "WSAEPFNOSUPPORT", "Protocol family not supported.", "The protocol family has not been configured into the system."},
    {10047, "WSAEAFNOSUPPORT", "Address family not supported by protocol family.", "An address incompatible with the requested protocol was used."},
    {10048, "WSAEADDRINUSE", "Address already in use.", "Only one use of each socket address (protocol, address and port) is normally permitted."},
    {10049, "WSAEADDRNOTAVAIL", "Cannot assign requested address.", "The requested address is not valid in its context."},
    {10050, "WSAENETDOWN", "Network is down.", "A socket operation encountered a dead network.  Typically indicates a serious network failure such as an unplugged LAN cable."},
    {10051, "WSAENETUNREACH", "Network is unreachable.", "The application is unable to determine a route to reach the remote network computer."},
    {10052, "WSAENETRESET", "Network dropped connection on reset.", "The connection was broken because keep-alive activity detected a failure while the operation was in progress."},
    {10053, "WSAECONNABORTED", "Software caused connection abort.", "The connection was aborted due to a data transmission timeout or a protocol error."},
    {10054, "WSAECONNRESET", "Connection reset by peer.", "The connection was forcibly closed by the remote host."},
    {10055, "WSAENOBUFS", "No buffer space available.", "The operation could not be performed because the system lacked buffer space or a queue was full."},
    {10056, "WSAEISCONN", "Socket is already connected.", "A connect request was made on a socket that is already connected."},
    {10057, "WSAENOTCONN", "Socket is not connected.", "A request to send or receive data was disallowed because the socket is not connected."},
    {10058, "WSAESHUTDOWN", "Cannot send after socket shutdown.", "Sending or receiving was disallowed because the socket had already been shut down in that direction."},
    {kSocketTimedOut, "WSAETIMEDOUT", "Connection timed out.", "Either the application or the remote host failed to properly respond for a specified timeout period."},
    {kSocketConnRefused, "WSAECONNREFUSED", "Connection refused.", "No connection could be made because the target computer actively refused it.  Typically indicates no server application is running on the host."},
    {10064, "WSAEHOSTDOWN", "Host is down.", "A socket operation failed because the destination host was down."},
    {10065, "WSAEHOSTUNREACH", "No route to host.", "The application is unable to determine a route to reach the remote network computer."},
    {10067, "WSAEPROCLIM", "Too many processes.", "The sockets library has reached the number of programs it can serve at once."},
    {10091, "WSASYSNOTREADY", "Network subsystem is unavailable.", "The network services that the sockets library relies on are currently unavailable."},
    {10092, "WSAVERNOTSUPPORTED", "Socket library version out of range.", "The requested version of the sockets library is not supported by this system."},
    {10093, "WSANOTINITIALISED", "Successful socket library initialization not yet performed.", "Either the application has not called the necessary socket initialization routines or the routines failed."},
    {10101, "WSAEDISCON", "Graceful shutdown in progress.", "The remote party has begun a graceful shutdown of the connection."},
    {10109, "WSATYPE_NOT_FOUND", "Class type not found.", "The specified service or class type was not found."},
    {kSocketHostNotFound, "WSAHOST_NOT_FOUND", "Host not found.", "A name searched for in the queried databases is not an official host name or alias."},
    {11002, "WSATRY_AGAIN", "Nonauthoritative host not found.", "This is usually a temporary error during host name resolution and means that the local server did not receive a response from an authoritative server."},
    {11003, "WSANO_RECOVERY", "This is a nonrecoverable error.", "A nonrecoverable error occurred during a database lookup."},
    {11004, "WSANO_DATA", "Valid name, no data record of requested type.", "The requested name is valid and was found in the database, but it does not have the correct associated data being resolved for."},
    {6, "WSA_INVALID_HANDLE", "Specified event object handle is invalid.", "The program tried to use an event object or socket handle that is not valid."},
    {87, "WSA_INVALID_PARAMETER", "One or more parameters are invalid.", "A call was given a parameter that it does not accept."},
    {996, "WSA_IO_INCOMPLETE", "Overlapped I/O event object not in signaled state.", "The program asked for the result of an operation that has not completed yet."},
    {997, "WSA_IO_PENDING", "Overlapped operations will complete later.", "The program started an operation that cannot be completed immediately and will finish later."},
    {8, "WSA_NOT_ENOUGH_MEMORY", "Insufficient memory available.", "There was not enough free memory to complete the operation."},
    {995, "WSA_OPERATION_ABORTED", "Overlapped operation aborted.", "An operation was cancelled because the socket was closed or the request was withdrawn."},
    {kSocketCallFailure, "WSASYSCALLFAILURE", "System call failure.", "A system call that should never fail has failed."},
};

thread_local int32_t tLastError = 0;

}  // namespace

const SocketErrorRow* socketErrorTable(uint32_t& count) {
    count = static_cast<uint32_t>(std::size(kRows));
    return kRows;
}

const SocketErrorRow* findSocketError(int32_t code) {
    for (const SocketErrorRow& row : kRows)
        if (row.code == code) return &row;
    return nullptr;
}

int32_t lastSocketError() { return tLastError; }
void setLastSocketError(int32_t code) { tLastError = code; }

ByteString describeSocketError(int32_t code) {
    ByteString number = textFromI32(code);
    ByteString out = "Socket Error:  " + number + " (" + number + "):\n";
    if (const SocketErrorRow* row = findSocketError(code)) {
        out += row->name;
        out += "\n";
        out += row->shortText;
        out += "\n";
        out += row->longText;
    } else {
        out += "Unknown socket error.";
    }
    return out;
}

int32_t socketErrorIn(const ByteString& text) {
    static constexpr std::string_view kMark = "Socket Error:  ";
    const size_t at = text.view().rfind(kMark);
    if (at == std::string_view::npos) return 0;
    size_t end = at + kMark.size();
    const size_t start = end;
    while (end < text.length() && text.view()[end] >= '0' && text.view()[end] <= '9') ++end;
    return end > start && end - start <= 9 ? static_cast<int32_t>(parseU32(text.view().substr(start, end - start))) : 0;
}

}  // namespace orv

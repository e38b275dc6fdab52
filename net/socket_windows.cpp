// The socket layer's primitives on the Windows sockets library, bound at
// run time (net/winsock_api.h). Without the library every primitive fails
// with WSANOTINITIALISED.
#include "net/socket_errors.h"
#include "net/socket_state.h"
#include "net/winsock_api.h"

namespace orv::detail {

namespace {

SOCKET native(int fd) { return static_cast<SOCKET>(static_cast<uintptr_t>(static_cast<unsigned>(fd))); }

int addressLength(const sockaddr_storage& a) {
    return a.ss_family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
}

// The library's functions once it has started; otherwise null, with
// WSANOTINITIALISED (or the start's own code) as the thread's error.
const winsock::Api* started() { return winsock::start() ? winsock::api() : nullptr; }

void recordLastError(const winsock::Api* a) { setLastSocketError(a->WSAGetLastError()); }

bool ioctlNonBlocking(const winsock::Api* a, int fd, bool on) {
    u_long flag = on ? 1 : 0;
    return a->ioctlsocket(native(fd), FIONBIO, &flag) == 0;
}

}  // namespace

bool startSocketLibrary() { return winsock::start(); }

// select(), as the sockets library has always waited: a connect that fails
// shows in the exception set, so a wait for writing watches that too.
int pollFor(int fd, short events, int ms) {
    const winsock::Api* a = started();
    if (!a) return -1;
    fd_set readable, writable, failed;
    FD_ZERO(&readable);
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(native(fd), events & POLLIN ? &readable : &writable);
    if (events & POLLOUT) FD_SET(native(fd), &failed);
    timeval limit{ms / 1000, (ms % 1000) * 1000};
    const int rc = a->select(0, &readable, &writable, &failed, ms < 0 ? nullptr : &limit);
    if (rc == SOCKET_ERROR) recordLastError(a);
    return rc == SOCKET_ERROR ? -1 : (rc > 0 ? 1 : 0);
}

bool switchBlocking(SocketState& s, uint32_t flag) {
    const winsock::Api* a = started();
    if (!a) return false;
    const bool on = flag == 1;
    if (s.handle < 0 || !ioctlNonBlocking(a, s.handle, on)) {
        if (s.handle < 0) setLastSocketError(10038);
        else recordLastError(a);
        return false;
    }
    s.nonBlocking = on ? 1 : 0;
    return true;
}

bool createSocket(SocketState& s) {
    const winsock::Api* a = started();
    if (!a) return false;
    const SOCKET sock = a->socket(s.family, s.type, s.protocol);
    if (sock == INVALID_SOCKET) {
        recordLastError(a);
        return false;
    }
    s.handle = static_cast<int>(sock);
    return true;
}

void closeSocket(int fd) {
    if (const winsock::Api* a = winsock::api()) a->closesocket(native(fd));
}

void prepareSocket(int fd, uint32_t connectionType) {
    const winsock::Api* a = started();
    if (!a) return;
    BOOL on = TRUE;
    const char* value = reinterpret_cast<const char*>(&on);
    // Small writes leave at once; a bound address is this program's alone
    // (Windows' SO_REUSEADDR would let another program take it over).
    if (connectionType == 0) a->setsockopt(native(fd), IPPROTO_TCP, TCP_NODELAY, value, sizeof on);
    else a->setsockopt(native(fd), SOL_SOCKET, SO_EXCLUSIVEADDRUSE, value, sizeof on);
}

void setNonBlockingNow(int fd, bool on) {
    if (const winsock::Api* a = started()) ioctlNonBlocking(a, fd, on);
}

int startConnect(int fd, const sockaddr_storage& address) {
    const winsock::Api* a = started();
    if (!a) return -1;
    if (a->connect(native(fd), reinterpret_cast<const sockaddr*>(&address), addressLength(address)) == 0) return 1;
    const int error = a->WSAGetLastError();
    if (error == WSAEWOULDBLOCK) return 0;
    setLastSocketError(error);
    return -1;
}

bool connectOutcome(int fd) {
    const winsock::Api* a = started();
    if (!a) return false;
    int error = 0, length = sizeof error;
    a->getsockopt(native(fd), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length);
    if (error != 0) setLastSocketError(error);
    return error == 0;
}

bool bindSocket(int fd, const sockaddr_storage& address) {
    const winsock::Api* a = started();
    if (!a) return false;
    if (a->bind(native(fd), reinterpret_cast<const sockaddr*>(&address), addressLength(address)) == 0) return true;
    recordLastError(a);
    return false;
}

bool listenSocket(int fd) {
    const winsock::Api* a = started();
    if (!a) return false;
    if (a->listen(native(fd), SOMAXCONN) == 0) return true;
    recordLastError(a);
    return false;
}

int acceptSocket(int fd, sockaddr_storage& peer) {
    const winsock::Api* a = started();
    if (!a) return -1;
    int length = sizeof peer;
    const SOCKET sock = a->accept(native(fd), reinterpret_cast<sockaddr*>(&peer), &length);
    if (sock == INVALID_SOCKET) {
        recordLastError(a);
        return -1;
    }
    return static_cast<int>(sock);
}

void shutdownSending(int fd) {
    if (const winsock::Api* a = started()) a->shutdown(native(fd), SD_SEND);
}

// Windows has no flag for a send that never waits: a blocking socket is
// switched to non-blocking mode for the one call.
long sendSome(int fd, const char* bytes, uint32_t size, bool socketBlocks) {
    const winsock::Api* a = started();
    if (!a) return -1;
    if (socketBlocks) ioctlNonBlocking(a, fd, true);
    const int chunk = size > 0x40000000u ? 0x40000000 : static_cast<int>(size);
    const int n = a->send(native(fd), bytes, chunk, 0);
    if (n == SOCKET_ERROR) recordLastError(a);
    if (socketBlocks) ioctlNonBlocking(a, fd, false);
    return n == SOCKET_ERROR ? -1 : n;
}

long receiveSome(int fd, char* bytes, uint32_t size) {
    const winsock::Api* a = started();
    if (!a) return -1;
    const int n = a->recv(native(fd), bytes, size > 0x40000000u ? 0x40000000 : static_cast<int>(size), 0);
    if (n == SOCKET_ERROR) recordLastError(a);
    return n == SOCKET_ERROR ? -1 : n;
}

uint32_t bytesWaiting(int fd) {
    const winsock::Api* a = started();
    u_long waiting = 0;
    return a && a->ioctlsocket(native(fd), FIONREAD, &waiting) == 0 ? static_cast<uint32_t>(waiting) : 0;
}

uint16_t localPort(int fd) {
    const winsock::Api* a = started();
    sockaddr_storage local{};
    int length = sizeof local;
    if (!a || a->getsockname(native(fd), reinterpret_cast<sockaddr*>(&local), &length) != 0) return 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(
        local.ss_family == AF_INET6 ? &reinterpret_cast<sockaddr_in6*>(&local)->sin6_port
                                    : &reinterpret_cast<sockaddr_in*>(&local)->sin_port);
    return static_cast<uint16_t>(bytes[0] << 8 | bytes[1]);
}

}  // namespace orv::detail

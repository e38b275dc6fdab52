// The socket layer's primitives on POSIX sockets.
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include "net/socket_errors.h"
#include "net/socket_state.h"

namespace orv::detail {

namespace {

socklen_t addressLength(const sockaddr_storage& a) {
    return a.ss_family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
}

}  // namespace

void recordErrno() { setLastSocketError(socketErrorFromErrno(errno)); }

// Nothing to start on POSIX.
bool startSocketLibrary() { return true; }

int pollFor(int fd, short events, int ms) {
    pollfd p{fd, events, 0};
    int rc;
    do {
        rc = ::poll(&p, 1, ms);
    } while (rc < 0 && errno == EINTR);
    if (rc < 0) recordErrno();
    return rc;
}

bool switchBlocking(SocketState& s, uint32_t flag) {
    int on = flag == 1 ? 1 : 0;
    if (s.handle < 0 || ::ioctl(s.handle, FIONBIO, &on) != 0) {
        if (s.handle < 0) setLastSocketError(10038);
        else recordErrno();
        return false;
    }
    s.nonBlocking = static_cast<uint32_t>(on);
    return true;
}

bool createSocket(SocketState& s) {
    s.handle = ::socket(s.family, s.type, s.protocol);
    if (s.handle < 0) recordErrno();
    return s.handle >= 0;
}

void closeSocket(int fd) { ::close(fd); }

void prepareSocket(int fd, uint32_t connectionType) {
    int on = 1;
    // A request goes out as several small writes: each leaves at once
    // instead of waiting for the peer's delayed acknowledgement.
    if (connectionType == 0) ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    else ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
}

void setNonBlockingNow(int fd, bool on) {
    const int flags = ::fcntl(fd, F_GETFL, 0);
    ::fcntl(fd, F_SETFL, on ? flags | O_NONBLOCK : flags & ~O_NONBLOCK);
}

int startConnect(int fd, const sockaddr_storage& address) {
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), addressLength(address)) == 0) return 1;
    if (errno == EINPROGRESS) return 0;
    recordErrno();
    return -1;
}

bool connectOutcome(int fd) {
    int err = 0;
    socklen_t len = sizeof err;
    ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len);
    if (err != 0) setLastSocketError(socketErrorFromErrno(err));
    return err == 0;
}

bool bindSocket(int fd, const sockaddr_storage& address) {
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), addressLength(address)) == 0) return true;
    recordErrno();
    return false;
}

bool listenSocket(int fd) {
    if (::listen(fd, 0x7FFFFFFF) == 0) return true;
    recordErrno();
    return false;
}

int acceptSocket(int fd, sockaddr_storage& peer) {
    socklen_t len = sizeof peer;
    int accepted;
    do {
        accepted = ::accept(fd, reinterpret_cast<sockaddr*>(&peer), &len);
    } while (accepted < 0 && errno == EINTR);
    if (accepted < 0) recordErrno();
    return accepted;
}

void shutdownSending(int fd) { ::shutdown(fd, SHUT_WR); }

long sendSome(int fd, const char* bytes, uint32_t size, bool) {
    ssize_t n;
    do {
        n = ::send(fd, bytes, size, MSG_NOSIGNAL | MSG_DONTWAIT);
    } while (n < 0 && errno == EINTR);
    if (n < 0) recordErrno();
    return static_cast<long>(n);
}

long receiveSome(int fd, char* bytes, uint32_t size) {
    ssize_t n;
    do {
        n = ::recv(fd, bytes, size, MSG_DONTWAIT);
    } while (n < 0 && errno == EINTR);
    if (n < 0) recordErrno();
    return static_cast<long>(n);
}

uint32_t bytesWaiting(int fd) {
    int waiting = 0;
    return ::ioctl(fd, FIONREAD, &waiting) == 0 && waiting > 0 ? static_cast<uint32_t>(waiting) : 0;
}

uint16_t localPort(int fd) {
    sockaddr_storage local{};
    socklen_t len = sizeof local;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &len) != 0) return 0;
    return ntohs(local.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&local)->sin6_port
                                             : reinterpret_cast<sockaddr_in*>(&local)->sin_port);
}

}  // namespace orv::detail

// The plain sockets that the test servers are written on. On POSIX they are
// the system's calls; on Windows the same names here forward to the
// sockets library, bound at run time like the program binds it, so no test
// program imports ws2_32.dll either.
#pragma once

#ifndef _WIN32
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orv::testing {
inline int lookUpName(const char* host, const char* port, const addrinfo* hints, addrinfo** found) {
    return ::getaddrinfo(host, port, hints, found);
}
inline void freeNames(addrinfo* a) { ::freeaddrinfo(a); }
}  // namespace orv::testing
#else
#include <cstddef>

#include "net/winsock_api.h"

namespace orv::testing {

inline const winsock::Api& ws() {
    winsock::start();
    return *winsock::api();
}
inline SOCKET sock(int fd) { return static_cast<SOCKET>(static_cast<unsigned>(fd)); }

inline constexpr int MSG_NOSIGNAL = 0;
struct pollfd {
    int fd;
    short events, revents;
};

inline uint16_t htons(uint16_t v) { return static_cast<uint16_t>(v >> 8 | v << 8); }
inline uint16_t ntohs(uint16_t v) { return htons(v); }
inline uint32_t htonl(uint32_t v) { return __builtin_bswap32(v); }

inline int socket(int family, int type, int protocol) { return static_cast<int>(ws().socket(family, type, protocol)); }
inline int close(int fd) { return ws().closesocket(sock(fd)); }
inline int setsockopt(int fd, int level, int name, const void* value, int size) {
    return ws().setsockopt(sock(fd), level, name, static_cast<const char*>(value), size);
}
inline int bind(int fd, const sockaddr* a, int n) { return ws().bind(sock(fd), a, n); }
inline int listen(int fd, int backlog) { return ws().listen(sock(fd), backlog); }
inline int connect(int fd, const sockaddr* a, int n) { return ws().connect(sock(fd), a, n); }
inline int getsockname(int fd, sockaddr* a, socklen_t* n) { return ws().getsockname(sock(fd), a, n); }
inline int accept(int fd, sockaddr* a, socklen_t* n) { return static_cast<int>(ws().accept(sock(fd), a, n)); }
inline long send(int fd, const void* b, size_t n, int flags) {
    return ws().send(sock(fd), static_cast<const char*>(b), static_cast<int>(n), flags);
}
inline long recv(int fd, void* b, size_t n, int flags) {
    return ws().recv(sock(fd), static_cast<char*>(b), static_cast<int>(n), flags);
}
inline int lookUpName(const char* host, const char* port, const addrinfo* hints, addrinfo** found) {
    return ws().getaddrinfo(host, port, hints, found);
}
inline void freeNames(addrinfo* a) { ws().freeaddrinfo(a); }
// Readable descriptors through select().
inline int poll(pollfd* fds, unsigned n, int ms) {
    fd_set readable;
    FD_ZERO(&readable);
    for (unsigned i = 0; i < n; ++i) FD_SET(sock(fds[i].fd), &readable);
    timeval limit{ms / 1000, (ms % 1000) * 1000};
    const int rc = ws().select(0, &readable, nullptr, nullptr, ms < 0 ? nullptr : &limit);
    for (unsigned i = 0; i < n; ++i) {
        fds[i].revents = 0;
        for (u_int k = 0; rc > 0 && k < readable.fd_count; ++k)
            if (readable.fd_array[k] == sock(fds[i].fd)) fds[i].revents = POLLIN;
    }
    return rc;
}

}  // namespace orv::testing
#endif

// The functions of the Windows sockets library (ws2_32.dll), bound by name
// on first use: the program does not import the library, so a system
// without it still starts and only the network operations fail.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>

namespace orv::winsock {

struct Api {
    decltype(&::WSAStartup) WSAStartup;
    decltype(&::WSAGetLastError) WSAGetLastError;
    decltype(&::socket) socket;
    decltype(&::closesocket) closesocket;
    decltype(&::setsockopt) setsockopt;
    decltype(&::getsockopt) getsockopt;
    decltype(&::ioctlsocket) ioctlsocket;
    decltype(&::connect) connect;
    decltype(&::bind) bind;
    decltype(&::listen) listen;
    decltype(&::accept) accept;
    decltype(&::select) select;
    decltype(&::send) send;
    decltype(&::recv) recv;
    decltype(&::shutdown) shutdown;
    decltype(&::getsockname) getsockname;
    decltype(&::getaddrinfo) getaddrinfo;
    decltype(&::freeaddrinfo) freeaddrinfo;
    decltype(&::inet_addr) inet_addr;
};

// Every function of the library, or null when the library or one of them
// cannot be bound (tried again on the next call). Thread-safe.
const Api* api();

// WSAStartup (version 2.2) once per process; false when the library is
// missing or refuses to start. The code of the failure becomes the
// thread's socket error.
bool start();

}  // namespace orv::winsock

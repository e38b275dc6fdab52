#include "net/winsock_api.h"

#include <atomic>
#include <mutex>

#include "net/socket_errors.h"
#include "support/dynamic_library.h"

namespace orv::winsock {

namespace {

template <typename F>
bool bind(void* library, F& slot, const char* name) {
    slot = reinterpret_cast<F>(BindFunction(library, name));
    return slot != nullptr;
}

Api bindAll(void* l) {
    Api a{};
    const bool all = bind(l, a.WSAStartup, "WSAStartup") && bind(l, a.WSAGetLastError, "WSAGetLastError") &&
                     bind(l, a.socket, "socket") && bind(l, a.closesocket, "closesocket") &&
                     bind(l, a.setsockopt, "setsockopt") && bind(l, a.getsockopt, "getsockopt") &&
                     bind(l, a.ioctlsocket, "ioctlsocket") && bind(l, a.connect, "connect") &&
                     bind(l, a.bind, "bind") && bind(l, a.listen, "listen") && bind(l, a.accept, "accept") &&
                     bind(l, a.select, "select") && bind(l, a.send, "send") && bind(l, a.recv, "recv") &&
                     bind(l, a.shutdown, "shutdown") && bind(l, a.getsockname, "getsockname") &&
                     bind(l, a.getaddrinfo, "getaddrinfo") && bind(l, a.freeaddrinfo, "freeaddrinfo") &&
                     bind(l, a.inet_addr, "inet_addr") && bind(l, a.inet_pton, "inet_pton");
    if (!all) a.WSAStartup = nullptr;
    return a;
}

std::mutex gLock;
Api gApi{};
std::atomic<bool> gBound{false};
std::atomic<bool> gStarted{false};

}  // namespace

const Api* api() {
    if (gBound.load(std::memory_order_acquire)) return &gApi;
    std::lock_guard<std::mutex> guard(gLock);
    if (!gBound.load(std::memory_order_relaxed)) {
        gApi = bindAll(LoadLibrarySlot("ws2_32.dll"));
        if (gApi.WSAStartup) gBound.store(true, std::memory_order_release);
    }
    return gBound.load(std::memory_order_relaxed) ? &gApi : nullptr;
}

bool start() {
    const Api* a = api();
    if (!a) {
        setLastSocketError(kSocketNotInitialised);
        return false;
    }
    if (gStarted.load(std::memory_order_acquire)) return true;
    std::lock_guard<std::mutex> guard(gLock);
    if (gStarted.load(std::memory_order_relaxed)) return true;
    WSADATA data{};
    const int rc = a->WSAStartup(MAKEWORD(2, 2), &data);
    if (rc != 0) setLastSocketError(rc);
    gStarted.store(rc == 0, std::memory_order_release);
    return rc == 0;
}

}  // namespace orv::winsock

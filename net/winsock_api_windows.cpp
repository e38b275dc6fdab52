#include "net/winsock_api.h"

#include <atomic>
#include <mutex>

#include "net/socket_errors.h"
#include "support/dynamic_library.h"

namespace orv::winsock {

namespace {

Api bindAll(void* l) {
    Api a{};
    const bool all = BindInto(l, a.WSAStartup, "WSAStartup") && BindInto(l, a.WSAGetLastError, "WSAGetLastError") &&
                     BindInto(l, a.socket, "socket") && BindInto(l, a.closesocket, "closesocket") &&
                     BindInto(l, a.setsockopt, "setsockopt") && BindInto(l, a.getsockopt, "getsockopt") &&
                     BindInto(l, a.ioctlsocket, "ioctlsocket") && BindInto(l, a.connect, "connect") &&
                     BindInto(l, a.bind, "bind") && BindInto(l, a.listen, "listen") && BindInto(l, a.accept, "accept") &&
                     BindInto(l, a.select, "select") && BindInto(l, a.send, "send") && BindInto(l, a.recv, "recv") &&
                     BindInto(l, a.shutdown, "shutdown") && BindInto(l, a.getsockname, "getsockname") &&
                     BindInto(l, a.getaddrinfo, "getaddrinfo") && BindInto(l, a.freeaddrinfo, "freeaddrinfo") &&
                     BindInto(l, a.inet_addr, "inet_addr");
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

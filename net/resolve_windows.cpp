// Host addresses through the Windows sockets library's resolver.
#include <windows.h>

#include <cstring>
#include <memory>

#include "net/resolve_platform.h"
#include "net/socket_errors.h"
#include "net/winsock_api.h"

namespace orv::detail {

int32_t systemLookup(const ByteString& name, int family, std::vector<sockaddr_storage>& out) {
    if (!winsock::start()) return lastSocketError();
    const winsock::Api* a = winsock::api();
    addrinfo hints{};
    hints.ai_family = family;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    ByteString terminated = name;
    const int rc = a->getaddrinfo(terminated.c_str(), nullptr, &hints, &found);
    for (addrinfo* i = found; rc == 0 && i && out.size() < kMaxAddresses; i = i->ai_next) {
        if (i->ai_addrlen > sizeof(sockaddr_storage)) continue;
        sockaddr_storage copy{};
        std::memcpy(&copy, i->ai_addr, i->ai_addrlen);
        out.push_back(copy);
    }
    if (found) a->freeaddrinfo(found);
    return rc;  // the sockets library's own code (WSAHOST_NOT_FOUND ...)
}

namespace {

DWORD WINAPI detachedThread(LPVOID arg) {
    std::unique_ptr<std::function<void()>> work(static_cast<std::function<void()>*>(arg));
    (*work)();
    return 0;
}

}  // namespace

bool runDetached(std::function<void()> work) {
    auto* arg = new std::function<void()>(std::move(work));
    const HANDLE thread = CreateThread(nullptr, 0, detachedThread, arg, 0, nullptr);
    if (!thread) {
        delete arg;
        return false;
    }
    CloseHandle(thread);
    return true;
}

bool parseDottedAddress(const ByteString& text, uint32_t& address) {
    const winsock::Api* a = winsock::start() ? winsock::api() : nullptr;
    ByteString terminated = text;
    address = a ? a->inet_addr(terminated.c_str()) : INADDR_NONE;
    return address != INADDR_NONE;
}

}  // namespace orv::detail

// Host addresses through the C library's resolver.
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <memory>
#include <netdb.h>
#include <pthread.h>

#include "crash/signal_stack.h"
#include "net/resolve_platform.h"
#include "net/socket_errors.h"

namespace orv::detail {

namespace {

void* detachedThread(void* arg) {
    ThreadSignalStack signalStack;  // a fault here is reported like any other
    std::unique_ptr<std::function<void()>> work(static_cast<std::function<void()>*>(arg));
    (*work)();
    return nullptr;
}

}  // namespace

int32_t systemLookup(const ByteString& name, int family, std::vector<sockaddr_storage>& out) {
    addrinfo hints{};
    hints.ai_family = family;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    ByteString terminated = name;
    const int rc = ::getaddrinfo(terminated.c_str(), nullptr, &hints, &found);
    const int err = errno;
    for (addrinfo* a = found; rc == 0 && a && out.size() < kMaxAddresses; a = a->ai_next) {
        if (a->ai_addrlen > sizeof(sockaddr_storage)) continue;
        sockaddr_storage copy{};
        std::memcpy(&copy, a->ai_addr, a->ai_addrlen);
        out.push_back(copy);
    }
    if (found) ::freeaddrinfo(found);
    return rc != 0 ? socketErrorFromResolver(rc, err) : 0;
}

bool runDetached(std::function<void()> work) {
    pthread_t thread;
    auto* arg = new std::function<void()>(std::move(work));
    if (::pthread_create(&thread, nullptr, detachedThread, arg) != 0) {
        delete arg;
        return false;
    }
    ::pthread_detach(thread);
    return true;
}

bool parseDottedAddress(const ByteString& text, uint32_t& address) {
    ByteString terminated = text;
    address = ::inet_addr(terminated.c_str());
    return address != INADDR_NONE;
}

}  // namespace orv::detail

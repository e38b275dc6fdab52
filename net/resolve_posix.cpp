#include "net/resolve.h"

#include <arpa/inet.h>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <pthread.h>

#include "crash/signal_stack.h"
#include "net/socket_errors.h"

namespace orv {
namespace {

constexpr size_t kMaxAddresses = 8;

// One look-up, shared by the waiting caller and the thread that runs it, so
// that a caller who gives up leaves the thread a valid place to finish in.
struct Lookup {
    ByteString name;
    int family = AF_UNSPEC;
    std::mutex lock;
    std::condition_variable finished;
    bool done = false;
    int32_t error = 0;
    std::vector<sockaddr_storage> addresses;
};

void runLookup(Lookup& job) {
    addrinfo hints{};
    hints.ai_family = job.family;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int rc = ::getaddrinfo(job.name.c_str(), nullptr, &hints, &found);
    std::vector<sockaddr_storage> addresses;
    for (addrinfo* a = found; rc == 0 && a && addresses.size() < kMaxAddresses; a = a->ai_next) {
        if (a->ai_addrlen > sizeof(sockaddr_storage)) continue;
        sockaddr_storage copy{};
        std::memcpy(&copy, a->ai_addr, a->ai_addrlen);
        addresses.push_back(copy);
    }
    if (found) ::freeaddrinfo(found);
    std::lock_guard<std::mutex> guard(job.lock);
    job.error = rc != 0 ? socketErrorFromResolver(rc, errno) : (addresses.empty() ? kSocketHostNotFound : 0);
    job.addresses = std::move(addresses);
    job.done = true;
    job.finished.notify_all();
}

void* lookupThread(void* arg) {
    ThreadSignalStack signalStack;  // a fault here is reported like any other
    std::unique_ptr<std::shared_ptr<Lookup>> job(static_cast<std::shared_ptr<Lookup>*>(arg));
    runLookup(**job);
    return nullptr;
}

// The system resolver has no time limit of its own: it runs on a thread
// of its own while the caller waits at most `waitMs`.
bool lookUp(const ByteString& name, int family, int waitMs, std::vector<sockaddr_storage>& out) {
    auto job = std::make_shared<Lookup>();
    job->name = name;
    job->family = family;
    pthread_t thread;
    auto* arg = new std::shared_ptr<Lookup>(job);
    if (::pthread_create(&thread, nullptr, lookupThread, arg) == 0) {
        ::pthread_detach(thread);
    } else {
        delete arg;
        runLookup(*job);  // no thread to spare: look up without the limit
    }
    std::unique_lock<std::mutex> guard(job->lock);
    auto isDone = [&] { return job->done; };
    if (waitMs < 0) job->finished.wait(guard, isDone);
    else job->finished.wait_for(guard, std::chrono::milliseconds(waitMs), isDone);
    if (!job->done) {
        setLastSocketError(kSocketTimedOut);
        return false;
    }
    setLastSocketError(job->error);
    out = job->addresses;
    return job->error == 0;
}

sockaddr_storage ipv4(in_addr_t address) {
    sockaddr_storage s{};
    auto* in = reinterpret_cast<sockaddr_in*>(&s);
    in->sin_family = AF_INET;
    in->sin_addr.s_addr = address;
    return s;
}

}  // namespace

ByteString bareHost(const ByteString& host) {
    if (host.length() >= 2 && host[0] == '[' && host[host.length() - 1] == ']')
        return host.Mid(1, host.length() - 2);
    return host;
}

bool resolveHost(const ByteString& host, int family, int waitMs, std::vector<sockaddr_storage>& out) {
    out.clear();
    ByteString name = bareHost(host);
    if (name.empty()) {
        sockaddr_storage any{};
        if (family == AF_INET6) any.ss_family = AF_INET6;
        else any = ipv4(htonl(INADDR_ANY));
        out.push_back(any);
        return true;
    }
    if (name.find('\0') != ByteString::npos) {  // no name holds a zero byte
        setLastSocketError(kSocketHostNotFound);
        return false;
    }
    if (family != AF_INET6) {
        const in_addr_t v4 = ::inet_addr(name.c_str());
        if (v4 != INADDR_NONE) {
            out.push_back(ipv4(v4));
            return true;
        }
    }
    sockaddr_storage v6{};
    auto* in6 = reinterpret_cast<sockaddr_in6*>(&v6);
    if (family != AF_INET && ::inet_pton(AF_INET6, name.c_str(), &in6->sin6_addr) == 1) {
        v6.ss_family = AF_INET6;
        out.push_back(v6);
        return true;
    }
    return lookUp(name, family, waitMs, out);
}

}  // namespace orv

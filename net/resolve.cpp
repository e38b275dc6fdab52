#include "net/resolve.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "net/resolve_platform.h"
#include "net/socket_errors.h"

namespace orv {

using namespace detail;

namespace {

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
    std::vector<sockaddr_storage> addresses;
    const int32_t error = systemLookup(job.name, job.family, addresses);
    std::lock_guard<std::mutex> guard(job.lock);
    job.error = error != 0 ? error : (addresses.empty() ? kSocketHostNotFound : 0);
    job.addresses = std::move(addresses);
    job.done = true;
    job.finished.notify_all();
}

// The system resolver has no time limit of its own: it runs on a thread
// of its own while the caller waits at most `waitMs`.
bool lookUp(const ByteString& name, int family, int waitMs, std::vector<sockaddr_storage>& out) {
    auto job = std::make_shared<Lookup>();
    job->name = name;
    job->family = family;
    if (!runDetached([job] { runLookup(*job); })) runLookup(*job);  // no thread to spare: no limit
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

sockaddr_storage ipv4(uint32_t networkOrder) {
    sockaddr_storage s{};
    auto* in = reinterpret_cast<sockaddr_in*>(&s);
    in->sin_family = AF_INET;
    in->sin_addr.s_addr = networkOrder;
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
        else any = ipv4(0);  // INADDR_ANY
        out.push_back(any);
        return true;
    }
    if (name.find('\0') != ByteString::npos) {  // no name holds a zero byte
        setLastSocketError(kSocketHostNotFound);
        return false;
    }
    uint32_t v4 = 0;
    if (family != AF_INET6 && parseDottedAddress(name, v4)) {
        out.push_back(ipv4(v4));
        return true;
    }
    sockaddr_storage v6{};
    auto* in6 = reinterpret_cast<sockaddr_in6*>(&v6);
    if (family != AF_INET && parseIPv6Address(name, in6->sin6_addr)) {
        v6.ss_family = AF_INET6;
        out.push_back(v6);
        return true;
    }
    return lookUp(name, family, waitMs, out);
}

}  // namespace orv

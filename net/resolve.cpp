#include "net/resolve.h"

#include <chrono>
#include <cstring>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

#include "net/ip_address.h"
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

// The threads that run look-ups. Starting a thread costs far more than
// most look-ups (the system caches names), so a thread stays a while for
// the next one. One stuck in a look-up that never ends keeps only itself
// busy: a look-up that finds no idle thread starts another. Never
// destroyed, as threads may still wait on it while the program ends.
class LookupThreads {
public:
    static LookupThreads& instance() {
        static auto* threads = new LookupThreads;
        return *threads;
    }
    // False when the look-up could not be handed to any thread.
    bool run(std::shared_ptr<Lookup> job) {
        std::unique_lock<std::mutex> guard(lock_);
        queue_.push_back(std::move(job));
        if (idle_ >= queue_.size()) {
            work_.notify_one();
            return true;
        }
        if (runDetached([this] { serve(); })) return true;
        queue_.pop_back();
        return false;
    }

private:
    static constexpr auto kStay = std::chrono::seconds(30);
    void serve() {
        for (;;) {
            std::unique_lock<std::mutex> guard(lock_);
            ++idle_;
            const bool given = work_.wait_for(guard, kStay, [this] { return !queue_.empty(); });
            --idle_;
            if (!given) return;
            std::shared_ptr<Lookup> job = std::move(queue_.front());
            queue_.pop_front();
            guard.unlock();
            runLookup(*job);
        }
    }
    std::mutex lock_;
    std::condition_variable work_;
    std::deque<std::shared_ptr<Lookup>> queue_;
    size_t idle_ = 0;
};

// The system resolver has no time limit of its own: it runs on a thread
// of its own while the caller waits at most `waitMs`.
bool lookUp(const ByteString& name, int family, int waitMs, std::vector<sockaddr_storage>& out) {
    auto job = std::make_shared<Lookup>();
    job->name = name;
    job->family = family;
    if (!LookupThreads::instance().run(job)) runLookup(*job);  // no thread to spare: no limit
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
    IpAddress literal;
    if (family != AF_INET && parseIpAddress(name, literal) && literal.bits == 128) {
        sockaddr_storage v6{};
        v6.ss_family = AF_INET6;
        std::memcpy(&reinterpret_cast<sockaddr_in6*>(&v6)->sin6_addr, literal.bytes, 16);
        out.push_back(v6);
        return true;
    }
    return lookUp(name, family, waitMs, out);
}

}  // namespace orv

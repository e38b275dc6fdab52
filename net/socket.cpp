#include "net/socket.h"

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include "net/socket_errors.h"
#include "support/numbers.h"

namespace orv {
namespace {

constexpr uint32_t kMinRead = 1024;
constexpr uint32_t kMaxRead = 1024 * 1024;

std::atomic<uint32_t> gConnectMs{10000};
std::atomic<uint32_t> gIoMs{10000};

void recordErrno() { setLastSocketError(socketErrorFromErrno(errno)); }

int toPollMs(uint32_t seconds, uint32_t microseconds) {
    uint64_t ms = static_cast<uint64_t>(seconds) * 1000 + (microseconds + 999) / 1000;
    return ms > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(ms);
}

// 0 = no limit.
int ioPollMs(uint32_t ms) { return ms == 0 ? -1 : (ms > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(ms)); }

// 1 ready, 0 time-out, -1 error.
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

bool setNonBlockingState(SocketState& s, uint32_t flag) {
    if (switchBlocking(s, flag)) return true;
    s.errorText += "Error:  Call to ioctlsocket failed.\n";
    return false;
}

bool waitState(const SocketState& s, short events, uint32_t seconds, uint32_t microseconds) {
    if (s.handle < 0) return true;  // the following call reports the real error
    return pollFor(s.handle, events, toPollMs(seconds, microseconds)) != 0;
}

void applySendTimeout(const SocketState& s) {
    timeval tv{};
    tv.tv_sec = static_cast<time_t>(s.timeouts.ioMilliseconds / 1000);
    tv.tv_usec = static_cast<suseconds_t>((s.timeouts.ioMilliseconds % 1000) * 1000);
    ::setsockopt(s.handle, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

bool disconnectState(SocketState& s) {
    if (s.handle < 0) {
        setLastSocketError(10057);
        s.errorText += "Error:  Socket not connected.\n";
        return false;
    }
    switchBlocking(s, 0);
    // A listening socket has no connection to shut down or drain.
    const bool listening = s.connectionType == 1;
    if (!listening) ::shutdown(s.handle, SHUT_WR);
    if (!listening && waitState(s, POLLIN, s.waitSeconds, s.waitMicroseconds)) {
        const time_t deadline = std::time(nullptr) + static_cast<time_t>(s.waitSeconds);
        char scratch[4096];
        ssize_t n;
        do {
            n = ::recv(s.handle, scratch, sizeof scratch, 0);
        } while (n > 0 && waitState(s, POLLIN, s.waitSeconds, s.waitMicroseconds) &&
                 std::time(nullptr) < deadline);
    }
    ::close(s.handle);
    s.family = AF_INET;
    s.type = SOCK_STREAM;
    s.protocol = 0;
    s.handle = -1;
    s.nonBlocking = 0;
    s.waitSeconds = 3;
    s.waitMicroseconds = 0;
    return true;
}

// An IPv4 address in network order from dotted text or a host name.
bool resolveAddress(const ByteString& text, in_addr_t& out) {
    if (text.empty()) {
        out = htonl(INADDR_ANY);
        return true;
    }
    ByteString name = text;
    out = ::inet_addr(name.c_str());
    if (out != INADDR_NONE) return true;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    int rc = ::getaddrinfo(name.c_str(), nullptr, &hints, &found);
    if (rc != 0 || !found) {
        setLastSocketError(rc != 0 ? socketErrorFromResolver(rc, errno) : kSocketHostNotFound);
        return false;
    }
    out = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    ::freeaddrinfo(found);
    return true;
}

// A connect that gives up after the state's connection time-out; the socket
// is blocking again afterwards.
bool connectWithTimeout(SocketState& s) {
    int flags = ::fcntl(s.handle, F_GETFL, 0);
    ::fcntl(s.handle, F_SETFL, flags | O_NONBLOCK);
    bool ok = false;
    if (::connect(s.handle, reinterpret_cast<const sockaddr*>(&s.address), sizeof s.address) == 0) {
        ok = true;
    } else if (errno != EINPROGRESS) {
        recordErrno();
    } else {
        int rc = pollFor(s.handle, POLLOUT, ioPollMs(s.timeouts.connectMilliseconds));
        if (rc == 0) setLastSocketError(kSocketTimedOut);
        if (rc > 0) {
            int err = 0;
            socklen_t len = sizeof err;
            ::getsockopt(s.handle, SOL_SOCKET, SO_ERROR, &err, &len);
            if (err != 0) setLastSocketError(socketErrorFromErrno(err));
            ok = err == 0;
        }
    }
    ::fcntl(s.handle, F_SETFL, flags);
    return ok;
}

bool connectState(SocketState& s, const ByteString& text, uint16_t port, uint32_t connectionType,
                  uint32_t nonBlocking, int32_t family, int32_t type, int32_t protocol) {
    if (s.handle >= 0 && !disconnectState(s)) {
        s.errorText += "Error disconnecting from connected socket.\n";
        return false;
    }
    s.family = family;
    s.type = type;
    s.protocol = protocol;
    in_addr_t ip = 0;
    if (!resolveAddress(text, ip)) {
        s.errorText += "Error:  Unable to get IP address for '" + text + "'.\n";
        return false;
    }
    if (family != AF_INET) {
        setLastSocketError(10047);
        s.errorText += "Error:  Connect only supports the address family AF_INET.\n";
        return false;
    }
    s.address = sockaddr_in{};
    s.address.sin_family = static_cast<sa_family_t>(family);
    s.address.sin_port = htons(port);
    s.address.sin_addr.s_addr = ip;
    s.handle = ::socket(family, type, protocol);
    if (s.handle < 0) {
        recordErrno();
        s.handle = -1;
        s.errorText += "Error:  Unable to create a socket.\n";
        return false;
    }
    applySendTimeout(s);
    if (!switchBlocking(s, 0)) {
        s.errorText += "Error:  Unable to switch to blocking mode.\n";
        return false;
    }
    s.connectionType = connectionType;
    const ByteString where = "'" + text + "' on port " + textFromU16(port);
    if (connectionType == 0) {
        if (!connectWithTimeout(s)) {
            s.errorText += "Error:  Unable to connect to " + where + ".\n";
            return false;
        }
    } else if (connectionType == 1) {
        int on = 1;
        ::setsockopt(s.handle, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        if (::bind(s.handle, reinterpret_cast<const sockaddr*>(&s.address), sizeof s.address) != 0) {
            recordErrno();
            s.errorText += "Error:  Unable to bind " + where + " to a socket.\n";
            return false;
        }
    } else {
        s.errorText += "Error:  Unknown connection type.\n";
        return false;
    }
    if (nonBlocking == 1 && !switchBlocking(s, 1)) {
        s.errorText += "Error:  Unable to switch to non-blocking mode.\n";
        return false;
    }
    return true;
}

bool sendState(SocketState& s, const ByteString& data) {
    ssize_t n = -1;
    if (s.handle < 0) {
        setLastSocketError(10057);
    } else {
        do {
            n = ::send(s.handle, data.data(), data.length(), MSG_NOSIGNAL);
        } while (n < 0 && errno == EINTR);
        if (n < 0) {
            // A blocking socket only stops with "would block" when its send
            // time-out has passed.
            bool timedOut = (errno == EAGAIN || errno == EWOULDBLOCK) && s.nonBlocking == 0;
            setLastSocketError(timedOut ? kSocketTimedOut : socketErrorFromErrno(errno));
        }
    }
    if (n >= 0) return true;
    s.errorText += "Error:  Unable to send data.\n";
    return false;
}

bool receiveState(SocketState& s, ByteString& buffer) {
    buffer.clear();
    if (s.handle < 0) {
        setLastSocketError(10057);
        s.errorText += "Error:  Unable to receive data.\n";
        return false;
    }
    // A blocking read waits at most the time-out for the first byte.
    if (s.nonBlocking == 0 && pollFor(s.handle, POLLIN, ioPollMs(s.timeouts.ioMilliseconds)) == 0) {
        setLastSocketError(kSocketTimedOut);
        s.errorText += "Error:  Unable to receive data.\n";
        return false;
    }
    // One read takes what is waiting, between 1 KiB and 1 MiB.
    int waiting = 0;
    if (::ioctl(s.handle, FIONREAD, &waiting) != 0) waiting = 0;
    uint32_t size = waiting < static_cast<int>(kMinRead) ? kMinRead : static_cast<uint32_t>(waiting);
    if (size > kMaxRead) size = kMaxRead;
    buffer.setLength(size);
    ssize_t n;
    do {
        n = ::recv(s.handle, buffer.data(), size, 0);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        buffer.clear();
        recordErrno();
        if (lastSocketError() == kSocketWouldBlock) return true;
        s.errorText += "Error:  Unable to receive data.\n";
        return false;
    }
    buffer.setLength(static_cast<uint32_t>(n));
    return n != 0;
}

bool listenState(SocketState& s) {
    if (s.handle >= 0 && ::listen(s.handle, 0x7FFFFFFF) == 0) return true;
    if (s.handle < 0) setLastSocketError(10038);
    else recordErrno();
    s.errorText += "Error:  Unable to listen on the socket connection.\n";
    return false;
}

// Works on `fresh`, a copy of the listening state.
bool acceptInto(SocketState& fresh) {
    if (!listenState(fresh)) {
        fresh.handle = -1;
        return false;
    }
    if (pollFor(fresh.handle, POLLIN, 0) <= 0) {
        fresh.handle = -1;
        return false;
    }
    const int listening = fresh.handle;
    socklen_t len = sizeof fresh.address;
    do {
        fresh.handle = ::accept(listening, reinterpret_cast<sockaddr*>(&fresh.address), &len);
    } while (fresh.handle < 0 && errno == EINTR);
    if (fresh.handle < 0) {
        recordErrno();
        fresh.handle = -1;
        fresh.errorText += "Error:  Unable to accept the new connection.\n";
        return false;
    }
    fresh.errorText.clear();
    fresh.connectionType = 0;
    applySendTimeout(fresh);
    return setNonBlockingState(fresh, fresh.nonBlocking);
}

}  // namespace

SocketLibrary::SocketLibrary() : started_(true) {}
SocketLibrary::~SocketLibrary() = default;

std::shared_ptr<SocketLibrary> SocketLibrary::instance() {
    static std::shared_ptr<SocketLibrary> library = std::make_shared<SocketLibrary>();
    return library;
}

SocketTimeouts defaultSocketTimeouts() { return {gConnectMs.load(), gIoMs.load()}; }

void setDefaultSocketTimeouts(const SocketTimeouts& timeouts) {
    gConnectMs = timeouts.connectMilliseconds;
    gIoMs = timeouts.ioMilliseconds;
}

SharedSocketState::~SharedSocketState() {
    if (state.handle >= 0) disconnectState(state);
}

namespace {
std::shared_ptr<SharedSocketState> freshState() {
    SocketLibrary::instance();  // the library exists before the first socket
    return std::make_shared<SharedSocketState>();
}
}  // namespace

SocketHandle::SocketHandle() : shared_(freshState()) {}

SocketHandle::SocketHandle(std::shared_ptr<SharedSocketState> shared) : shared_(std::move(shared)) {}

SocketHandle::~SocketHandle() = default;

std::shared_ptr<SharedSocketState> SocketHandle::acquire() const {
    std::lock_guard<std::mutex> guard(handleLock_);
    return shared_;
}

std::unique_ptr<SocketHandle> SocketHandle::Clone() const {
    return std::unique_ptr<SocketHandle>(new SocketHandle(acquire()));
}

bool SocketHandle::Connect(const ByteString& address, uint16_t port, uint32_t connectionType,
                           uint32_t nonBlocking, int32_t family, int32_t type, int32_t protocol) {
    auto s = acquire();
    std::lock_guard<std::mutex> guard(s->lock);
    return connectState(s->state, address, port, connectionType, nonBlocking, family, type, protocol);
}

bool SocketHandle::Disconnect() {
    auto s = acquire();
    std::lock_guard<std::mutex> guard(s->lock);
    return disconnectState(s->state);
}

bool SocketHandle::SetWaitTime(uint32_t seconds, uint32_t microseconds) {
    auto s = acquire();
    std::lock_guard<std::mutex> guard(s->lock);
    s->state.waitSeconds = seconds;
    s->state.waitMicroseconds = microseconds;
    return true;
}

bool SocketHandle::IsConnected() {
    auto s = acquire();
    std::lock_guard<std::mutex> guard(s->lock);
    return s->state.handle >= 0;
}

uint32_t SocketHandle::GetConnectionType() {
    auto s = acquire();
    std::lock_guard<std::mutex> guard(s->lock);
    return s->state.connectionType;
}

uint32_t SocketHandle::IsNonBlocking() {
    auto s = acquire();
    std::lock_guard<std::mutex> guard(s->lock);
    return s->state.nonBlocking;
}

bool SocketHandle::SetNonBlocking(uint32_t flag) {
    auto s = acquire();
    std::lock_guard<std::mutex> guard(s->lock);
    return setNonBlockingState(s->state, flag);
}

bool SocketHandle::Accept() {
    auto old = acquire();
    auto fresh = std::make_shared<SharedSocketState>();
    bool ok;
    {
        std::lock_guard<std::mutex> guard(old->lock);
        fresh->state = old->state;
        ok = acceptInto(fresh->state);
    }
    std::lock_guard<std::mutex> guard(handleLock_);
    shared_ = std::move(fresh);
    return ok;
}

bool SocketHandle::WaitWritable(uint32_t seconds, uint32_t microseconds) {
    auto s = acquire();
    std::lock_guard<std::mutex> guard(s->lock);
    return waitState(s->state, POLLOUT, seconds, microseconds);
}

bool SocketHandle::WaitReadable(uint32_t seconds, uint32_t microseconds) {
    auto s = acquire();
    std::lock_guard<std::mutex> guard(s->lock);
    return waitState(s->state, POLLIN, seconds, microseconds);
}

bool SocketHandle::Send(const ByteString& data) {
    auto s = acquire();
    std::lock_guard<std::mutex> guard(s->lock);
    return sendState(s->state, data);
}

bool SocketHandle::Receive(ByteString& buffer) {
    auto s = acquire();
    std::lock_guard<std::mutex> guard(s->lock);
    return receiveState(s->state, buffer);
}

ByteString SocketHandle::TakeErrorText() {
    auto s = acquire();
    std::lock_guard<std::mutex> guard(s->lock);
    ByteString text = std::move(s->state.errorText);
    s->state.errorText.clear();
    if (text.empty()) return {};
    return text + describeSocketError(lastSocketError());
}

void SocketHandle::SetTimeouts(const SocketTimeouts& timeouts) {
    auto s = acquire();
    std::lock_guard<std::mutex> guard(s->lock);
    s->state.timeouts = timeouts;
    if (s->state.handle >= 0) applySendTimeout(s->state);
}

bool SocketHandle::Listen() {
    auto s = acquire();
    std::lock_guard<std::mutex> guard(s->lock);
    return listenState(s->state);
}

uint16_t SocketHandle::LocalPort() {
    auto s = acquire();
    std::lock_guard<std::mutex> guard(s->lock);
    sockaddr_in local{};
    socklen_t len = sizeof local;
    if (s->state.handle < 0 || ::getsockname(s->state.handle, reinterpret_cast<sockaddr*>(&local), &len) != 0)
        return 0;
    return ntohs(local.sin_port);
}

}  // namespace orv

#include "net/socket.h"

#include <algorithm>
#include <cstring>

#include "net/resolve.h"
#include "net/socket_errors.h"
#include "net/socket_state.h"
#include "support/numbers.h"

namespace orv {
namespace detail {

int waitBudget(const SocketState& s, uint32_t limitMs) {
    int64_t ms = limitMs == 0 ? -1 : limitMs;
    if (s.deadline != Deadline::max()) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(s.deadline - Deadline::clock::now()).count();
        const int64_t bounded = left < 0 ? 0 : left;
        if (ms < 0 || bounded < ms) ms = bounded;
    }
    return ms > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(ms);
}

}  // namespace detail

using namespace detail;

namespace {

constexpr uint32_t kMinRead = 1024;
constexpr uint32_t kMaxRead = 1024 * 1024;

int toPollMs(uint32_t seconds, uint32_t microseconds) {
    uint64_t ms = static_cast<uint64_t>(seconds) * 1000 + (microseconds + 999) / 1000;
    return ms > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(ms);
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

void setPort(sockaddr_storage& a, uint16_t port) {
    const unsigned char bytes[2] = {static_cast<unsigned char>(port >> 8), static_cast<unsigned char>(port)};
    uint16_t network;  // network byte order, most significant byte first
    std::memcpy(&network, bytes, 2);
    if (a.ss_family == AF_INET6) reinterpret_cast<sockaddr_in6*>(&a)->sin6_port = network;
    else reinterpret_cast<sockaddr_in*>(&a)->sin_port = network;
}

// A connect that gives up after the connection time-out or at the
// deadline; the socket is blocking again afterwards.
bool connectWithTimeout(SocketState& s) {
    setNonBlockingNow(s.handle, true);
    const int started = startConnect(s.handle, s.address);
    bool ok = started == 1;
    if (started == 0) {
        const int rc = pollFor(s.handle, POLLOUT, waitBudget(s, s.timeouts.connectMilliseconds));
        if (rc == 0) setLastSocketError(kSocketTimedOut);
        if (rc > 0) ok = connectOutcome(s.handle);
    }
    setNonBlockingNow(s.handle, false);
    return ok;
}

// Creates the socket for `address` and connects or binds it.
bool openSocket(SocketState& s, const sockaddr_storage& address, uint32_t connectionType) {
    if (s.handle >= 0) closeSocket(s.handle);  // an earlier address that failed
    s.address = address;
    s.family = address.ss_family;
    if (!createSocket(s)) {
        s.handle = -1;
        s.errorText += "Error:  Unable to create a socket.\n";
        return false;
    }
    if (!switchBlocking(s, 0)) {
        s.errorText += "Error:  Unable to switch to blocking mode.\n";
        return false;
    }
    prepareSocket(s.handle, connectionType);
    if (connectionType == 0) return connectWithTimeout(s);
    return bindSocket(s.handle, s.address);
}

}  // namespace

namespace detail {

bool disconnectState(SocketState& s) {
    if (s.handle < 0) {
        setLastSocketError(10057);
        s.errorText += "Error:  Socket not connected.\n";
        return false;
    }
    // Draining says nothing about the operation that failed before it.
    const int32_t lastError = lastSocketError();
    switchBlocking(s, 0);
    // A listening socket has no connection to shut down or drain. Draining
    // ends after the wait time, and at the deadline; with no wait time
    // there is none.
    const bool listening = s.connectionType == 1;
    if (!listening) shutdownSending(s.handle);
    const int waitMs = std::min(toPollMs(s.waitSeconds, s.waitMicroseconds), waitBudget(s, 0x7FFFFFFF));
    if (!listening && waitMs > 0 && pollFor(s.handle, POLLIN, waitMs) != 0) {
        const auto end = Deadline::clock::now() + std::chrono::milliseconds(waitMs);
        char scratch[4096];
        long n;
        do {
            n = receiveSome(s.handle, scratch, sizeof scratch);
        } while ((n > 0 || (n < 0 && lastSocketError() == kSocketWouldBlock)) && Deadline::clock::now() < end &&
                 pollFor(s.handle, POLLIN, std::min(waitMs, waitBudget(s, 0x7FFFFFFF))) > 0);
    }
    closeSocket(s.handle);
    setLastSocketError(lastError);
    s.family = AF_INET;
    s.type = SOCK_STREAM;
    s.protocol = 0;
    s.handle = -1;
    s.nonBlocking = 0;
    s.waitSeconds = 3;
    s.waitMicroseconds = 0;
    return true;
}

bool connectState(SocketState& s, const ByteString& text, uint16_t port, uint32_t connectionType,
                  uint32_t nonBlocking, int32_t family, int32_t type, int32_t protocol) {
    if (s.handle >= 0 && !disconnectState(s)) {
        s.errorText += "Error disconnecting from connected socket.\n";
        return false;
    }
    s.errorWithoutCode = false;
    s.family = family;
    s.type = type;
    s.protocol = protocol;
    if (family != AF_INET && family != AF_INET6 && family != AF_UNSPEC) {
        setLastSocketError(10047);
        s.errorText += "Error:  Connect only supports the address families AF_INET and AF_INET6.\n";
        return false;
    }
    std::vector<sockaddr_storage> addresses;
    if (!resolveHost(text, family, waitBudget(s, s.timeouts.connectMilliseconds), addresses)) {
        s.errorText += "Error:  Unable to get IP address for '" + text + "'.\n";
        return false;
    }
    if (connectionType > 1) {
        s.errorText += "Error:  Unknown connection type.\n";
        return false;
    }
    s.connectionType = connectionType;
    // Each address of the name in turn, until one connects.
    const size_t tries = connectionType == 0 ? addresses.size() : 1;
    bool ok = false;
    for (size_t i = 0; i < tries && !ok; ++i) {
        const uint32_t textLength = s.errorText.length();
        setPort(addresses[i], port);
        ok = openSocket(s, addresses[i], connectionType);
        if (s.errorText.length() != textLength) return false;  // no socket at all
    }
    const ByteString where = "'" + text + "' on port " + textFromU16(port);
    if (!ok) {
        s.errorText += connectionType == 0 ? "Error:  Unable to connect to " + where + ".\n"
                                           : "Error:  Unable to bind " + where + " to a socket.\n";
        return false;
    }
    if (nonBlocking == 1 && !switchBlocking(s, 1)) {
        s.errorText += "Error:  Unable to switch to non-blocking mode.\n";
        return false;
    }
    return true;
}

bool sendState(SocketState& s, const ByteString& data) {
    uint32_t sent = 0;
    bool ok = s.handle >= 0;
    if (!ok) setLastSocketError(10057);
    // A blocking socket sends everything, waiting for room at most the
    // time-out each time and never past the deadline.
    while (ok && sent < data.length()) {
        if (s.nonBlocking == 0 && pollFor(s.handle, POLLOUT, waitBudget(s, s.timeouts.ioMilliseconds)) == 0) {
            setLastSocketError(kSocketTimedOut);
            ok = false;
            break;
        }
        const long n = sendSome(s.handle, data.data() + sent, data.length() - sent, s.nonBlocking == 0);
        if (n < 0 && lastSocketError() == kSocketWouldBlock && s.nonBlocking == 0) continue;
        if (n < 0) ok = false;
        else sent += static_cast<uint32_t>(n);
    }
    if (ok) return true;
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
    // A blocking read waits at most the time-out for the first byte, and
    // never past the deadline.
    if (s.nonBlocking == 0 && pollFor(s.handle, POLLIN, waitBudget(s, s.timeouts.ioMilliseconds)) == 0) {
        setLastSocketError(kSocketTimedOut);
        s.errorText += "Error:  Unable to receive data.\n";
        return false;
    }
    // One read takes what is waiting, between 1 KiB and 1 MiB.
    const uint32_t size = std::clamp(bytesWaiting(s.handle), kMinRead, kMaxRead);
    buffer.setLength(size);
    const long n = receiveSome(s.handle, buffer.data(), size);
    if (n < 0) {
        buffer.clear();
        if (lastSocketError() == kSocketWouldBlock) return true;
        s.errorText += "Error:  Unable to receive data.\n";
        return false;
    }
    buffer.setLength(static_cast<uint32_t>(n));
    return n != 0;
}

}  // namespace detail

namespace {

bool listenState(SocketState& s) {
    if (s.handle >= 0 && listenSocket(s.handle)) return true;
    if (s.handle < 0) setLastSocketError(10038);
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
    fresh.handle = acceptSocket(fresh.handle, fresh.address);
    if (fresh.handle < 0) {
        fresh.handle = -1;
        fresh.errorText += "Error:  Unable to accept the new connection.\n";
        return false;
    }
    fresh.errorText.clear();
    fresh.connectionType = 0;
    return setNonBlockingState(fresh, fresh.nonBlocking);
}

}  // namespace

SocketLibrary::SocketLibrary() : started_(startSocketLibrary()) {}
SocketLibrary::~SocketLibrary() = default;

std::shared_ptr<SocketLibrary> SocketLibrary::instance() {
    static std::shared_ptr<SocketLibrary> library = std::make_shared<SocketLibrary>();
    return library;
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
    const bool withoutCode = s->state.errorWithoutCode;
    s->state.errorWithoutCode = false;
    if (text.empty() || withoutCode) return text;
    return text + describeSocketError(lastSocketError());
}

void SocketHandle::SetTimeouts(const SocketTimeouts& timeouts) {
    auto s = acquire();
    std::lock_guard<std::mutex> guard(s->lock);
    s->state.timeouts = timeouts;
}

void SocketHandle::SetDeadline(Deadline deadline) {
    auto s = acquire();
    std::lock_guard<std::mutex> guard(s->lock);
    s->state.deadline = deadline;
}

bool SocketHandle::Listen() {
    auto s = acquire();
    std::lock_guard<std::mutex> guard(s->lock);
    return listenState(s->state);
}

uint16_t SocketHandle::LocalPort() {
    auto s = acquire();
    std::lock_guard<std::mutex> guard(s->lock);
    return s->state.handle < 0 ? 0 : localPort(s->state.handle);
}

}  // namespace orv

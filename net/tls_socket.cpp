// The secure socket's operations that are the same on every platform; the
// secure channel itself is each platform's (tls_socket_posix.cpp,
// tls_socket_windows.cpp, behind net/tls_session.h).
#include "net/tls_socket.h"

#include "net/socket_errors.h"
#include "net/tls_session.h"
#include "net/tunnel.h"

namespace orv {

using namespace detail;

TlsSocketHandle::TlsSocketHandle(const TlsTrust& trust, const ProxyServer& tunnel)
    : trust_(trust), tunnel_(tunnel), session_(newTlsSession()) {}

TlsSocketHandle::TlsSocketHandle(const TlsSocketHandle& original, std::shared_ptr<SharedSocketState> shared)
    : SocketHandle(std::move(shared)), trust_(original.trust_), tunnel_(original.tunnel_), session_(original.session_) {}

TlsSocketHandle::~TlsSocketHandle() {
    if (session_.use_count() != 1) return;
    auto s = acquire();
    std::lock_guard<std::mutex> guard(s->lock);
    closeTlsSession(s->state, *session_);
}

std::unique_ptr<SocketHandle> TlsSocketHandle::Clone() const {
    return std::unique_ptr<SocketHandle>(new TlsSocketHandle(*this, acquire()));
}

bool TlsSocketHandle::Connect(const ByteString& address, uint16_t port, uint32_t connectionType,
                              uint32_t nonBlocking, int32_t family, int32_t type, int32_t protocol) {
    auto shared = acquire();
    std::lock_guard<std::mutex> guard(shared->lock);
    SocketState& s = shared->state;
    closeTlsSession(s, *session_);
    if (connectionType != 0) {
        setLastSocketError(10045);
        s.errorText += "Error:  A secure socket only makes outgoing connections.\n";
        return false;
    }
    if (!connectThroughTunnel(s, tunnel_, address, port, family, type, protocol)) return false;
    if (!tlsHandshake(s, *session_, trust_, address)) return false;
    s.nonBlocking = nonBlocking == 1 ? 1 : 0;
    return true;
}

bool TlsSocketHandle::Disconnect() {
    auto shared = acquire();
    std::lock_guard<std::mutex> guard(shared->lock);
    closeTlsSession(shared->state, *session_);
    return disconnectState(shared->state);
}

bool TlsSocketHandle::SetNonBlocking(uint32_t flag) {
    auto shared = acquire();
    std::lock_guard<std::mutex> guard(shared->lock);
    if (shared->state.handle < 0) {
        setLastSocketError(10038);
        shared->state.errorText += "Error:  Call to ioctlsocket failed.\n";
        return false;
    }
    shared->state.nonBlocking = flag == 1 ? 1 : 0;  // the socket itself never blocks
    return true;
}

bool TlsSocketHandle::Accept() {
    auto shared = acquire();
    std::lock_guard<std::mutex> guard(shared->lock);
    setLastSocketError(10045);
    shared->state.errorText += "Error:  A secure socket does not accept connections.\n";
    return false;
}

}  // namespace orv

#include "net/tls_socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>

#include "net/resolve.h"
#include "net/socket_errors.h"
#include "net/socket_state.h"
#include "net/tunnel.h"
#include "support/numbers.h"

namespace orv {

using namespace detail;

struct TlsSocketHandle::Session {
    TlsTrust trust;
    ProxyServer tunnel;
    SSL* ssl = nullptr;
    ~Session() { SSL_free(ssl); }
};

namespace {

constexpr int kRecordSize = 16384;
enum class Step { Done, Failed, TimedOut, WouldBlock };

SSL_CTX* newContext(const TlsTrust& trust) {
    SSL_CTX* context = SSL_CTX_new(TLS_client_method());
    if (!context) return nullptr;
    SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
    // Only response heads are read: a server that closes without the TLS
    // closing notice has simply closed.
    SSL_CTX_set_options(context, SSL_OP_IGNORE_UNEXPECTED_EOF);
    // Either place may be missing, as it may for other tools.
    ByteString file = trust.certFile.empty() ? ByteString(X509_get_default_cert_file()) : trust.certFile;
    ByteString dir = trust.certDir.empty() ? ByteString(X509_get_default_cert_dir()) : trust.certDir;
    SSL_CTX_load_verify_file(context, file.c_str());
    SSL_CTX_load_verify_dir(context, dir.c_str());
    ERR_clear_error();
    return context;
}

// Whether the server's own certificate names any host in a subjectAltName.
bool peerHasAltNames(SSL* ssl) {
    STACK_OF(X509)* chain = SSL_get_peer_cert_chain(ssl);
    X509* leaf = chain && sk_X509_num(chain) > 0 ? sk_X509_value(chain, 0) : nullptr;
    return !leaf || X509_get_ext_by_NID(leaf, NID_subject_alt_name, -1) >= 0;
}

ByteString verdict(long code, SSL* ssl) {
    const bool mismatch = code == X509_V_ERR_HOSTNAME_MISMATCH || code == X509_V_ERR_IP_ADDRESS_MISMATCH;
    if (mismatch && !peerHasAltNames(ssl))
        return "The server's certificate has no subjectAltName; a host named only in its common name is not accepted.";
    switch (code) {
    case X509_V_ERR_CERT_HAS_EXPIRED: return "The server's certificate has expired.";
    case X509_V_ERR_CERT_NOT_YET_VALID: return "The server's certificate is not yet valid.";
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT: return "The server's certificate is self-signed.";
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_CERT_UNTRUSTED: return "The server's certificate was issued by an unknown certificate authority.";
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH: return "The server's certificate is for another host.";
    case X509_V_ERR_CERT_REVOKED: return "The server's certificate has been revoked.";
    default: return "The server's certificate could not be verified (" + ByteString(X509_verify_cert_error_string(code)) + ").";
    }
}

// Repeats an OpenSSL call until it completes, waiting for the socket as it
// asks: each wait within the time-out and never past the deadline.
template <class Call>
Step drive(SocketState& s, SSL* ssl, bool wait, Call call, int& result, int& error) {
    for (;;) {
        ERR_clear_error();
        errno = 0;
        result = call();
        if (result > 0) return Step::Done;
        error = SSL_get_error(ssl, result);
        const short events = error == SSL_ERROR_WANT_READ ? POLLIN : error == SSL_ERROR_WANT_WRITE ? POLLOUT : 0;
        if (events == 0) return Step::Failed;
        if (!wait) return Step::WouldBlock;
        if (pollFor(s.handle, events, waitBudget(s, s.timeouts.ioMilliseconds)) == 0) {
            setLastSocketError(kSocketTimedOut);
            return Step::TimedOut;
        }
    }
}

// Appends `line` for a failed call: a failure of the connection keeps its
// socket error code; a failure of the secure protocol gets a sentence of
// its own instead.
void noteFailure(SocketState& s, Step step, int error, const ByteString& line) {
    s.errorText += line;
    if (step == Step::WouldBlock) setLastSocketError(kSocketWouldBlock);
    if (step != Step::Failed) return;
    if (error == SSL_ERROR_SYSCALL && errno != 0) {
        recordErrno();
        return;
    }
    const unsigned long e = ERR_get_error();
    const char* reason = e ? ERR_reason_error_string(e) : nullptr;
    s.errorText += "Error:  The secure connection failed:  " + ByteString(reason ? reason : "protocol error") + ".\n";
    s.errorWithoutCode = true;
}

bool isAddressLiteral(const ByteString& host) {
    unsigned char scratch[16];
    ByteString h = host;
    return ::inet_pton(AF_INET, h.c_str(), scratch) == 1 || ::inet_pton(AF_INET6, h.c_str(), scratch) == 1;
}

bool handshake(SocketState& s, TlsSocketHandle::Session& t, const ByteString& address) {
    SSL_CTX* context = newContext(t.trust);
    t.ssl = context ? SSL_new(context) : nullptr;
    SSL_CTX_free(context);  // the connection keeps its own reference
    if (!t.ssl) {
        s.errorText += "Error:  Unable to set up a secure connection.\n";
        s.errorWithoutCode = true;
        return false;
    }
    SSL_set_fd(t.ssl, s.handle);
    ByteString host = bareHost(address);
    if (isAddressLiteral(host)) {
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(t.ssl), host.c_str());
    } else {
        SSL_set_tlsext_host_name(t.ssl, host.c_str());
        // The host must be in the subjectAltName: the common name, which
        // browsers stopped reading long ago, does not count.
        SSL_set_hostflags(t.ssl, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS | X509_CHECK_FLAG_NEVER_CHECK_SUBJECT);
        SSL_set1_host(t.ssl, host.c_str());
    }
    // Every wait is a poll, so the socket itself never blocks.
    ::fcntl(s.handle, F_SETFL, ::fcntl(s.handle, F_GETFL, 0) | O_NONBLOCK);
    int result = 0, error = 0;
    const Step step = drive(s, t.ssl, true, [&] { return SSL_connect(t.ssl); }, result, error);
    if (step == Step::Done) return true;
    const long code = SSL_get_verify_result(t.ssl);
    if (code != X509_V_OK) {
        s.errorText += "Error:  " + verdict(code, t.ssl) + "\n";
        s.errorWithoutCode = true;
        return false;
    }
    noteFailure(s, step, error, "Error:  Unable to set up a secure connection with '" + address + "'.\n");
    return false;
}

void closeSession(SocketState& s, TlsSocketHandle::Session& t) {
    if (t.ssl && s.handle >= 0 && SSL_is_init_finished(t.ssl)) SSL_shutdown(t.ssl);  // the notice, once
    SSL_free(t.ssl);
    t.ssl = nullptr;
}

}  // namespace

TlsSocketHandle::TlsSocketHandle(const TlsTrust& trust, const ProxyServer& tunnel)
    : session_(std::make_shared<Session>()) {
    session_->trust = trust;
    session_->tunnel = tunnel;
}

TlsSocketHandle::TlsSocketHandle(std::shared_ptr<SharedSocketState> shared, std::shared_ptr<Session> session)
    : SocketHandle(std::move(shared)), session_(std::move(session)) {}

TlsSocketHandle::~TlsSocketHandle() {
    if (session_.use_count() != 1) return;
    auto s = acquire();
    std::lock_guard<std::mutex> guard(s->lock);
    closeSession(s->state, *session_);
}

std::unique_ptr<SocketHandle> TlsSocketHandle::Clone() const {
    return std::unique_ptr<SocketHandle>(new TlsSocketHandle(acquire(), session_));
}

bool TlsSocketHandle::Connect(const ByteString& address, uint16_t port, uint32_t connectionType,
                              uint32_t nonBlocking, int32_t family, int32_t type, int32_t protocol) {
    auto shared = acquire();
    std::lock_guard<std::mutex> guard(shared->lock);
    SocketState& s = shared->state;
    closeSession(s, *session_);
    if (connectionType != 0) {
        setLastSocketError(10045);
        s.errorText += "Error:  A secure socket only makes outgoing connections.\n";
        return false;
    }
    if (!connectThroughTunnel(s, session_->tunnel, address, port, family, type, protocol)) return false;
    if (!handshake(s, *session_, address)) return false;
    s.nonBlocking = nonBlocking == 1 ? 1 : 0;
    return true;
}

bool TlsSocketHandle::Disconnect() {
    auto shared = acquire();
    std::lock_guard<std::mutex> guard(shared->lock);
    closeSession(shared->state, *session_);
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

bool TlsSocketHandle::WaitReadable(uint32_t seconds, uint32_t microseconds) {
    auto shared = acquire();
    std::lock_guard<std::mutex> guard(shared->lock);
    const SocketState& s = shared->state;
    if (s.handle < 0 || (session_->ssl && SSL_pending(session_->ssl) > 0)) return true;
    const uint64_t ms = static_cast<uint64_t>(seconds) * 1000 + (microseconds + 999) / 1000;
    return pollFor(s.handle, POLLIN, ms > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(ms)) != 0;
}

bool TlsSocketHandle::Send(const ByteString& data) {
    auto shared = acquire();
    std::lock_guard<std::mutex> guard(shared->lock);
    SocketState& s = shared->state;
    SSL* ssl = session_->ssl;
    if (!ssl || s.handle < 0) {
        setLastSocketError(10057);
        s.errorText += "Error:  Unable to send data.\n";
        return false;
    }
    for (uint32_t sent = 0; sent < data.length();) {
        int result = 0, error = 0;
        const Step step = drive(s, ssl, s.nonBlocking == 0, [&] {
            return SSL_write(ssl, data.data() + sent, static_cast<int>(std::min<uint32_t>(data.length() - sent, 1u << 30)));
        }, result, error);
        if (step != Step::Done) {
            noteFailure(s, step, error, "Error:  Unable to send data.\n");
            return false;
        }
        sent += static_cast<uint32_t>(result);
    }
    return true;
}

bool TlsSocketHandle::Receive(ByteString& buffer) {
    buffer.clear();
    auto shared = acquire();
    std::lock_guard<std::mutex> guard(shared->lock);
    SocketState& s = shared->state;
    SSL* ssl = session_->ssl;
    if (!ssl || s.handle < 0) {
        setLastSocketError(10057);
        s.errorText += "Error:  Unable to receive data.\n";
        return false;
    }
    buffer.setLength(kRecordSize);
    int result = 0, error = 0;
    const Step step = drive(s, ssl, s.nonBlocking == 0, [&] { return SSL_read(ssl, buffer.data(), kRecordSize); },
                            result, error);
    buffer.setLength(step == Step::Done ? static_cast<uint32_t>(result) : 0);
    if (step == Step::Done) return true;
    if (step == Step::WouldBlock) {
        setLastSocketError(kSocketWouldBlock);
        return true;
    }
    if (step == Step::Failed && (error == SSL_ERROR_ZERO_RETURN || (error == SSL_ERROR_SYSCALL && errno == 0)))
        return false;  // the peer has closed
    noteFailure(s, step, error, "Error:  Unable to receive data.\n");
    return false;
}

}  // namespace orv

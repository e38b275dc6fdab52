#include "net/tls_socket.h"

#include <cerrno>
#include <fcntl.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>

#include "net/certificate_names.h"
#include "net/ip_address.h"
#include "net/resolve.h"
#include "net/socket_errors.h"
#include "net/socket_state.h"
#include "net/tls_session.h"
#include "support/numbers.h"

namespace orv {

using namespace detail;

struct TlsSocketHandle::Session {
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
    if (mismatch && !peerHasAltNames(ssl)) return certificateVerdict(CertificateProblem::NoAltName);
    switch (code) {
    case X509_V_ERR_CERT_HAS_EXPIRED: return certificateVerdict(CertificateProblem::Expired);
    case X509_V_ERR_CERT_NOT_YET_VALID: return certificateVerdict(CertificateProblem::NotYetValid);
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT: return certificateVerdict(CertificateProblem::SelfSigned);
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_CERT_UNTRUSTED: return certificateVerdict(CertificateProblem::UnknownAuthority);
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH: return certificateVerdict(CertificateProblem::OtherHost);
    case X509_V_ERR_CERT_REVOKED: return certificateVerdict(CertificateProblem::Revoked);
    default: return certificateVerdict(CertificateProblem::Other, X509_verify_cert_error_string(code));
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

}  // namespace

namespace detail {

std::shared_ptr<TlsSocketHandle::Session> newTlsSession() { return std::make_shared<TlsSocketHandle::Session>(); }

bool tlsHandshake(SocketState& s, TlsSocketHandle::Session& t, const TlsTrust& trust, const ByteString& address) {
    SSL_CTX* context = newContext(trust);
    t.ssl = context ? SSL_new(context) : nullptr;
    SSL_CTX_free(context);  // the connection keeps its own reference
    if (!t.ssl) {
        s.errorText += "Error:  Unable to set up a secure connection.\n";
        s.errorWithoutCode = true;
        return false;
    }
    SSL_set_fd(t.ssl, s.handle);
    ByteString host = bareHost(address);
    IpAddress literal;
    if (parseIpAddress(host, literal)) {
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


void closeTlsSession(SocketState& s, TlsSocketHandle::Session& t) {
    if (t.ssl && s.handle >= 0 && SSL_is_init_finished(t.ssl)) SSL_shutdown(t.ssl);  // the notice, once
    SSL_free(t.ssl);
    t.ssl = nullptr;
}

}  // namespace detail

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

// The secure socket on Windows' secure channel (Schannel), bound at run
// time. The channel only turns bytes into records and back: the socket
// layer's own primitives move them, so time-outs, the deadline and the
// CONNECT tunnel work as for the plain socket, and the certificate is
// judged here (schannel_verify_windows.cpp), by the Windows store.
#include "net/tls_socket.h"

#include <algorithm>
#include <cstring>

#include "net/ip_address.h"
#include "net/resolve.h"
#include "net/schannel_api.h"
#include "net/socket_errors.h"
#include "net/socket_state.h"
#include "net/tls_session.h"
#include "support/system_error.h"

namespace orv {

using namespace detail;

struct TlsSocketHandle::Session {
    CredHandle credentials{};
    CtxtHandle context{};
    bool hasCredentials = false, hasContext = false, established = false;
    SecPkgContext_StreamSizes sizes{};
    ByteString incoming;  // received records not yet decrypted
    ByteString plain;     // decrypted bytes not yet handed out
    ~Session() { release(); }
    void release() {
        const schannel::Api* a = schannel::api();
        if (a && hasContext) a->sspi->DeleteSecurityContext(&context);
        if (a && hasCredentials) a->sspi->FreeCredentialsHandle(&credentials);
        hasContext = hasCredentials = established = false;
        incoming.clear();
        plain.clear();
    }
};

namespace {

constexpr uint32_t kRecordSize = 16384;
enum class Step { Done, Failed, TimedOut, WouldBlock, Closed };

// Appends what the socket has to `into`, first waiting for it when `wait`
// (within the time-out and never past the deadline).
Step readMore(SocketState& s, ByteString& into, bool wait) {
    if (wait && pollFor(s.handle, POLLIN, waitBudget(s, s.timeouts.ioMilliseconds)) == 0) {
        setLastSocketError(kSocketTimedOut);
        return Step::TimedOut;
    }
    char bytes[kRecordSize + 512];
    const long n = receiveSome(s.handle, bytes, sizeof bytes);
    if (n < 0) return lastSocketError() == kSocketWouldBlock ? Step::WouldBlock : Step::Failed;
    if (n == 0) return Step::Closed;
    into.append(bytes, static_cast<uint32_t>(n));
    return Step::Done;
}

// Sends everything, waiting for room only when the socket has none (a
// wait costs a system call of its own).
Step writeAll(SocketState& s, const char* bytes, uint32_t length) {
    for (uint32_t sent = 0; sent < length;) {
        const long n = sendSome(s.handle, bytes + sent, length - sent, false);
        if (n < 0 && lastSocketError() != kSocketWouldBlock) return Step::Failed;
        if (n > 0) sent += static_cast<uint32_t>(n);
        if (n <= 0 && pollFor(s.handle, POLLOUT, waitBudget(s, s.timeouts.ioMilliseconds)) == 0) {
            setLastSocketError(kSocketTimedOut);
            return Step::TimedOut;
        }
    }
    return Step::Done;
}

// Sends the tokens the channel produced and frees them.
Step sendTokens(const schannel::Api& a, SocketState& s, SecBuffer* buffers, unsigned count) {
    Step step = Step::Done;
    for (unsigned i = 0; i < count; ++i) {
        if (buffers[i].pvBuffer && buffers[i].cbBuffer > 0 && step == Step::Done)
            step = writeAll(s, static_cast<const char*>(buffers[i].pvBuffer), buffers[i].cbBuffer);
        if (buffers[i].pvBuffer) a.sspi->FreeContextBuffer(buffers[i].pvBuffer);
        buffers[i].pvBuffer = nullptr;
    }
    return step;
}

// The channel's reasons, worded as the secure connection's failures are.
ByteString channelReason(SECURITY_STATUS status) {
    switch (status) {
    case SEC_E_ALGORITHM_MISMATCH:
    case SEC_E_UNSUPPORTED_FUNCTION: return "no protocol version or cipher in common (TLS 1.2 or newer is required)";
    case SEC_E_ILLEGAL_MESSAGE: return "the server's answer is not a secure protocol message";
    case SEC_E_MESSAGE_ALTERED:
    case SEC_E_DECRYPT_FAILURE: return "a message was altered on its way";
    default: return systemErrorText(static_cast<uint32_t>(status));
    }
}

void protocolFailure(SocketState& s, const ByteString& line, const ByteString& reason) {
    s.errorText += line + "Error:  The secure connection failed:  " + reason + ".\n";
    s.errorWithoutCode = true;
}

// A line for a step that failed on the connection itself: its socket error
// follows; a peer that closed gets a sentence instead.
void connectionFailure(SocketState& s, Step step, const ByteString& line) {
    if (step == Step::Closed) return protocolFailure(s, line, "the server closed the connection");
    s.errorText += line;
}

bool acquireCredentials(const schannel::Api& a, TlsSocketHandle::Session& t) {
    const DWORD flags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS | SCH_USE_STRONG_CRYPTO;
    // TLS 1.2 and newer: the newer form of the request first, then the
    // older one, which cannot ask for TLS 1.3. (Wine takes the newer form
    // but ignores its protocols: the check after the handshake is what
    // holds the floor there.) (Wine takes the newer form
    // but ignores its protocols: the check after the handshake is what
    // holds the floor there.)
    TLS_PARAMETERS tls{};
    tls.grbitDisabledProtocols = SP_PROT_SSL2_CLIENT | SP_PROT_SSL3_CLIENT | SP_PROT_TLS1_0_CLIENT | SP_PROT_TLS1_1_CLIENT;
    SCH_CREDENTIALS modern{};
    modern.dwVersion = SCH_CREDENTIALS_VERSION;
    modern.dwFlags = flags;
    modern.cTlsParameters = 1;
    modern.pTlsParameters = &tls;
    char package[] = UNISP_NAME_A;
    if (a.sspi->AcquireCredentialsHandleA(nullptr, package, SECPKG_CRED_OUTBOUND, nullptr, &modern, nullptr, nullptr,
                                          &t.credentials, nullptr) != SEC_E_OK) {
        SCHANNEL_CRED older{};
        older.dwVersion = SCHANNEL_CRED_VERSION;
        older.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
        older.dwFlags = flags;
        if (a.sspi->AcquireCredentialsHandleA(nullptr, package, SECPKG_CRED_OUTBOUND, nullptr, &older, nullptr,
                                              nullptr, &t.credentials, nullptr) != SEC_E_OK)
            return false;
    }
    return t.hasCredentials = true;
}

constexpr ULONG kContextFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                                ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM | ISC_REQ_EXTENDED_ERROR |
                                ISC_REQ_MANUAL_CRED_VALIDATION;

// One step of the channel's negotiation over the bytes in t.incoming;
// what it leaves unread stays there. Its tokens are sent.
SECURITY_STATUS negotiate(const schannel::Api& a, SocketState& s, TlsSocketHandle::Session& t, char* target,
                          Step& sent) {
    SecBuffer in[2] = {{t.incoming.length(), SECBUFFER_TOKEN, t.incoming.data()}, {0, SECBUFFER_EMPTY, nullptr}};
    SecBuffer out[2] = {{0, SECBUFFER_TOKEN, nullptr}, {0, SECBUFFER_ALERT, nullptr}};
    SecBufferDesc inDesc{SECBUFFER_VERSION, 2, in}, outDesc{SECBUFFER_VERSION, 2, out};
    ULONG attributes = 0;
    const bool first = !t.hasContext;
    const SECURITY_STATUS status = a.sspi->InitializeSecurityContextA(
        &t.credentials, first ? nullptr : &t.context, target, kContextFlags, 0, 0, first ? nullptr : &inDesc, 0,
        &t.context, &outDesc, &attributes, nullptr);
    if (first && (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED)) t.hasContext = true;
    sent = sendTokens(a, s, out, 2);
    if (status != SEC_E_INCOMPLETE_MESSAGE && !first) {
        const ByteString rest = in[1].BufferType == SECBUFFER_EXTRA && in[1].cbBuffer <= t.incoming.length()
                                    ? t.incoming.Right(in[1].cbBuffer)
                                    : ByteString();
        t.incoming = rest;
    }
    return status;
}

}  // namespace

namespace detail {

std::shared_ptr<TlsSocketHandle::Session> newTlsSession() { return std::make_shared<TlsSocketHandle::Session>(); }

// The trust is the Windows store's; the environment's files are POSIX's.
bool tlsHandshake(SocketState& s, TlsSocketHandle::Session& t, const TlsTrust&, const ByteString& address) {
    const ByteString line = "Error:  Unable to set up a secure connection with '" + address + "'.\n";
    const schannel::Api* a = schannel::api();
    if (!a || !acquireCredentials(*a, t)) {
        protocolFailure(s, line, a ? "the system's secure channel refused to start"
                                   : "the system's secure channel (secur32.dll, crypt32.dll) is missing");
        return false;
    }
    ByteString host = bareHost(address);
    IpAddress literal;
    const bool byAddress = parseIpAddress(host, literal);  // an address is no server name to announce
    char* target = byAddress ? nullptr : const_cast<char*>(host.c_str());
    setNonBlockingNow(s.handle, true);  // every wait is a select
    SECURITY_STATUS status = SEC_I_CONTINUE_NEEDED;
    Step step = Step::Done;
    for (bool needInput = false;;) {
        if (needInput && (step = readMore(s, t.incoming, true)) != Step::Done) {
            connectionFailure(s, step, line);
            return false;
        }
        status = negotiate(*a, s, t, target, step);
        if (step != Step::Done) {
            connectionFailure(s, step, line);
            return false;
        }
        if (status == SEC_E_OK) break;
        if (status == SEC_I_INCOMPLETE_CREDENTIALS) {
            needInput = false;  // asked for a client certificate: go on without one
            continue;
        }
        if (status != SEC_I_CONTINUE_NEEDED && status != SEC_E_INCOMPLETE_MESSAGE) {
            protocolFailure(s, line, channelReason(status));
            return false;
        }
        needInput = status == SEC_E_INCOMPLETE_MESSAGE || t.incoming.empty();
    }
    const ByteString verdict = schannel::verifyServerCertificate(*a, t.context, host);
    if (!verdict.empty()) {
        s.errorText += "Error:  " + verdict + "\n";
        s.errorWithoutCode = true;
        return false;
    }
    SecPkgContext_ConnectionInfo info{};
    if (a->sspi->QueryContextAttributesA(&t.context, SECPKG_ATTR_CONNECTION_INFO, &info) != SEC_E_OK ||
        !(info.dwProtocol & (SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT))) {
        protocolFailure(s, line, "the server agreed only to a protocol older than TLS 1.2");
        return false;
    }
    if (a->sspi->QueryContextAttributesA(&t.context, SECPKG_ATTR_STREAM_SIZES, &t.sizes) != SEC_E_OK) {
        protocolFailure(s, line, "the system's secure channel gave no record sizes");
        return false;
    }
    t.established = true;
    return true;
}

}  // namespace detail

namespace {

enum class Decrypted { Some, NeedMore, Closed, Failed };

// Decrypts the records waiting in t.incoming into t.plain.
Decrypted decrypt(const schannel::Api& a, SocketState& s, TlsSocketHandle::Session& t, SECURITY_STATUS& status) {
    while (!t.incoming.empty()) {
        SecBuffer b[4] = {{t.incoming.length(), SECBUFFER_DATA, t.incoming.data()},
                          {0, SECBUFFER_EMPTY, nullptr}, {0, SECBUFFER_EMPTY, nullptr}, {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc desc{SECBUFFER_VERSION, 4, b};
        status = a.sspi->DecryptMessage(&t.context, &desc, 0, nullptr);
        if (status == SEC_E_INCOMPLETE_MESSAGE) return t.plain.empty() ? Decrypted::NeedMore : Decrypted::Some;
        if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE && status != SEC_I_CONTEXT_EXPIRED) return Decrypted::Failed;
        ByteString rest;
        for (const SecBuffer& buffer : b) {
            if (buffer.BufferType == SECBUFFER_DATA) t.plain.append(static_cast<const char*>(buffer.pvBuffer), buffer.cbBuffer);
            if (buffer.BufferType == SECBUFFER_EXTRA) rest = t.incoming.Right(buffer.cbBuffer);
        }
        t.incoming = rest;
        if (status == SEC_I_CONTEXT_EXPIRED) return t.plain.empty() ? Decrypted::Closed : Decrypted::Some;
        if (status == SEC_I_RENEGOTIATE) {
            // A message after the handshake (TLS 1.3 session tickets): the
            // channel takes it through its negotiation.
            Step sent = Step::Done;
            status = negotiate(a, s, t, nullptr, sent);
            if (status != SEC_E_OK || sent != Step::Done) return Decrypted::Failed;
        }
    }
    return t.plain.empty() ? Decrypted::NeedMore : Decrypted::Some;
}

// The channel of an established session, or null with `line` reported
// (WSAENOTCONN).
const schannel::Api* established(SocketState& s, const TlsSocketHandle::Session& t, const char* line) {
    const schannel::Api* a = schannel::api();
    if (a && t.established && s.handle >= 0) return a;
    setLastSocketError(10057);
    s.errorText += line;
    return nullptr;
}

// Whether t.incoming holds a whole record, which a wait for the socket
// would not see.
bool wholeRecordWaiting(const ByteString& incoming) {
    return incoming.length() >= 5 && incoming.length() >= 5u + (incoming.byteAt(3) << 8 | incoming.byteAt(4));
}

}  // namespace

namespace detail {

void closeTlsSession(SocketState& s, TlsSocketHandle::Session& t) {
    const schannel::Api* a = schannel::api();
    if (a && t.established && s.handle >= 0) {
        // The closing notice, once, without waiting for room to send it.
        DWORD kind = SCHANNEL_SHUTDOWN;
        SecBuffer token{sizeof kind, SECBUFFER_TOKEN, &kind};
        SecBufferDesc desc{SECBUFFER_VERSION, 1, &token};
        if (a->sspi->ApplyControlToken(&t.context, &desc) == SEC_E_OK) {
            SecBuffer out{0, SECBUFFER_TOKEN, nullptr};
            SecBufferDesc outDesc{SECBUFFER_VERSION, 1, &out};
            ULONG attributes = 0;
            a->sspi->InitializeSecurityContextA(&t.credentials, &t.context, nullptr, kContextFlags, 0, 0, nullptr, 0,
                                                &t.context, &outDesc, &attributes, nullptr);
            if (out.pvBuffer) {
                sendSome(s.handle, static_cast<const char*>(out.pvBuffer), out.cbBuffer, false);
                a->sspi->FreeContextBuffer(out.pvBuffer);
            }
        }
    }
    t.release();
}

}  // namespace detail

bool TlsSocketHandle::WaitReadable(uint32_t seconds, uint32_t microseconds) {
    auto shared = acquire();
    std::lock_guard<std::mutex> guard(shared->lock);
    const SocketState& s = shared->state;
    if (s.handle < 0 || !session_->plain.empty() || wholeRecordWaiting(session_->incoming)) return true;
    const uint64_t ms = static_cast<uint64_t>(seconds) * 1000 + (microseconds + 999) / 1000;
    return pollFor(s.handle, POLLIN, ms > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(ms)) != 0;
}

bool TlsSocketHandle::Send(const ByteString& data) {
    auto shared = acquire();
    std::lock_guard<std::mutex> guard(shared->lock);
    SocketState& s = shared->state;
    Session& t = *session_;
    const schannel::Api* a = established(s, t, "Error:  Unable to send data.\n");
    if (!a) return false;
    // Whole records go out, waiting for room as a blocking socket would.
    for (uint32_t done = 0; done < data.length();) {
        const uint32_t n = std::min<uint32_t>(data.length() - done, t.sizes.cbMaximumMessage);
        ByteString record(t.sizes.cbHeader + n + t.sizes.cbTrailer, '\0');
        char* p = record.data();
        std::memcpy(p + t.sizes.cbHeader, data.data() + done, n);
        SecBuffer b[4] = {{t.sizes.cbHeader, SECBUFFER_STREAM_HEADER, p}, {n, SECBUFFER_DATA, p + t.sizes.cbHeader},
                          {t.sizes.cbTrailer, SECBUFFER_STREAM_TRAILER, p + t.sizes.cbHeader + n},
                          {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc desc{SECBUFFER_VERSION, 4, b};
        const SECURITY_STATUS status = a->sspi->EncryptMessage(&t.context, 0, &desc, 0);
        if (status != SEC_E_OK) {
            protocolFailure(s, "Error:  Unable to send data.\n", channelReason(status));
            return false;
        }
        const Step step = writeAll(s, p, b[0].cbBuffer + b[1].cbBuffer + b[2].cbBuffer);
        if (step != Step::Done) {
            connectionFailure(s, step, "Error:  Unable to send data.\n");
            return false;
        }
        done += n;
    }
    return true;
}

bool TlsSocketHandle::Receive(ByteString& buffer) {
    buffer.clear();
    auto shared = acquire();
    std::lock_guard<std::mutex> guard(shared->lock);
    SocketState& s = shared->state;
    Session& t = *session_;
    const schannel::Api* a = established(s, t, "Error:  Unable to receive data.\n");
    if (!a) return false;
    const ByteString line = "Error:  Unable to receive data.\n";
    while (t.plain.empty()) {
        SECURITY_STATUS status = SEC_E_OK;
        const Decrypted d = decrypt(*a, s, t, status);
        if (d == Decrypted::Closed) return false;  // the peer has closed
        if (d == Decrypted::Failed) {
            protocolFailure(s, line, channelReason(status));
            return false;
        }
        if (d == Decrypted::Some) break;
        const Step step = readMore(s, t.incoming, s.nonBlocking == 0);
        if (step == Step::Closed) return false;  // closed without its notice: closed all the same
        if (step == Step::WouldBlock) return true;
        if (step != Step::Done) {
            connectionFailure(s, step, line);
            return false;
        }
    }
    const uint32_t n = std::min(t.plain.length(), kRecordSize);
    buffer = t.plain.Left(n);
    t.plain = t.plain.Mid(n);
    return true;
}

}  // namespace orv

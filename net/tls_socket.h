// The secure member of the socket family: TLS 1.2 or newer over the TCP
// connection of the plain socket, on OpenSSL (POSIX) or Schannel (Windows).
//
// The server's certificate is verified against the trusted certificates
// (POSIX: the system's, or the file and folder the environment names;
// Windows: the Windows certificate store) and must be for the host that
// was asked for (a name, also sent as SNI, or an IP address) in its
// subjectAltName; nothing turns that off. A failed verification ends Connect with
// one sentence naming the reason, without a socket error code; a time-out or
// a dropped connection reads as it does for the plain socket.
#pragma once

#include <memory>

#include "net/proxy.h"
#include "net/socket.h"

namespace orv {

// Where trusted certificates come from on POSIX; Windows trusts its store.
struct TlsTrust {
    ByteString certFile;  // empty: the system's file
    ByteString certDir;   // empty: the system's folder
};

class TlsSocketHandle : public SocketHandle {
public:
    // `tunnel`: a proxy through which the server is reached with CONNECT
    // (empty host: directly).
    explicit TlsSocketHandle(const TlsTrust& trust, const ProxyServer& tunnel = {});
    ~TlsSocketHandle() override;

    std::unique_ptr<SocketHandle> Clone() const override;
    // Connects (through the tunnel), runs the handshake and verifies the
    // certificate for `address`. Outgoing connections only.
    bool Connect(const ByteString& address, uint16_t port, uint32_t connectionType = 0, uint32_t nonBlocking = 0,
                 int32_t family = AF_UNSPEC, int32_t type = SOCK_STREAM, int32_t protocol = 0) override;
    // Sends the closing notice, then disconnects as the plain socket does.
    bool Disconnect() override;
    bool SetNonBlocking(uint32_t flag) override;
    bool Accept() override;  // fails: a secure socket does not accept connections
    bool WaitReadable(uint32_t seconds, uint32_t microseconds) override;
    bool Send(const ByteString& data) override;
    // One read of what is waiting, at most a record (16 KiB).
    bool Receive(ByteString& buffer) override;

    struct Session;

private:
    TlsSocketHandle(const TlsSocketHandle& original, std::shared_ptr<SharedSocketState> shared);
    TlsTrust trust_;
    ProxyServer tunnel_;
    std::shared_ptr<Session> session_;  // the platform's secure state, shared by clones like the connection
};

}  // namespace orv

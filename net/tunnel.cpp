#include "net/tunnel.h"

#include "net/base64.h"
#include "net/http_request.h"
#include "support/numbers.h"

namespace orv::detail {

namespace {

// Asks the proxy for a tunnel to host:port and reads its answer's head.
bool openTunnel(SocketState& s, const ProxyServer& proxy, const ByteString& host, uint16_t port) {
    const ByteString authority = host + ":" + textFromU16(port);
    ByteString request = "CONNECT " + authority + " HTTP/1.1\r\nHost: " + authority + "\r\n";
    if (!proxy.user.empty())
        request += "Proxy-Authorization: Basic " + base64Encode(proxy.user + ":" + proxy.password) + "\r\n";
    if (!sendState(s, request + "\r\n")) return false;
    ByteString head, piece;
    for (;;) {
        const uint32_t from = head.length() < 3 ? 0 : head.length() - 3;
        const uint32_t textLength = s.errorText.length();
        if (!receiveState(s, piece)) {
            if (s.errorText.length() == textLength) {
                s.errorText += "Error:  The proxy server closed the connection.\n";
                s.errorWithoutCode = true;
            }
            return false;
        }
        head.append(piece);
        if (head.find(ByteString("\r\n\r\n"), from) != ByteString::npos) break;
        if (head.length() > kMaxHttpHeaderBytes) {
            s.errorText += "Error:  The proxy server's answer is longer than 65536 bytes.\n";
            s.errorWithoutCode = true;
            return false;
        }
    }
    const ByteStringList words = split(head.Left(head.find('\r')), ' ');
    const ByteString code = words.size() > 1 ? words[1] : ByteString();
    if (code.length() == 3 && code[0] == '2') return true;
    s.errorText += "Error:  The proxy server refused the tunnel with the answer " + textFromU32(parseU32(code)) + ".\n";
    s.errorWithoutCode = true;
    return false;
}

}  // namespace

bool connectThroughTunnel(SocketState& s, const ProxyServer& proxy, const ByteString& address, uint16_t port,
                          int32_t family, int32_t type, int32_t protocol) {
    if (proxy.host.empty()) return connectState(s, address, port, 0, 0, family, type, protocol);
    const uint32_t start = s.errorText.length();
    if (connectState(s, proxy.host, proxy.port, 0, 0, family, type, protocol) && openTunnel(s, proxy, address, port))
        return true;
    s.errorText.insert(start, "Error:  Unable to open a tunnel through the proxy server '" + proxy.host +
                                  "' on port " + textFromU16(proxy.port) + ".\n");
    return false;
}

}  // namespace orv::detail

// Scripted loopback servers for the client tests, on plain sockets
// (tests/net/test_sockets.h) so that they share no code with what they test. Each listens on 127.0.0.1 (an
// ephemeral port unless one is asked for) and serves on its own thread;
// every wait is bounded.
//
// ScriptServer(pieces): answers a connection with the scripted pieces (a
// short pause between them so that each arrives on its own), then ends as
// `end` says; a piece kNextConnection moves on to the next connection.
// ScriptServer(kProxy): a proxy that serves connections until it is
// destroyed: it opens a CONNECT tunnel or forwards an absolute-form request
// to its host, and relays both ways until one side closes.
#pragma once

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "support/byte_string.h"
#include "tests/net/test_sockets.h"

namespace orv::testing {

enum class ServerEnd {
    AfterScript,  // answer, then wait for the client to close
    CloseAtOnce,  // close right after accepting, without reading
    Drip,         // answer, then send one byte every 100 ms until the client leaves
};
enum ProxyTag { kProxy };
inline const ByteString kNextConnection("\0next", 5);

class ScriptServer {
public:
    explicit ScriptServer(std::vector<ByteString> pieces, ServerEnd end = ServerEnd::AfterScript, uint16_t port = 0)
        : pieces_(std::move(pieces)), end_(end) {
        start(port);
    }
    explicit ScriptServer(ProxyTag) : proxy_(true) { start(0); }
    ~ScriptServer() { join(); }

    bool bound() const { return listener_ >= 0; }
    uint16_t port() const { return port_; }
    // Waits for the script to end (a proxy: stops serving).
    void join() {
        stop_ = proxy_;
        if (thread_.joinable()) thread_.join();
        if (listener_ >= 0) close(listener_);
        listener_ = -1;
    }
    // Everything the client sent (a proxy: each request head), once served.
    ByteString received() { return join(), received_; }

private:
    void start(uint16_t port) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        int on = 1;
        setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        if (bind(listener_, reinterpret_cast<sockaddr*>(&a), len) != 0 || listen(listener_, 16) != 0) {
            close(listener_);
            listener_ = -1;
            return;
        }
        getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] {
            for (size_t next = 0; proxy_ ? !stop_ : next <= pieces_.size(); ++next) {
                const int fd = ready(listener_, proxy_ ? 50 : 5000) ? accept(listener_, nullptr, nullptr) : -1;
                if (fd >= 0 && proxy_) relay(fd);
                else if (fd >= 0) answer(fd, next);
                else if (!proxy_) return;
            }
        });
    }

    static bool ready(int fd, int ms) {
        pollfd p{fd, POLLIN, 0};
        return poll(&p, 1, ms) > 0;
    }
    static bool sendAll(int fd, std::string_view bytes) {
        return send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == long(bytes.size());
    }
    // Reads into `into` until the end of a request head, or all that comes
    // until the peer leaves; false when it left first.
    static bool read(int fd, ByteString& into, bool head = true) {
        char buf[16384];
        long n = 1;
        while ((!head || into.find(ByteString("\r\n\r\n")) == ByteString::npos) && ready(fd, 5000) &&
               (n = recv(fd, buf, sizeof buf, 0)) > 0)
            into.append(buf, static_cast<uint32_t>(n));
        return n > 0;
    }

    void answer(int fd, size_t& next) {
        const bool asked = end_ != ServerEnd::CloseAtOnce && read(fd, received_);
        for (size_t first = next; next < pieces_.size() && pieces_[next] != kNextConnection; ++next) {
            if (asked && next > first) std::this_thread::sleep_for(std::chrono::milliseconds(30));
            if (asked) sendAll(fd, pieces_[next].view());
        }
        for (int i = 0; asked && end_ == ServerEnd::Drip && i < 150 && sendAll(fd, "a"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (asked) read(fd, received_, false);
        close(fd);
    }

    // One proxied connection to the CONNECT authority or the host of the
    // absolute-form request line.
    void relay(int client) {
        ByteString head;
        const bool tunnel = read(client, head) && head.Left(8) == "CONNECT ";
        received_ += head;
        const uint32_t from = tunnel ? 8 : head.find(ByteString("://")) + 3;
        const ByteString authority = head.Mid(from, head.find(tunnel ? ' ' : '/', from) - from);
        const uint32_t colon = static_cast<uint32_t>(authority.view().rfind(':'));
        ByteString host = authority.Left(colon);
        if (host.length() > 1 && host[0] == '[') host = host.Mid(1, host.length() - 2);
        addrinfo hints{}, *found = nullptr;
        hints.ai_socktype = SOCK_STREAM;
        const bool known = lookUpName(host.c_str(), authority.Mid(colon + 1).c_str(), &hints, &found) == 0;
        const int target = known ? socket(found->ai_family, SOCK_STREAM, 0) : -1;
        const bool connected = target >= 0 && connect(target, found->ai_addr, found->ai_addrlen) == 0;
        if (found) freeNames(found);
        if (!connected) sendAll(client, "HTTP/1.1 502 Bad Gateway\r\n\r\n");
        else if (tunnel ? sendAll(client, "HTTP/1.1 200 Connection established\r\n\r\n") : sendAll(target, head.view())) {
            pollfd both[2] = {{client, POLLIN, 0}, {target, POLLIN, 0}};
            char buf[16384];
            for (long n = 1; n > 0 && poll(both, 2, 5000) > 0;) {
                const int side = both[0].revents != 0 ? 0 : 1;
                n = recv(both[side].fd, buf, sizeof buf, 0);
                if (n > 0 && !sendAll(both[1 - side].fd, std::string_view(buf, size_t(n)))) n = 0;
            }
        }
        close(target);
        close(client);
    }

    std::vector<ByteString> pieces_;
    ServerEnd end_ = ServerEnd::AfterScript;
    bool proxy_ = false;
    std::atomic<bool> stop_{false};
    int listener_ = -1;
    uint16_t port_ = 0;
    ByteString received_;
    std::thread thread_;
};

}  // namespace orv::testing

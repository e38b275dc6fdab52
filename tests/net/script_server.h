// Scripted loopback servers for the client tests, on plain POSIX sockets so
// that they share no code with what they test. Each listens on 127.0.0.1 (an
// ephemeral port unless one is asked for) and serves on its own thread;
// every wait is bounded.
//
// ScriptServer(pieces): answers one connection with the scripted pieces (a
// short pause between them so that each arrives on its own), then ends as
// `end` says. ScriptServer(kProxy): a proxy that serves connections until it
// is destroyed: it opens a CONNECT tunnel or forwards an absolute-form
// request to its host, and relays both ways until one side closes.
#pragma once

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "support/byte_string.h"

namespace orv::testing {

enum class ServerEnd {
    AfterScript,     // answer, then wait for the client to close
    CloseAtOnce,     // close right after accepting, without reading
    EndlessHeaders,  // answer, then stream header lines until the client leaves
    Drip,            // answer, then send one byte every 100 ms until the client leaves
};
enum ProxyTag { kProxy };

class ScriptServer {
public:
    explicit ScriptServer(std::vector<ByteString> pieces, ServerEnd end = ServerEnd::AfterScript, uint16_t port = 0)
        : pieces_(std::move(pieces)), end_(end) {
        start(port, [this] { serveScript(); });
    }
    explicit ScriptServer(ProxyTag) : proxy_(true) {
        start(0, [this] {
            while (!stop_) relay();
        });
    }
    ~ScriptServer() { join(); }

    bool bound() const { return listener_ >= 0; }
    uint16_t port() const { return port_; }
    // Stops serving (a proxy) or waits for the script to end.
    void join() {
        if (proxy_) stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (listener_ >= 0) ::close(listener_);
        listener_ = -1;
    }
    // Everything the client sent (a proxy: each request head), once served.
    ByteString received() { return join(), received_; }

private:
    template <class Serve>
    void start(uint16_t port, Serve serve) {
        sockaddr_in a{AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
        socklen_t len = sizeof a;
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        int on = 1;
        ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&a), len) != 0 || ::listen(listener_, 16) != 0) {
            ::close(listener_);
            listener_ = -1;
            return;
        }
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread(serve);
    }

    static bool ready(int fd, int ms) {
        pollfd p{fd, POLLIN, 0};
        return ::poll(&p, 1, ms) > 0;
    }
    int acceptOne(int ms) { return ready(listener_, ms) ? ::accept(listener_, nullptr, nullptr) : -1; }
    static bool sendAll(int fd, std::string_view bytes) {
        return bytes.empty() || ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == ssize_t(bytes.size());
    }
    // Reads until the end of a request head; false when the peer leaves first.
    static bool readHead(int fd, ByteString& into) {
        char buf[4096];
        ssize_t n = 1;
        while (into.find(ByteString("\r\n\r\n")) == ByteString::npos && ready(fd, 5000) &&
               (n = ::recv(fd, buf, sizeof buf, 0)) > 0)
            into.append(buf, static_cast<uint32_t>(n));
        return n > 0;
    }

    void serveScript() {
        const int fd = acceptOne(5000);
        if (fd < 0) return;
        if (end_ != ServerEnd::CloseAtOnce && readHead(fd, received_)) {
            for (size_t i = 0; i < pieces_.size(); ++i) {
                if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(30));
                sendAll(fd, pieces_[i].view());
            }
            const ByteString filler = "X-Filler: " + ByteString(1000, 'a') + "\r\n";
            for (int i = 0; end_ == ServerEnd::EndlessHeaders && i < 1024 && sendAll(fd, filler.view()); ++i) {
            }
            for (int i = 0; end_ == ServerEnd::Drip && i < 150 && sendAll(fd, "a"); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            char buf[4096];
            ssize_t n;
            while (ready(fd, 5000) && (n = ::recv(fd, buf, sizeof buf, 0)) > 0) received_.append(buf, uint32_t(n));
        }
        ::close(fd);
    }

    // One proxied connection: the target is the CONNECT authority or the
    // host of the absolute-form request line.
    void relay() {
        const int client = acceptOne(50);
        if (client < 0) return;
        ByteString head;
        const bool tunnel = readHead(client, head) && head.Left(8) == "CONNECT ";
        const uint32_t from = tunnel ? 8 : head.find(ByteString("://")) + 3;
        const uint32_t end = head.find(tunnel ? ' ' : '/', from);
        ByteString authority = head.Mid(from, end == ByteString::npos ? 0 : end - from);
        received_ += head;
        const uint32_t colon = authority.find(':', authority.find(']') == ByteString::npos ? 0 : authority.find(']'));
        ByteString host = authority.Left(colon);
        if (host.length() > 1 && host[0] == '[') host = host.Mid(1, host.length() - 2);
        sockaddr_in6 a6{};
        sockaddr_in a4{};
        a4.sin_family = AF_INET;
        a6.sin6_family = AF_INET6;
        a4.sin_port = a6.sin6_port = htons(static_cast<uint16_t>(std::atoi(authority.Mid(colon + 1).c_str())));
        const bool v6 = ::inet_pton(AF_INET6, host.c_str(), &a6.sin6_addr) == 1;
        const bool v4 = ::inet_pton(AF_INET, host.c_str(), &a4.sin_addr) == 1;
        const int target = ::socket(v6 ? AF_INET6 : AF_INET, SOCK_STREAM, 0);
        const bool connected = (v4 || v6) && ::connect(target, v6 ? reinterpret_cast<sockaddr*>(&a6) : reinterpret_cast<sockaddr*>(&a4),
                                                        v6 ? sizeof a6 : sizeof a4) == 0;
        if (connected && (tunnel ? sendAll(client, "HTTP/1.1 200 Connection established\r\n\r\n") : sendAll(target, head.view()))) {
            pollfd both[2] = {{client, POLLIN, 0}, {target, POLLIN, 0}};
            char buf[16384];
            for (ssize_t n = 1; n > 0 && ::poll(both, 2, 5000) > 0;) {
                const int side = both[0].revents != 0 ? 0 : 1;
                n = ::recv(both[side].fd, buf, sizeof buf, 0);
                if (n > 0 && !sendAll(both[1 - side].fd, std::string_view(buf, size_t(n)))) n = 0;
            }
        } else if (!connected) {
            sendAll(client, "HTTP/1.1 502 Bad Gateway\r\n\r\n");
        }
        ::close(target);
        ::close(client);
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

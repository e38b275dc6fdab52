// A scripted one-connection HTTP server for the client tests, built on the
// socket layer's own server side. It listens on 127.0.0.1 (an ephemeral
// port), accepts one connection, reads the request head, answers with the
// scripted pieces (a short pause between them so that each arrives on its
// own), and then waits for the client to close. Every wait is bounded.
#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "net/socket.h"
#include "support/byte_string.h"

namespace orv::testing {

enum class ServerEnd {
    AfterScript,    // answer, then wait for the client to close
    CloseAtOnce,    // close right after accepting, without reading
    EndlessHeaders, // answer, then stream header lines until the client leaves
};

class ScriptServer {
public:
    explicit ScriptServer(std::vector<ByteString> pieces, ServerEnd end = ServerEnd::AfterScript,
                          uint16_t port = 0)
        : pieces_(std::move(pieces)), end_(end) {
        listener_.SetTimeouts({2000, 5000});
        bound_ = listener_.Connect("127.0.0.1", port, 1) && listener_.Listen();
        port_ = listener_.LocalPort();
        if (bound_) thread_ = std::thread([this] { run(); });
    }
    ~ScriptServer() {
        if (thread_.joinable()) thread_.join();
    }
    ScriptServer(const ScriptServer&) = delete;
    ScriptServer& operator=(const ScriptServer&) = delete;

    bool bound() const { return bound_; }
    uint16_t port() const { return port_; }
    // Everything the client sent; complete once the server has finished.
    ByteString received() {
        if (thread_.joinable()) thread_.join();
        return received_;
    }
    bool accepted() {
        if (thread_.joinable()) thread_.join();
        return accepted_;
    }

private:
    void run() {
        if (!listener_.WaitReadable(5, 0)) return;
        std::unique_ptr<SocketHandle> peer = listener_.Clone();
        if (!peer->Accept()) return;
        accepted_ = true;
        peer->SetTimeouts({2000, 5000});
        if (end_ == ServerEnd::CloseAtOnce) {
            peer->SetWaitTime(0, 0);
            return;  // the last handle closes it at once
        }
        readRequestHead(*peer);
        for (size_t i = 0; i < pieces_.size(); ++i) {
            if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(30));
            peer->Send(pieces_[i]);
        }
        if (end_ == ServerEnd::EndlessHeaders) streamHeaders(*peer);
        drainUntilClosed(*peer);
    }

    void readRequestHead(SocketHandle& peer) {
        ByteString piece;
        while (received_.find(ByteString("\r\n\r\n")) == ByteString::npos && received_.length() < 1000000) {
            if (!peer.Receive(piece)) return;
            received_.append(piece);
        }
    }

    static void streamHeaders(SocketHandle& peer) {
        const ByteString line = "X-Filler: " + ByteString(1000, 'a') + "\r\n";
        for (int i = 0; i < 1024 && peer.Send(line); ++i) {
        }
    }

    void drainUntilClosed(SocketHandle& peer) {
        ByteString piece;
        for (int i = 0; i < 100000 && peer.Receive(piece); ++i) received_.append(piece);
    }

    std::vector<ByteString> pieces_;
    ServerEnd end_;
    SocketHandle listener_;
    bool bound_ = false;
    uint16_t port_ = 0;
    bool accepted_ = false;
    ByteString received_;
    std::thread thread_;
};

}  // namespace orv::testing

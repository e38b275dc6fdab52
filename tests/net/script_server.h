// A scripted one-connection HTTP server for the client tests, built on the
// socket layer's own server side. It listens on 127.0.0.1 (an ephemeral
// port), accepts one connection, reads the request head, answers with the
// scripted pieces (a short pause between them so that each arrives on its
// own), and then waits for the client to close. Every wait is bounded.
#pragma once

#include <chrono>
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
    ~ScriptServer() { join(); }

    bool bound() const { return bound_; }
    uint16_t port() const { return port_; }
    // Waits for the server to finish.
    void join() {
        if (thread_.joinable()) thread_.join();
    }
    // Everything the client sent, once the server has finished.
    ByteString received() { return join(), received_; }

private:

    void run() {
        if (!listener_.WaitReadable(5, 0)) return;
        std::unique_ptr<SocketHandle> peer = listener_.Clone();
        if (!peer->Accept()) return;
        peer->SetTimeouts({2000, 5000});
        if (end_ == ServerEnd::CloseAtOnce) {
            peer->SetWaitTime(0, 0);
            return;  // the last handle closes it at once
        }
        ByteString piece;
        while (received_.find(ByteString("\r\n\r\n")) == ByteString::npos && peer->Receive(piece))
            received_.append(piece);
        for (size_t i = 0; i < pieces_.size(); ++i) {
            if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(30));
            peer->Send(pieces_[i]);
        }
        const ByteString filler = "X-Filler: " + ByteString(1000, 'a') + "\r\n";
        for (int i = 0; end_ == ServerEnd::EndlessHeaders && i < 1024 && peer->Send(filler); ++i) {
        }
        for (int i = 0; i < 100000 && peer->Receive(piece); ++i) received_.append(piece);
    }

    std::vector<ByteString> pieces_;
    ServerEnd end_;
    SocketHandle listener_;
    bool bound_ = false;
    uint16_t port_ = 0;
    ByteString received_;
    std::thread thread_;
};

}  // namespace orv::testing

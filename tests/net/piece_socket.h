// A stand-in connection for the HTTP client: serves fixed bytes in pieces
// whose sizes a seeded generator draws between 1 and `largest`, then reports
// that the peer has closed. Clones share the feed.
#pragma once

#include <memory>
#include <string_view>

#include "net/socket.h"

namespace orv::testing {

struct PieceFeed {
    std::string_view bytes;
    uint32_t largest = 1;
    uint32_t random = 1;
    size_t at = 0;
    bool connected = false;
};

class PieceSocket : public SocketHandle {
public:
    explicit PieceSocket(std::shared_ptr<PieceFeed> feed) : feed_(std::move(feed)) {}
    std::unique_ptr<SocketHandle> Clone() const override { return std::make_unique<PieceSocket>(feed_); }
    bool Connect(const ByteString&, uint16_t, uint32_t, uint32_t, int32_t, int32_t, int32_t) override {
        return feed_->connected = true;
    }
    bool Disconnect() override { return !(feed_->connected = false); }
    bool IsConnected() override { return feed_->connected; }
    uint32_t GetConnectionType() override { return 0; }
    bool Send(const ByteString&) override { return feed_->connected; }
    bool Receive(ByteString& buffer) override {
        PieceFeed& f = *feed_;
        buffer.clear();
        if (!f.connected || f.at >= f.bytes.size()) return false;
        f.random = f.random * 1664525u + 1013904223u;
        const size_t n = std::min<size_t>(1 + f.random % f.largest, f.bytes.size() - f.at);
        buffer.append(f.bytes.data() + f.at, static_cast<uint32_t>(n));
        f.at += n;
        return true;
    }
    ByteString TakeErrorText() override { return {}; }

private:
    std::shared_ptr<PieceFeed> feed_;
};

}  // namespace orv::testing

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
    uint32_t largest = 1, random = 1;
    size_t at = 0;
    bool connected = false;
};

class PieceSocket : public SocketHandle {
public:
    explicit PieceSocket(std::shared_ptr<PieceFeed> feed) : f_(std::move(feed)) {}
    std::unique_ptr<SocketHandle> Clone() const override { return std::make_unique<PieceSocket>(f_); }
    bool Connect(const ByteString&, uint16_t, uint32_t, uint32_t, int32_t, int32_t, int32_t) override {
        return f_->connected = true;
    }
    bool Disconnect() override { return !(f_->connected = false); }
    bool IsConnected() override { return f_->connected; }
    bool Send(const ByteString&) override { return f_->connected; }
    bool Receive(ByteString& buffer) override {
        buffer.clear();
        if (!f_->connected || f_->at >= f_->bytes.size()) return false;
        f_->random = f_->random * 1664525u + 1013904223u;
        const size_t n = std::min<size_t>(1 + f_->random % f_->largest, f_->bytes.size() - f_->at);
        buffer.append(f_->bytes.data() + f_->at, static_cast<uint32_t>(n));
        return f_->at += n;
    }

private:
    std::shared_ptr<PieceFeed> f_;
};

}  // namespace orv::testing

// Response parsing of the HTTP client: status line and header lines served
// from the input in pieces through a stand-in socket.
//
// Input: byte 0 picks the request type (GET, POST or HEAD), byte 1 seeds the
// piece sizes; the rest is what the "server" sends.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "net/http_request.h"

namespace {

using orv::ByteString;

struct Feed {
    std::vector<ByteString> pieces;
    size_t next = 0;
    bool connected = false;
};

// Serves the pieces one per Receive, then reports a closed connection.
class ScriptedSocket : public orv::SocketHandle {
public:
    explicit ScriptedSocket(std::shared_ptr<Feed> feed) : feed_(std::move(feed)) {}
    std::unique_ptr<orv::SocketHandle> Clone() const override { return std::make_unique<ScriptedSocket>(feed_); }
    bool Connect(const ByteString&, uint16_t, uint32_t, uint32_t, int32_t, int32_t, int32_t) override {
        feed_->connected = true;
        return true;
    }
    bool Disconnect() override {
        feed_->connected = false;
        return true;
    }
    bool IsConnected() override { return feed_->connected; }
    uint32_t GetConnectionType() override { return 0; }
    bool Send(const ByteString&) override { return feed_->connected; }
    bool Receive(ByteString& buffer) override {
        buffer.clear();
        if (!feed_->connected || feed_->next >= feed_->pieces.size()) return false;
        buffer = feed_->pieces[feed_->next++];
        return true;
    }
    ByteString TakeErrorText() override { return {}; }

private:
    std::shared_ptr<Feed> feed_;
};

std::vector<ByteString> cutIntoPieces(const uint8_t* data, size_t size, uint8_t seed) {
    std::vector<ByteString> pieces;
    uint32_t state = seed * 2654435761u + 1;
    size_t at = 0;
    while (at < size) {
        state = state * 1664525u + 1013904223u;
        size_t n = 1 + (state >> 24) % (seed % 2 ? 7 : 300);
        if (n > size - at) n = size - at;
        pieces.emplace_back(reinterpret_cast<const char*>(data + at), static_cast<uint32_t>(n));
        at += n;
    }
    return pieces;
}

void check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2 || size > 4 * 1024 * 1024) return 0;
    auto feed = std::make_shared<Feed>();
    feed->pieces = cutIntoPieces(data + 2, size - 2, data[1]);
    const uint32_t type = data[0] % 3;

    orv::HttpRequest request;
    ScriptedSocket socket(feed);
    check(request.Attach(socket) && request.SetServer("fuzz.example", 80, "user", "secret", 0));
    check(request.SendRequest(type, "/file", "", "") && request.SendHeader("Host", "fuzz.example"));
    check(request.FinaliseHeaders() && request.FinaliseRequest());

    ByteString version, code, reason;
    if (!request.ReceiveStatus(version, code, reason)) {
        check(request.state() == 4);
        return 0;
    }
    check(request.state() == 5);  // a status line that starts with a blank has no version
    orv::ByteStringList lines;
    const bool ok = request.ReceiveHeaders(lines);
    uint64_t total = 0;
    for (const ByteString& line : lines) {
        check(!line.empty() && line.find('\r') == ByteString::npos && line.find('\n') == ByteString::npos);
        total += line.length();
    }
    check(total <= orv::kMaxHttpHeaderBytes);
    if (ok) {
        check(request.state() == (type == orv::kHttpHead ? 0u : 6u));
        check(!request.contentLength().isNegative() || type != orv::kHttpHead);
        check(request.remainingLength() == request.contentLength());
    } else {
        check(request.state() == 5);
    }
    return 0;
}

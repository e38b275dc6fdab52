// Response parsing of the HTTP client: status line, header lines and the
// body (by length, chunked or up to the close) served from the input
// through a stand-in socket, once as a whole and once in pieces of up to
// the socket layer's largest read. Both must end alike.
//
// Input: byte 0 picks the request type (GET, POST or HEAD) and the head's
// byte limit (the real one or a small one, so that short inputs reach it),
// byte 1 the piece sizes; the rest is what the "server" sends.
#include <cstdint>
#include <cstdlib>
#include <iterator>

#include "net/http_request.h"
#include "tests/net/piece_socket.h"

namespace {

using orv::ByteString;

struct Outcome {
    bool status = false, headers = false, body = false;
    std::string bytes;
    uint32_t state = 0;
    ByteString version, code, reason, error;
    orv::ByteStringList lines;
    orv::Decimal length;
    bool operator==(const Outcome&) const = default;
};

void check(bool condition) {
    if (!condition) std::abort();
}

Outcome exchange(uint32_t type, uint32_t limit, std::string_view bytes, uint32_t largest, uint32_t seed) {
    auto feed = std::make_shared<orv::testing::PieceFeed>(orv::testing::PieceFeed{bytes, largest, seed});
    orv::HttpRequest request(limit);
    orv::testing::PieceSocket socket(feed);
    check(request.Attach(socket) && request.SetServer("fuzz.example", 80, "user", "secret", 0));
    check(request.SendRequest(type, "/file", "", "") && request.SendHeader("Host", "fuzz.example"));
    check(request.FinaliseHeaders() && request.FinaliseRequest());
    Outcome o;
    o.status = request.ReceiveStatus(o.version, o.code, o.reason);
    o.headers = o.status && request.ReceiveHeaders(o.lines);
    if (o.headers && type != orv::kHttpHead) {
        o.body = request.ReceiveBody([&](std::string_view piece) {
            o.bytes += piece;
            return true;
        });
        check(request.state() == 0);
    }
    o.state = request.state();
    o.error = request.TakeErrorText();
    o.length = request.contentLength();
    check(request.remainingLength() == (o.headers ? o.length : orv::Decimal()));
    return o;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2 || size > 4 * 1024 * 1024) return 0;
    static const uint32_t kLargest[] = {7, 300, 4096, 65536, 1024 * 1024};
    static const uint32_t kLimits[] = {orv::kMaxHttpHeaderBytes, 64, 1000, 4096};
    const uint32_t type = data[0] % 3, limit = kLimits[data[0] / 3 % std::size(kLimits)];
    const std::string_view bytes(reinterpret_cast<const char*>(data + 2), size - 2);
    const Outcome whole = exchange(type, limit, bytes, 0xFFFFFFFFu, 1);
    check(exchange(type, limit, bytes, kLargest[data[1] % std::size(kLargest)], data[1]) == whole);

    const uint32_t expected = !whole.status ? 4 : !whole.headers ? 5 : 0;
    check(whole.state == expected);
    uint64_t total = 0;
    for (const ByteString& line : whole.lines)
        check(!line.empty() && line.find('\r') == ByteString::npos && line.find('\n') == ByteString::npos &&
              (total += line.length()) <= limit);
    check(!whole.headers || type != orv::kHttpHead || whole.length.isZero());
    check(whole.bytes.size() <= bytes.size());
    return 0;
}

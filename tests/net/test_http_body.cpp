// Reading an answer's body: each framing, served whole and in pieces of a
// few bytes, and the answers a hostile or broken server gives.
#include <gtest/gtest.h>

#include "net/http_request.h"
#include "tests/net/piece_socket.h"

namespace orv {
namespace {

struct Body {
    bool ok = false;
    std::string bytes, error;
};

// The body of `answer` (status line, headers and what follows) as the
// client reads it from a connection that delivers at most `largest` bytes
// a read, stopping once `stopAfter` bytes have arrived.
Body read(std::string_view answer, uint32_t largest, size_t stopAfter = SIZE_MAX) {
    auto feed = std::make_shared<testing::PieceFeed>(testing::PieceFeed{answer, largest, 3});
    testing::PieceSocket socket(feed);
    HttpRequest request;
    ByteString version, code, reason;
    ByteStringList lines;
    Body b;
    if (!request.Attach(socket) || !request.SetServer("h", 80, "", "", 0) || !request.SendRequest(kHttpGet, "/", "", "") ||
        !request.FinaliseHeaders() || !request.FinaliseRequest() || !request.ReceiveStatus(version, code, reason) ||
        !request.ReceiveHeaders(lines))
        return b;
    b.ok = request.ReceiveBody([&](std::string_view piece) {
        b.bytes += piece;
        return b.bytes.size() < stopAfter;
    });
    b.error = request.TakeErrorText().toStdString();
    EXPECT_EQ(request.state(), 0u);
    return b;
}

TEST(HttpBody, EachFramingWholeAndInPieces) {
    const std::string ok = "HTTP/1.1 200 OK\r\n";
    const struct {
        std::string answer;
        const char* body;
    } cases[] = {
        {ok + "Content-Length:7\r\n\r\nabcdefgTRAILING", "abcdefg"},  // no blank after the colon; extra bytes ignored
        {ok + "Content-Length: 0\r\n\r\n", ""},
        {ok + "Transfer-Encoding: chunked\r\nContent-Length: 99\r\n\r\n3;ext=1\r\nabc\r\n00A \r\n0123456789\r\n0\r\nX-T: 1\r\n\r\n",
         "abc0123456789"},
        {ok + "Transfer-Encoding: chunked\r\n\r\n2\nxy\n0\n", "xy"},  // bare line feeds, no final empty line
        {ok + "Connection: close\r\n\r\nuntil the end", "until the end"},
    };
    for (const auto& c : cases) {
        for (uint32_t largest : {1u, 3u, 4096u}) {
            const Body b = read(c.answer, largest);
            EXPECT_TRUE(b.ok) << c.answer << " in pieces of " << largest << ": " << b.error;
            EXPECT_EQ(b.bytes, c.body) << c.answer;
        }
    }
}

TEST(HttpBody, BrokenAnswersFailWithTheReason) {
    const std::string ok = "HTTP/1.1 200 OK\r\n", chunked = ok + "Transfer-Encoding: chunked\r\n\r\n";
    const struct {
        std::string answer;
        const char* error;
    } cases[] = {
        {ok + "Content-Length: 10\r\n\r\nshort", "closed after 5 of the 10 bytes"},
        {ok + "Content-Length: 10\r\nContent-Length: 11\r\n\r\n", "not one number"},
        {ok + "Content-Length: 1e3\r\n\r\n", "not one number"},
        {chunked + "zz\r\n", "does not start with its size"},
        {chunked + "10000000000000000\r\n", "does not start with its size"},  // past 64 bits
        {chunked + "3\r\nabcdef\r\n", "longer than its size says"},
        {chunked + "5\r\nab", "closed before its end"},
        {chunked + std::string(5000, '1'), "longer than 4096 bytes"},
        {chunked + "0\r\n" + [] { std::string t; for (int i = 0; i < 20; ++i) t += std::string(4000, 'x') + "\r\n"; return t; }(),
         "trailer is too long"},
    };
    for (const auto& c : cases) {
        const Body b = read(c.answer, 100);
        EXPECT_FALSE(b.ok) << c.answer.substr(0, 80);
        EXPECT_NE(b.error.find(c.error), std::string::npos) << c.answer.substr(0, 80) << " gave " << b.error;
    }
}

TEST(HttpBody, TheSinkStopsTheReadingWithoutAMessage) {
    const Body b = read("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n" + std::string(100, 'a'), 10, 25);
    EXPECT_FALSE(b.ok);
    EXPECT_GE(b.bytes.size(), 25u);
    EXPECT_LT(b.bytes.size(), 100u);
    EXPECT_EQ(b.error, "");
}

}  // namespace
}  // namespace orv

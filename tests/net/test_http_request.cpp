// The HTTP client against scripted servers on the loopback interface.
#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include "net/http_request.h"
#include "tests/net/piece_socket.h"
#include "tests/net/script_server.h"

namespace orv {
namespace {

using namespace testing;  // the scripted servers

// Sends a request to the server on `port`: the status line's parts and the
// header lines that came back, or nothing when a step failed.
ByteStringList exchange(HttpRequest& request, uint16_t port, uint32_t type = kHttpGet,
                        const SocketHandle& socket = SocketHandle()) {
    ByteString version, code, reason;
    ByteStringList lines;
    if (!request.Attach(socket) || !request.SetServer("127.0.0.1", port, "", "", 0) ||
        !request.SendRequest(type, "/file.bin", "", "") || !request.FinaliseHeaders() ||
        !request.FinaliseRequest() || !request.ReceiveStatus(version, code, reason) || !request.ReceiveHeaders(lines))
        return {};
    lines.insert(lines.begin(), {version, code, reason});
    return lines;
}

// A stand-in connection that serves `bytes` in pieces of 1 to `largest` bytes.
testing::PieceSocket pieces(std::string_view bytes, uint32_t largest) {
    return testing::PieceSocket(std::make_shared<testing::PieceFeed>(testing::PieceFeed{bytes, largest, 7}));
}

// Servers are declared before requests: a request, destroyed first, closes
// the connection its server waits on.

TEST(HttpRequest, StatusAndHeadersArriveInPieces) {
    // Empty lines come before the status line; a CR at the end of a piece
    // must wait for the LF of the next one.
    ScriptServer server({"\r\n\r\nHT", "TP/1.1  404   Not  Found \r", "\nConnection: close\r", "\n\r\n"});
    HttpRequest request;
    const ByteStringList expected{"HTTP/1.1", "404", "Not  Found ", "Connection: close"};
    EXPECT_EQ(exchange(request, server.port()), expected) << request.TakeErrorText().toStdString();
    EXPECT_TRUE(request.closeAfterResponse());
    EXPECT_EQ(request.state(), 6u);
}

TEST(HttpRequest, WhatTheHeadersOfEachRequestTypeSet) {
    const struct {
        uint32_t type;
        std::string_view answer;
        uint32_t length, state;
        bool chunked, close;
    } cases[] = {  // the first Content-Length in any letter case counts; chunked and HEAD answers have none
        {kHttpGet, "HTTP/1.1 200 OK\r\ncontent-LENGTH:    10\r\nContent-Length: 99\r\n\r\nbody", 10, 6, false, false},
        {kHttpGet, "HTTP/1.1 200 OK\r\nContent-Length: 5\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n", 0, 6,
         true, true},
        {kHttpHead, "HTTP/1.1 200 OK\r\nContent-Length: 10\r\nConnection: close\r\n\r\n", 0, 0, false, false},
    };
    for (const auto& c : cases) {
        HttpRequest request;
        EXPECT_FALSE(exchange(request, 80, c.type, pieces(c.answer, 5)).empty()) << request.TakeErrorText().toStdString();
        EXPECT_EQ(request.contentLength(), Decimal(c.length));
        EXPECT_EQ(request.remainingLength(), request.contentLength());
        EXPECT_EQ(request.state(), c.state);
        EXPECT_EQ(request.chunked(), c.chunked);
        EXPECT_EQ(request.closeAfterResponse(), c.close);
    }
}

TEST(HttpRequest, HeadLimitIsHitAtTheSameByteWhateverThePieces) {
    for (uint32_t extra : {0u, 1u}) {
        std::string head = "\r\nHTTP/1.1 200 OK\r\nX: ";
        head.append(kMaxHttpHeaderBytes + extra - head.size() - 4, 'b');
        head += "\r\n\r\nbody";
        for (uint32_t largest : {1u, 7u, 4096u, 1u << 20}) {
            HttpRequest request;
            const ByteStringList lines = exchange(request, 80, kHttpGet, pieces(head, largest));
            EXPECT_EQ(lines.size(), extra == 0 ? 4u : 0u) << largest;
            EXPECT_EQ(request.TakeErrorText(),
                      extra == 0 ? "" : "Error:  The HTTP response headers are longer than 65536 bytes.\n");
        }
    }
}

TEST(HttpRequest, CallsInTheWrongStateFailWithTheirMessage) {
    HttpRequest request;
    const testing::PieceSocket socket = pieces("HTTP/1.1 200 OK\r\n\r\n", 99);
    ByteString v, c, r;
    // Each call in turn, and the error it adds (none for a call that succeeds).
    const std::pair<std::function<bool()>, const char*> steps[] = {
        {[&] { return request.Reset(); }, "Socket structure not attached."},
        {[&] { return request.FinaliseHeaders(); }, "Socket structure not attached."},
        {[&] { return request.SendRequest(kHttpHead, "/", "", ""); }, "Socket structure not attached."},
        {[&] { return request.Attach(socket); }, nullptr},
        {[&] { return request.SendRequest(kHttpHead, "/", "", ""); }, "Server name not defined."},
        {[&] { return request.SetServer("h", 80, "", "", 0); }, nullptr},
        {[&] { return request.SendRequest(7, "/", "", ""); },
         "Unrecognized request type.  'GET', 'POST', and 'HEAD' are supported."},
        // Still connected: this request goes over the same connection.
        {[&] { return request.SendRequest(kHttpGet, "/", "", ""); }, nullptr},
        {[&] { return request.FinaliseRequest(); },
         "Unable to finalize the request.  Headers have not been finalized."},
        {[&] { return request.ReceiveStatus(v, c, r); },
         "Unable to receive the response.  Response already received or request has not been finalized."},
        {[&] { return request.FinaliseHeaders(); }, nullptr},
        {[&] { return request.SendHeader("X-Late", "1"); },
         "Unable to send the header.  Headers have already been finalized."},
        {[&] { return request.FinaliseRequest(); }, nullptr},
        {[&] { return request.ReceiveStatus(v, c, r); }, nullptr},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        const char* error = steps[i].second;
        EXPECT_EQ(steps[i].first(), error == nullptr) << "step " << i;
        const ByteString expected = error ? "Error:  " + ByteString(error) + "\n" : ByteString();
        EXPECT_EQ(request.TakeErrorText(), expected) << "step " << i;
    }
}

TEST(HttpRequest, PeerClosingEarlyFailsWithoutEndingTheProgram) {
    ScriptServer server({}, ServerEnd::CloseAtOnce);
    HttpRequest request;
    SocketHandle socket;
    ASSERT_TRUE(request.Attach(socket) && request.SetServer("127.0.0.1", server.port(), "", "", 0) &&
                request.SendRequest(kHttpGet, "/", "", ""));
    server.join();  // the server has accepted the connection and closed it again
    // Writing to the closed connection fails (reset) instead of raising a signal.
    bool failed = false;
    for (int i = 0; i < 64 && !failed; ++i) failed = !request.SendHeader("X-Big", ByteString(65536, 'x'));
    EXPECT_TRUE(failed && request.state() == 2u);
    EXPECT_NE(request.TakeErrorText().find(ByteString("Error:  Unable to send the header 'X-Big'.\n")),
              ByteString::npos);
}

}  // namespace
}  // namespace orv

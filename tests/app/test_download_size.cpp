// The "Determine Automatically..." exchange against scripted loopback servers.
#include <gtest/gtest.h>

#include <chrono>

#include "app/download_size.h"
#include "net/socket.h"
#include "net/socket_errors.h"
#include "support/numbers.h"
#include "tests/net/script_server.h"

namespace orv {
namespace {

using testing::ScriptServer;
using testing::ServerEnd;

ByteString local(uint16_t port, const char* path) {
    return "http://127.0.0.1:" + textFromU16(port) + path;
}

TEST(DownloadSize, LocationsThatAreNotHttpUrls) {
    DownloadSizeResult r = determineDownloadSize("www.example.com/setup.exe");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "The location field does not contain a valid URL.\nMake sure the 'Test' link works.");
    EXPECT_EQ(determineDownloadSize("hTTps://www.example.com/setup.exe").message,
              "The protocol is not HTTP.  This program does not support the HTTPS protocol.");
}

TEST(DownloadSize, ExactRequestForAHostWithoutPort) {
    ScriptServer server({"HTTP/1.1 200 OK\r\nContent-Length: 1234\r\n\r\n"}, ServerEnd::AfterScript, 80);
    if (!server.bound()) GTEST_SKIP() << "port 80 cannot be bound by this user";
    DownloadSizeResult r = determineDownloadSize("http://127.0.0.1/downloads/setup.exe");
    EXPECT_TRUE(r.ok) << r.message.toStdString();
    EXPECT_EQ(r.size, "1234");
    EXPECT_EQ(server.received(), "HEAD /downloads/setup.exe HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
}

TEST(DownloadSize, PortInUrlAndMissingPathAndLooseContentLength) {
    ScriptServer server({"HTTP/1.1 200 OK\r\nServer: test\r\n", "content-LENGTH:\t  1234 \r\n\r\n"});
    DownloadSizeResult r = determineDownloadSize("HtTp://127.0.0.1:" + textFromU16(server.port()));
    EXPECT_TRUE(r.ok) << r.message.toStdString();
    EXPECT_EQ(r.size, "1234");
    EXPECT_EQ(server.received(), "HEAD / HTTP/1.1\r\nHost: 127.0.0.1:" + textFromU16(server.port()) + "\r\n\r\n");
}

TEST(DownloadSize, ServerAnswersThatEndTheRequest) {
    const struct {
        ByteString answer;
        ServerEnd end;
        const char* message;
    } cases[] = {
        {"HTTP/1.1 404 Not Found\r\nContent-Length: 10\r\n\r\n", ServerEnd::AfterScript,
         "Expected HTTP 200 response to request.\nReceived:  404 Not Found"},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Len: 5\r\n\r\n", ServerEnd::AfterScript,
         "Unable to determine the size of the file automatically.\nYou will have to enter the file size by hand."},
        {"HTTP/1.1 200 OK\r\n", ServerEnd::EndlessHeaders,
         "Error getting the headers.\nError:  The HTTP response headers are longer than 65536 bytes.\n"},
    };
    for (const auto& c : cases) {
        ScriptServer server({c.answer}, c.end);
        EXPECT_EQ(determineDownloadSize(local(server.port(), "/a")).message, c.message);
    }
}

TEST(DownloadSize, ConnectionFailures) {
    SocketHandle closedPort;  // bound but not listening: connections are refused
    ASSERT_TRUE(closedPort.Connect("127.0.0.1", 0, 1));
    const ByteString port = textFromU16(closedPort.LocalPort());
    EXPECT_EQ(determineDownloadSize("http://127.0.0.1:" + port + "/setup.exe").message,
              "Error sending request to the server.\n"
              "Error:  Unable to connect to server '127.0.0.1' on port " + port + ".\n" +
                  "Error:  Unable to connect to '127.0.0.1' on port " + port + ".\n" +
                  "Socket Error:  10061 (10061):\nWSAECONNREFUSED\nConnection refused.\n"
                  "No connection could be made because the target computer actively refused it.  Typically "
                  "indicates no server application is running on the host.");

}

TEST(DownloadSize, ADrippingServerEndsAtTheDeadline) {
    ScriptServer server({"HTTP/1.1 200 OK\r\nX-Slow: "}, ServerEnd::Drip);
    const auto start = std::chrono::steady_clock::now();
    const ByteString message = determineDownloadSize(local(server.port(), "/a"), {std::chrono::milliseconds(600)}).message;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_EQ(message, "Error getting the headers.\nError:  Unable to receive the HTTP headers.\n"
                       "Error:  Unable to receive data.\n" + describeSocketError(kSocketTimedOut));
}

}  // namespace
}  // namespace orv

// The size request against scripted loopback servers: the bytes it sends,
// how it reads each kind of answer, and how it fails.
#include <gtest/gtest.h>

#include <chrono>

#include "app/download_size.h"
#include "app/failure_reason.h"
#include "net/socket.h"
#include "net/socket_errors.h"
#include "support/numbers.h"
#include "tests/net/script_server.h"

namespace orv {
namespace {

using namespace testing;  // the scripted servers

ByteString local(uint16_t port, const char* path) { return "http://127.0.0.1:" + textFromU16(port) + path; }

ByteString sizeOrMessage(const ByteString& location, std::chrono::milliseconds limit = std::chrono::seconds(30)) {
    const DownloadSizeResult r = determineDownloadSize(location, {{}, limit});
    return r.ok ? r.size : r.message;
}

TEST(DownloadSize, LocationsThatCannotBeAsked) {
    const char* invalid = "The location field does not contain a valid URL.\nMake sure the 'Test' link works.";
    for (const char* location : {"www.example.com/setup.exe", "http://h/a\r\nX-Injected: 1", "http://h/a\nb"})
        EXPECT_EQ(sizeOrMessage(location), invalid);
    EXPECT_EQ(sizeOrMessage(ByteString("http://h/a\0b", 12)), invalid);
    EXPECT_EQ(sizeOrMessage("fTp://h/a"), "The protocol is not HTTP.  This program does not support the FTP protocol.");
    EXPECT_EQ(sizeOrMessage("file:///C:/x"), "The protocol is not HTTP.  This program does not support the FILE protocol.");
    // A user part stays in the host, whose look-up fails.
    const ByteString failed = sizeOrMessage("http://user@127.0.0.1:1/", std::chrono::milliseconds(500));
    EXPECT_TRUE(failed.view().starts_with("Error sending request to the server.\nError:  Unable to connect to server "
                                          "'user@127.0.0.1' on port 1.\nError:  Unable to get IP address for 'user@127.0.0.1'.\n"))
        << failed.toStdString();
}

// The typed location is asked for as it is split, not as it would be
// cleaned up: a port left empty or 0 is port 80, and the path goes out as
// typed, with its dot segments, blanks, query and fragment.
TEST(DownloadSize, TheTypedLocationIsAskedForAsTyped) {
    const ByteString ok = "HTTP/1.1 200 OK\r\nContent-Length: 1234\r\n\r\n";
    const ByteString next = kNextConnection;
    ScriptServer server({ok, next, ok, next, ok, next, ok, next, "HTTP/1.1 302 Found\r\nLocation: d\r\n\r\n", next, ok},
                        ServerEnd::AfterScript, 80);
    if (!server.bound()) GTEST_SKIP() << "port 80 cannot be bound by this user";
    for (const char* location : {"http://127.0.0.1/downloads/my setup.exe#part", "HTTP://127.0.0.1:/a/../b?q=1#frag",
                                 "http://127.0.0.1:0\\x\\.\\y", "http://127.0.0.1", "http://127.0.0.1/a/../b/c?x#f"})
        EXPECT_EQ(sizeOrMessage(location), "1234") << location;
    // Only the redirect's target is resolved and cleaned up.
    const char* host = " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    EXPECT_EQ(server.received(), ByteString("HEAD /downloads/my setup.exe#part") + host + "HEAD /a/../b?q=1#frag" + host +
                                     "HEAD /x/./y" + host + "HEAD /" + host + "HEAD /a/../b/c?x#f" + host + "HEAD /b/d" + host);
}

TEST(DownloadSize, HowEachAnswerIsRead) {
    const ByteString ok = "HTTP/1.1 200 OK\r\n", chunked = ok + "Transfer-Encoding: chunked\r\n\r\n";
    const char* unknown = "Unable to determine the size of the file automatically.\nYou will have to enter the file size by hand.";
    const struct {
        std::vector<ByteString> answers;  // to HEAD, then to the ranged GET
        const char* expected;
    } cases[] = {
        {{ok + "Server: test\r\n", "content-LENGTH:\t  1234 \r\n\r\n"}, "1234"},
        {{ok + "\r\n", kNextConnection, "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 0-0/0077\r\n\r\n"}, "77"},
        {{"HTTP/1.1 501 No\r\n\r\n", kNextConnection, ok + "Content-Length: 88\r\n\r\nbody"}, "88"},
        {{chunked, kNextConnection, chunked}, unknown},
        {{ok + "\r\n", kNextConnection, "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes */77\r\n\r\n"}, unknown},
        {{"HTTP/1.1 404 Not Found\r\nContent-Length: 10\r\n\r\n"},
         "Expected HTTP 200 response to request.\nReceived:  404 Not Found"},
        {{"HTTP/1.1 302 Found\r\n\r\n"}, "Expected HTTP 200 response to request.\nReceived:  302 Found"},
        {{"HTTP/1.1 301 Moved\r\nLocation: http://bad host/\r\n\r\n"},
         "The server redirected the request to a location that is not a valid URL."},
        {{"HTTP/1.1 308 Moved\r\nLocation: ftp://example.com/a\r\n\r\n"},
         "The protocol is not HTTP.  This program does not support the FTP protocol."},
    };
    for (const auto& c : cases) {
        ScriptServer server(c.answers);
        EXPECT_EQ(sizeOrMessage(local(server.port(), "")), c.expected);
        const ByteString host = "/ HTTP/1.1\r\nHost: 127.0.0.1:" + textFromU16(server.port()) + "\r\n";
        const ByteString get = c.answers.size() > 2 ? "GET " + host + "Range: bytes=0-0\r\n\r\n" : ByteString();
        EXPECT_EQ(server.received(), "HEAD " + host + "\r\n" + get) << c.expected;
    }
}

TEST(DownloadSize, ConnectionFailures) {
    SocketHandle closedPort;  // bound but not listening: connections are refused
    ASSERT_TRUE(closedPort.Connect("127.0.0.1", 0, 1));
    const ByteString port = textFromU16(closedPort.LocalPort());
    EXPECT_EQ(sizeOrMessage("http://127.0.0.1:" + port + "/setup.exe"),
              "Error sending request to the server.\nError:  Unable to connect to server '127.0.0.1' on port " + port +
                  ".\nError:  Unable to connect to '127.0.0.1' on port " + port + ".\n" +
                  describeSocketError(kSocketConnRefused));
}

TEST(DownloadSize, ADrippingServerEndsAtTheDeadline) {
    ScriptServer server({"HTTP/1.1 200 OK\r\nX-Slow: "}, ServerEnd::Drip);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(sizeOrMessage(local(server.port(), "/a"), std::chrono::milliseconds(600)),
              "Error getting the headers.\nError:  Unable to receive the HTTP headers.\nError:  Unable to receive data.\n" +
                  describeSocketError(kSocketTimedOut));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

// A secure location fails as the plain one does: a server that never
// answers the handshake ends at the deadline as a time-out, one that hangs
// up names that in one sentence without a socket error code.
TEST(DownloadSize, SecureHandshakesThatFail) {
    SocketHandle silent;  // listens, never accepts: the handshake gets no answer
    ASSERT_TRUE(silent.Connect("127.0.0.1", 0, 1) && silent.Listen());
    const ByteString port = textFromU16(silent.LocalPort());
    const ByteString head = "Error sending request to the server.\nError:  Unable to connect to server '127.0.0.1' on port ";
    EXPECT_EQ(sizeOrMessage("https://127.0.0.1:" + port + "/a", std::chrono::milliseconds(600)),
              head + port + ".\nError:  Unable to set up a secure connection with '127.0.0.1'.\n" +
                  describeSocketError(kSocketTimedOut));
    ScriptServer hangsUp({}, ServerEnd::CloseAtOnce);
    const ByteString other = textFromU16(hangsUp.port());
    const ByteString message = sizeOrMessage("https://127.0.0.1:" + other + "/a");
    const ByteString expected = head + other + ".\nError:  Unable to set up a secure connection with '127.0.0.1'.\n"
                                               "Error:  The secure connection failed:  ";
    EXPECT_EQ(message.Left(expected.length()), expected) << message.toStdString();
    EXPECT_EQ(message.find(ByteString("Socket Error")), ByteString::npos) << message.toStdString();
    EXPECT_EQ(split(message.Mid(expected.length()), '\n').size(), 2u) << message.toStdString();  // one sentence, then the end
}

TEST(DownloadSize, EachFailureInOneLineOfItsOwnWords) {
#ifdef _WIN32
    // The system words socket failures itself (and Wine in words of its own).
    const ByteString refused = socketErrorReason(kSocketConnRefused), timedOut = socketErrorReason(kSocketTimedOut),
                     unknownHost = socketErrorReason(kSocketHostNotFound);
#else
    const ByteString refused = "Connection refused", timedOut = "Connection timed out",
                     unknownHost = "Name or service not known";
#endif
    const std::pair<ByteString, ByteString> cases[] = {
        {"Error sending request to the server.\nError:  Unable to connect to server 'h' on port 80.\n" +
             describeSocketError(kSocketConnRefused),
         refused},
        {"Error getting the response.\n" + describeSocketError(kSocketTimedOut), timedOut},
        {"Error sending request to the server.\n" + describeSocketError(kSocketHostNotFound), unknownHost},
        {"Error sending request to the server.\nError:  The certificate of 'h' is not trusted: expired\n",
         "The certificate of 'h' is not trusted: expired"},
        {"Expected HTTP 200 response to request.\nReceived:  404 Not Found", "the server answered 404 Not Found"},
        {"Unable to determine the size of the file automatically.\nYou will have to enter the file size by hand.",
         "the server did not give the size"},
        {"The protocol is not HTTP.  This program does not support the FTP protocol.", "not an http or https URL"},
        {"The location field does not contain a valid URL.\nMake sure the 'Test' link works.", "not a valid URL"},
    };
    for (const auto& [message, reason] : cases) EXPECT_EQ(failureReason(message), reason) << message.view();
}

}  // namespace
}  // namespace orv

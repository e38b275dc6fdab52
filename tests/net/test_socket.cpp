// The socket layer on the loopback interface, and its error texts.
#include <gtest/gtest.h>

#include <set>
#include <sys/socket.h>
#include <unistd.h>

#include "net/socket.h"
#include "net/socket_errors.h"
#include "support/numbers.h"

namespace orv {
namespace {

// A bound, listening socket on 127.0.0.1 and one accepted connection to it.
struct Loopback {
    SocketHandle listener;
    SocketHandle client;
    std::unique_ptr<SocketHandle> server;

    bool open() {
        if (!listener.Connect("127.0.0.1", 0, 1) || !listener.Listen()) return false;
        if (!client.Connect("127.0.0.1", listener.LocalPort())) return false;
        if (!listener.WaitReadable(5, 0)) return false;
        server = listener.Clone();
        return server->Accept();
    }
};

TEST(SocketErrors, TableHasEveryCodeOnceWithTexts) {
    uint32_t count = 0;
    const SocketErrorRow* rows = socketErrorTable(count);
    ASSERT_EQ(count, 51u);
    std::set<int32_t> codes;
    for (uint32_t i = 0; i < count; ++i) {
        EXPECT_TRUE(codes.insert(rows[i].code).second) << rows[i].name;
        EXPECT_NE(std::string(rows[i].shortText), "");
        EXPECT_EQ(std::string(rows[i].longText).back(), '.') << rows[i].name;
    }
    EXPECT_EQ(findSocketError(10065)->name, std::string("WSAEHOSTUNREACH"));
    EXPECT_EQ(describeSocketError(4242), "Socket Error:  4242 (4242):\nUnknown socket error.");
}

TEST(Socket, RefusedConnectionExplainsItselfOnce) {
    SocketHandle closedPort;  // bound but not listening: connections are refused
    ASSERT_TRUE(closedPort.Connect("127.0.0.1", 0, 1));
    const uint16_t port = closedPort.LocalPort();
    SocketHandle socket;
    EXPECT_FALSE(socket.Connect("127.0.0.1", port));
    EXPECT_TRUE(socket.IsConnected());  // the created socket stays until the next Connect
    EXPECT_EQ(socket.TakeErrorText(),
              "Error:  Unable to connect to '127.0.0.1' on port " + textFromU16(port) + ".\n" +
                  "Socket Error:  10061 (10061):\nWSAECONNREFUSED\nConnection refused.\n"
                  "No connection could be made because the target computer actively refused it.  Typically "
                  "indicates no server application is running on the host.");
    EXPECT_TRUE(socket.TakeErrorText().empty());
}

TEST(Socket, FailuresBeforeAnySocketExists) {
    SocketHandle socket;
    EXPECT_FALSE(socket.Connect("127.0.0.1", 80, 0, 0, 10));
    EXPECT_FALSE(socket.IsConnected());
    EXPECT_FALSE(socket.Disconnect());
    EXPECT_FALSE(socket.Connect("127.0.0.1", 80, 5));
    const std::string expected = "Error:  Connect only supports the address family AF_INET.\n"
                                 "Error:  Socket not connected.\n"
                                 "Error:  Unknown connection type.\nSocket Error:  ";
    EXPECT_EQ(socket.TakeErrorText().Left(static_cast<uint32_t>(expected.size())).toStdString(), expected);

    EXPECT_FALSE(socket.Connect("no-such-host.invalid", 80));
    const ByteString lookup = socket.TakeErrorText();
    EXPECT_EQ(lookup.Left(68).toStdString(), "Error:  Unable to get IP address for 'no-such-host.invalid'.\nSocket ");
    EXPECT_TRUE(lastSocketError() == 11001 || lastSocketError() == 11002) << lastSocketError();
}

TEST(Socket, ServerSideSendReceiveAndPeerClose) {
    Loopback net;
    ASSERT_TRUE(net.open());
    EXPECT_EQ(net.server->GetConnectionType(), 0u);
    EXPECT_EQ(net.listener.GetConnectionType(), 1u);
    ASSERT_TRUE(net.client.Send("hello"));
    ByteString got;
    ASSERT_TRUE(net.server->Receive(got));
    EXPECT_EQ(got, "hello");

    // Nothing waiting on a non-blocking socket: success with no data.
    ASSERT_TRUE(net.client.SetNonBlocking(1));
    EXPECT_EQ(net.client.IsNonBlocking(), 1u);
    EXPECT_TRUE(net.client.Receive(got));
    EXPECT_TRUE(got.empty());
    EXPECT_FALSE(net.client.WaitReadable(0, 1000));
    EXPECT_TRUE(net.client.WaitWritable(0, 1000));

    // The peer closes: Receive fails without a message.
    net.server->SetWaitTime(0, 0);
    ASSERT_TRUE(net.server->Disconnect());
    ASSERT_TRUE(net.client.WaitReadable(5, 0));
    EXPECT_FALSE(net.client.Receive(got));
    EXPECT_TRUE(net.client.TakeErrorText().empty());
}

TEST(Socket, ClonesShareOneConnection) {
    Loopback net;
    ASSERT_TRUE(net.open());
    std::unique_ptr<SocketHandle> clone = net.client.Clone();
    ASSERT_TRUE(clone->Send("through the clone"));
    ByteString got;
    ASSERT_TRUE(net.server->Receive(got));
    EXPECT_EQ(got, "through the clone");
    net.client.SetWaitTime(0, 0);
    ASSERT_TRUE(net.client.Disconnect());
    EXPECT_FALSE(clone->IsConnected());
    clone.reset();
    EXPECT_FALSE(net.client.IsConnected());
}

TEST(Socket, AcceptWithoutAWaitingConnectionFailsQuietly) {
    SocketHandle listener;
    ASSERT_TRUE(listener.Connect("127.0.0.1", 0, 1));
    std::unique_ptr<SocketHandle> peer = listener.Clone();
    EXPECT_FALSE(peer->Accept());
    EXPECT_FALSE(peer->IsConnected());
    EXPECT_TRUE(peer->TakeErrorText().empty());
    EXPECT_TRUE(listener.IsConnected());  // the listening state is untouched
}

TEST(Socket, EmptyAddressConnectsToAddressZero) {
    SocketHandle listener;
    ASSERT_TRUE(listener.Connect("127.0.0.1", 0, 1));
    ASSERT_TRUE(listener.Listen());  // address 0 reaches the local host
    SocketHandle client;
    client.SetWaitTime(0, 0);
    EXPECT_TRUE(client.Connect("", listener.LocalPort())) << client.TakeErrorText().toStdString();
}

TEST(Socket, ConnectionAttemptGivesUpAfterItsTimeOut) {
    // A listener with a backlog of one whose queue is already full drops
    // further connection requests, so the next attempt never completes.
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(fd, 0), 0);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    const uint16_t port = ntohs(addr.sin_port);
    std::vector<std::unique_ptr<SocketHandle>> queued;
    bool timedOut = false;
    for (int i = 0; i < 4 && !timedOut; ++i) {
        auto s = std::make_unique<SocketHandle>();
        s->SetTimeouts({200, 200});
        timedOut = !s->Connect("127.0.0.1", port);
        if (timedOut) {
            EXPECT_EQ(lastSocketError(), kSocketTimedOut) << s->TakeErrorText().toStdString();
        }
        s->SetWaitTime(0, 0);
        queued.push_back(std::move(s));
    }
    EXPECT_TRUE(timedOut);
    ::close(fd);
}

}  // namespace
}  // namespace orv

// The socket layer on the loopback interface.
#include <gtest/gtest.h>

#include "net/socket.h"
#include "net/socket_errors.h"
#include "tests/net/test_sockets.h"

namespace orv {
namespace {

TEST(Socket, UnknownHostIsALookupFailure) {
    SocketHandle socket;
    EXPECT_FALSE(socket.Connect("no-such-host.invalid", 80));
    EXPECT_EQ(socket.TakeErrorText().Left(68), "Error:  Unable to get IP address for 'no-such-host.invalid'.\nSocket ");
    EXPECT_TRUE(lastSocketError() == 11001 || lastSocketError() == 11002) << lastSocketError();
}

TEST(Socket, AcceptedConnectionClonesAndPeerClose) {
    SocketHandle listener, client;
    ASSERT_TRUE(listener.Connect("127.0.0.1", 0, 1) && listener.Listen());
    // Accepting with no connection waiting fails quietly and leaves the listener alone.
    std::unique_ptr<SocketHandle> server = listener.Clone();
    EXPECT_FALSE(server->Accept() || server->IsConnected());
    EXPECT_TRUE(server->TakeErrorText().empty());
    // An empty address is address 0, which reaches the local host.
    ASSERT_TRUE(client.Connect("", listener.LocalPort())) << client.TakeErrorText().toStdString();
    ASSERT_TRUE(listener.WaitReadable(5, 0));
    server = listener.Clone();
    ASSERT_TRUE(server->Accept());

    // Clones share the connection.
    std::unique_ptr<SocketHandle> clone = client.Clone();
    ASSERT_TRUE(clone->Send("through the clone"));
    ByteString got;
    ASSERT_TRUE(server->Receive(got));
    EXPECT_EQ(got, "through the clone");

    // Nothing waiting on a non-blocking socket: success with no data.
    ASSERT_TRUE(client.SetNonBlocking(1));
    EXPECT_TRUE(clone->Receive(got) && got.empty());
    EXPECT_FALSE(client.WaitReadable(0, 1000));

    // The peer closes: Receive fails without a message.
    server->SetWaitTime(0, 0);
    ASSERT_TRUE(server->Disconnect());
    ASSERT_TRUE(client.WaitReadable(5, 0));
    EXPECT_FALSE(clone->Receive(got));
    EXPECT_TRUE(client.TakeErrorText().empty());

    // Disconnecting through one handle disconnects every clone.
    client.SetWaitTime(0, 0);
    ASSERT_TRUE(client.Disconnect());
    EXPECT_FALSE(clone->IsConnected());
}

TEST(Socket, ConnectionAttemptGivesUpAfterItsTimeOut) {
    // A listener with a backlog of one whose queue is already full drops
    // further connection requests, so the next attempt never completes.
    using namespace testing;  // the plain sockets
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ASSERT_TRUE(bind(fd, reinterpret_cast<sockaddr*>(&addr), len) == 0 && listen(fd, 0) == 0);
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    SocketHandle queued[4];
    bool timedOut = false;
    int i = 0;
    for (; i < 4 && !timedOut; ++i) {
        queued[i].SetTimeouts({200, 200});
        queued[i].SetWaitTime(0, 0);
        timedOut = !queued[i].Connect("127.0.0.1", ntohs(addr.sin_port));
    }
    EXPECT_TRUE(timedOut);
    EXPECT_EQ(lastSocketError(), kSocketTimedOut) << queued[i - 1].TakeErrorText().toStdString();
    close(fd);
}

}  // namespace
}  // namespace orv

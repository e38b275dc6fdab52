// The socket layer: a TCP connection (or a bound listening socket) behind a
// reference-counted handle.
//
// Every operation returns true on success and false on failure; a failure
// appends a line "Error:  ...\n" to the connection's error text, which
// TakeErrorText hands over together with the code, name and descriptions of
// the calling thread's last socket error. Nothing here talks to the user.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#ifdef _WIN32
#include <winsock2.h>  // types and constants only: the functions are bound at run time
#include <ws2tcpip.h>
#else
#include <netinet/in.h>
#include <poll.h>
#endif

#include "support/byte_string.h"

namespace orv {

// The process-wide sockets library: started with the first socket (on
// Windows WSAStartup; nothing on POSIX) and kept until the program ends. A
// library that cannot be started fails each operation, never the program.
class SocketLibrary {
public:
    SocketLibrary();
    ~SocketLibrary();
    SocketLibrary(const SocketLibrary&) = delete;
    SocketLibrary& operator=(const SocketLibrary&) = delete;
    bool started() const { return started_; }

    // The one instance, created on first use and kept until the program ends.
    static std::shared_ptr<SocketLibrary> instance();

private:
    bool started_ = false;
};

// Time-outs for a connection attempt (name look-up included) and for each
// wait for data while sending or receiving on a blocking socket. 10 seconds
// each by default; 0 waits without a limit.
struct SocketTimeouts {
    uint32_t connectMilliseconds = 10000;
    uint32_t ioMilliseconds = 10000;
};

// A point in time after which no operation of a connection waits any more:
// look-up, connect, send, receive and the draining on Disconnect all stop
// there with the error WSAETIMEDOUT (10060). Deadline::max() is none.
using Deadline = std::chrono::steady_clock::time_point;

// The state of one connection, shared by every handle that refers to it.
struct SocketState {
    int32_t family = AF_INET;
    int32_t type = SOCK_STREAM;
    int32_t protocol = 0;
    sockaddr_storage address{};  // the peer (connect, accept) or local (bind) address
    // The socket, -1 for none. A Windows socket is a kernel handle, whose
    // value always fits in 32 bits.
    int handle = -1;
    uint32_t connectionType = 0;  // 0 outgoing, 1 bound and waiting to accept
    uint32_t nonBlocking = 0;
    ByteString errorText;
    uint32_t waitSeconds = 3;  // draining time on Disconnect
    uint32_t waitMicroseconds = 0;
    SocketTimeouts timeouts;
    Deadline deadline = Deadline::max();
    // The error text's last failure was not one of the sockets library
    // (a secure connection's verdict): TakeErrorText adds no error code.
    bool errorWithoutCode = false;
};

// A SocketState with the lock that serialises every operation on it. Handles
// share it through a reference count (the shared pointer's); the last
// reference disconnects the socket.
struct SharedSocketState {
    SocketState state;
    std::mutex lock;
    ~SharedSocketState();
};

class SocketHandle {
public:
    SocketHandle();  // makes sure the SocketLibrary exists; fresh state
    virtual ~SocketHandle();
    SocketHandle(const SocketHandle&) = delete;
    SocketHandle& operator=(const SocketHandle&) = delete;

    // A new handle to the same connection.
    virtual std::unique_ptr<SocketHandle> Clone() const;
    // Opens an outgoing connection (connectionType 0) or binds a local
    // address (1). An empty address means any local address. The family is
    // AF_INET, AF_INET6 or AF_UNSPEC (either: each address of the name is
    // tried in turn); an IPv6 literal may stand in brackets.
    virtual bool Connect(const ByteString& address, uint16_t port, uint32_t connectionType = 0,
                         uint32_t nonBlocking = 0, int32_t family = AF_INET, int32_t type = SOCK_STREAM,
                         int32_t protocol = 0);
    // Shuts sending down, drains for up to the wait time, closes.
    virtual bool Disconnect();
    virtual bool SetWaitTime(uint32_t seconds, uint32_t microseconds);
    virtual bool IsConnected();
    virtual uint32_t GetConnectionType();
    virtual uint32_t IsNonBlocking();
    virtual bool SetNonBlocking(uint32_t flag);
    // For a bound socket: listens and accepts one waiting connection; the
    // handle then refers to the accepted connection, whatever the result.
    virtual bool Accept();
    virtual bool WaitWritable(uint32_t seconds, uint32_t microseconds);
    virtual bool WaitReadable(uint32_t seconds, uint32_t microseconds);
    // One send of the whole data.
    virtual bool Send(const ByteString& data);
    // One read of what is waiting (1 KiB to 1 MiB). False on an error and,
    // without a message, when the peer has closed the connection.
    virtual bool Receive(ByteString& buffer);
    virtual ByteString TakeErrorText();

    // Outside the family's operations: time-outs and deadline of this
    // connection, the listen step on its own (so a server can listen before
    // it waits), and the local port (after binding port 0).
    void SetTimeouts(const SocketTimeouts& timeouts);
    void SetDeadline(Deadline deadline);
    bool Listen();
    uint16_t LocalPort();

protected:
    explicit SocketHandle(std::shared_ptr<SharedSocketState> shared);
    // A counted reference to the connection, taken under the handle's lock.
    std::shared_ptr<SharedSocketState> acquire() const;

private:
    mutable std::mutex handleLock_;
    std::shared_ptr<SharedSocketState> shared_;
};

}  // namespace orv

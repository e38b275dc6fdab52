// The socket layer's operations on a SocketState, for the members of the
// socket family: each runs with the state's lock already held.
#pragma once

#include "net/socket.h"

namespace orv::detail {

bool connectState(SocketState& s, const ByteString& address, uint16_t port, uint32_t connectionType,
                  uint32_t nonBlocking, int32_t family, int32_t type, int32_t protocol);
bool disconnectState(SocketState& s);
bool sendState(SocketState& s, const ByteString& data);
bool receiveState(SocketState& s, ByteString& buffer);
bool switchBlocking(SocketState& s, uint32_t flag);

// How long a wait may take in milliseconds (-1: no limit): `limitMs`
// (0: none), cut to what is left of the state's deadline.
int waitBudget(const SocketState& s, uint32_t limitMs);
// Waits for one descriptor (POLLIN or POLLOUT): 1 ready, 0 time-out, -1
// error (recorded).
int pollFor(int fd, short events, int ms);
// Records the errno value as the thread's socket error (POSIX).
void recordErrno();

// The platform's primitives beneath the rules above; failures record the
// thread's socket error.
bool startSocketLibrary();
// A new socket of the state's family, type and protocol in s.handle
// (-1 on failure).
bool createSocket(SocketState& s);
void closeSocket(int fd);
// Sets the options of a socket for an outgoing connection (no delay for
// small writes) or for binding (address reuse).
void prepareSocket(int fd, uint32_t connectionType);
// connect() without blocking: 1 connected, 0 under way, -1 failed.
int startConnect(int fd, const sockaddr_storage& address);
// The outcome of a connect under way once the socket is writable.
bool connectOutcome(int fd);
void setNonBlockingNow(int fd, bool on);
bool bindSocket(int fd, const sockaddr_storage& address);
bool listenSocket(int fd);
int acceptSocket(int fd, sockaddr_storage& peer);
void shutdownSending(int fd);
// One send or receive that never waits (`socketBlocks`: the socket is in
// blocking mode): the bytes moved, or -1 (error recorded,
// kSocketWouldBlock when it would have waited). A receive of 0 means the
// peer has closed.
long sendSome(int fd, const char* bytes, uint32_t size, bool socketBlocks);
long receiveSome(int fd, char* bytes, uint32_t size);
// Bytes waiting to be read; 0 when unknown.
uint32_t bytesWaiting(int fd);
uint16_t localPort(int fd);

}  // namespace orv::detail

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
// poll() for one descriptor: 1 ready, 0 time-out, -1 error (recorded).
int pollFor(int fd, short events, int ms);
// Records the errno value as the thread's socket error.
void recordErrno();

}  // namespace orv::detail

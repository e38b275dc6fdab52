// What each platform's secure channel gives the secure socket's shared
// operations (net/tls_socket.cpp): its session, opened and closed on a
// connection whose lock is held.
#pragma once

#include <memory>

#include "net/socket_state.h"
#include "net/tls_socket.h"

namespace orv::detail {

std::shared_ptr<TlsSocketHandle::Session> newTlsSession();
// The handshake over the connected socket, the certificate judged for
// `address` against `trust`; false with the failure in s.errorText.
bool tlsHandshake(SocketState& s, TlsSocketHandle::Session& t, const TlsTrust& trust, const ByteString& address);
// Sends the closing notice once, if the handshake finished, and forgets
// the session's secure state; the socket stays as it is.
void closeTlsSession(SocketState& s, TlsSocketHandle::Session& t);

}  // namespace orv::detail

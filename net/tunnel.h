// The plain connection beneath a secure one: straight to the server, or
// through an HTTP proxy's CONNECT tunnel, which never sees the request.
#pragma once

#include "net/proxy.h"
#include "net/socket_state.h"

namespace orv::detail {

// Connects `s` to address:port, through `proxy` when its host is not empty.
// A proxy that cannot be reached or refuses the tunnel fails with a first
// line that names it.
bool connectThroughTunnel(SocketState& s, const ProxyServer& proxy, const ByteString& address, uint16_t port,
                          int32_t family, int32_t type, int32_t protocol);

}  // namespace orv::detail

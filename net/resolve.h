// Host addresses for the socket layer, found within a time limit.
#pragma once

#include <vector>

#include "net/socket.h"

#include "support/byte_string.h"

namespace orv {

// The addresses of `host` for `family` (AF_INET, AF_INET6 or AF_UNSPEC for
// either), at most 8. An IPv4 address in dotted form or an IPv6 literal
// (brackets allowed) needs no look-up; a name goes to the system resolver,
// which is given at most `waitMs` milliseconds (-1: no limit). The dotted
// broadcast address counts as a name, as it always has. An empty host is
// the any-address. On failure the calling thread's socket error says why
// (10060 when the time ran out).
bool resolveHost(const ByteString& host, int family, int waitMs, std::vector<sockaddr_storage>& out);

// The host without the brackets of an IPv6 literal.
ByteString bareHost(const ByteString& host);

}  // namespace orv

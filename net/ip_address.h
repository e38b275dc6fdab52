// IP address literals, read the same way on every platform and without the
// sockets library: for proxy exceptions, certificate checks and the look-up
// that a literal needs none of.
#pragma once

#include <cstdint>

#include "support/byte_string.h"

namespace orv {

struct IpAddress {
    unsigned char bytes[16] = {};  // network order; IPv4 uses the first 4
    uint32_t bits = 0;             // 32 for IPv4, 128 for IPv6
};

// An address in its strict textual form: IPv4 as four decimal numbers of
// 0 to 255 without leading zeros ("192.168.0.1"), IPv6 as up to eight
// groups of 1 to 4 hexadecimal digits with at most one "::" and an IPv4
// address as its last 32 bits if wanted ("::ffff:10.0.0.1"). No brackets,
// no zone, no blanks; anything else is false.
bool parseIpAddress(const ByteString& text, IpAddress& address);

// Whether the first `prefixBits` bits of two addresses of one family agree.
bool sameNetwork(const IpAddress& a, const IpAddress& b, uint32_t prefixBits);

}  // namespace orv

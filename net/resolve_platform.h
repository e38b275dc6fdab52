// The platform's part of finding host addresses (net/resolve.h).
#pragma once

#include <functional>
#include <vector>

#include "net/socket.h"

namespace orv::detail {

inline constexpr size_t kMaxAddresses = 8;

// The system resolver, without a time limit: up to kMaxAddresses addresses
// of `name` for `family`. 0, or the socket error code of the failure.
int32_t systemLookup(const ByteString& name, int family, std::vector<sockaddr_storage>& out);
// Runs `work` on a thread of its own that nobody joins; false when no
// thread can be started.
bool runDetached(std::function<void()> work);
// An IPv4 address in inet_addr's dotted forms, in network byte order;
// false for anything else, the broadcast address's text included.
bool parseDottedAddress(const ByteString& text, uint32_t& address);

}  // namespace orv::detail

// Reading an HTTP answer's header lines: a header's value, where a
// redirect leads, and the total length of a Content-Range. Every value comes
// from a server and is treated as hostile: nothing here trusts its length,
// its bytes or its form.
#pragma once

#include "support/byte_string.h"

namespace orv {

// The value of the first line "Name:value" whose name matches `name`
// without regard to ASCII letter case, with blanks, tabs, CR, LF and NUL
// bytes trimmed from both ends; false when there is none.
bool findHeaderValue(const ByteStringList& lines, const ByteString& name, ByteString& value);

// The values of every line "Name:value" whose name matches, in order,
// trimmed as findHeaderValue trims them.
ByteStringList findHeaderValues(const ByteStringList& lines, const ByteString& name);

// True for the status codes whose Location is followed: 301, 302, 303,
// 307 and 308.
bool isFollowedRedirect(uint32_t statusCode);

// The URL a reference (a typed location, or a Location value) leads to from
// `base` (empty for none): absolute ("scheme://..."), scheme-relative
// ("//host/path"), absolute-path ("/path"), query-only and relative
// references are understood; backslashes count as slashes, "." and ".."
// segments are removed, the fragment is dropped, and blanks and bytes from
// 0x80 up are percent-encoded. False when the reference is empty, holds a
// control byte, is relative without a base, or its host is not a host
// name, an IPv4 address or a bracketed IPv6 literal, or its port is not a
// number from 1 to 65535.
bool resolveReference(const ByteString& base, const ByteString& reference, ByteString& url);

// The complete length from a Content-Range value "bytes FIRST-LAST/TOTAL"
// (the unit in any letter case), as decimal digits without leading zeros;
// false for an unknown total ("*"), another unit, a range that ends before
// it starts or past the total, or any other form.
bool contentRangeTotal(const ByteString& value, ByteString& total);

}  // namespace orv

// One line saying why a request failed, for programs that report each
// failure on one line: the platform's own words for a socket failure
// ("Connection refused"), else the client's or the secure connection's
// verdict, else the gist of the message's first line. The full message
// stays what the editor shows.
#pragma once

#include "support/byte_string.h"

namespace orv {

ByteString failureReason(const ByteString& message);

}  // namespace orv

// The system's own words for one of its error codes, as messages quote
// them: errno values on POSIX (strerror), GetLastError codes on Windows
// (FormatMessage), without a final full stop or line break.
#pragma once

#include <cstdint>

#include "support/byte_string.h"

namespace orv {

ByteString systemErrorText(uint32_t code);
// The code of the calling thread's last failed system call.
uint32_t lastSystemError();

}  // namespace orv

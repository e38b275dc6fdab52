#include <cerrno>
#include <cstring>

#include "support/system_error.h"

namespace orv {

ByteString systemErrorText(uint32_t code) { return std::strerror(static_cast<int>(code)); }

uint32_t lastSystemError() { return static_cast<uint32_t>(errno); }

}  // namespace orv

// Windows has no build of the fast JSON parser from Debian: the exact
// reader takes every text, exports included.
#include "app/package_json_reading.h"

namespace orv {

FastJson readPackageJsonFast(ByteString&, const std::string&, Package&) { return FastJson::NotTaken; }

}  // namespace orv

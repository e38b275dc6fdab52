// Windows has no simdjson from Debian's MinGW packages: the exact reader
// reads every package there.
#include "app/package_json_reading.h"

namespace orv {

FastJson readPackageJsonFast(ByteString&, const std::string&, Package&) { return FastJson::NotTaken; }

}  // namespace orv

#include "crash/crash_library.h"

#include <unistd.h>

namespace orv {

ByteString runningProgramPath() {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path);
    if (n <= 0 || static_cast<size_t>(n) >= sizeof path) return {};
    return ByteString(path, static_cast<uint32_t>(n));
}

}  // namespace orv

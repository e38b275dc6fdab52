#include "crash/crash_library.h"

#include <windows.h>

namespace orv {

// The module's path in the process code page (UTF-8 through the manifest),
// however long it is.
ByteString runningProgramPath() {
    ByteString path;
    for (DWORD size = MAX_PATH;; size *= 2) {
        path.setLength(size);
        const DWORD n = GetModuleFileNameA(nullptr, path.data(), size);
        if (n == 0) return {};
        if (n < size) {
            path.setLength(n);
            return path;
        }
        if (size >= 32768) return {};
    }
}

}  // namespace orv

// Reads any bytes as a package file. Whatever the reader accepts must write
// back to a file that reads as an equal package and writes to the same
// bytes again. (The reader may also refuse a file that would need more
// memory than its budget; that is not a fault.)
#include <cstddef>
#include <cstdint>

#include "package/format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0xFFFFFFF0u) return 0;
    const orv::ByteString content(reinterpret_cast<const char*>(data), static_cast<uint32_t>(size));
    orv::Package first;
    if (!orv::readPackage(first, content)) return 0;

    orv::ByteString written, rewritten;
    if (!orv::writePackage(first, written)) __builtin_trap();
    orv::Package second;
    if (!orv::readPackage(second, written) || !(second == first)) __builtin_trap();
    if (!orv::writePackage(second, rewritten) || rewritten != written) __builtin_trap();
    return 0;
}

// The system calls beneath File's closing, reads and writes, each platform's
// (file_posix.cpp, file_windows.cpp).
#pragma once

#include <cstdint>

namespace orv::detail {

void closeHandle(intptr_t handle);

// Reads up to `count` bytes at `offset` into `bytes`; `got` is what
// arrived (less at the end of the file). False on a system error.
bool readAt(intptr_t handle, char* bytes, uint32_t count, uint64_t offset, uint32_t& got);
// Writes all `count` bytes at `offset`; `written` is what the system took.
// False when it took less.
bool writeAt(intptr_t handle, const char* bytes, uint64_t count, uint64_t offset, uint64_t& written);

}  // namespace orv::detail

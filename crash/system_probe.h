// The thin layer over the running Linux system that feeds the system
// description: kernel and distribution, processor, memory and disk.
#pragma once

#include "crash/system_info.h"
#include "support/byte_string.h"

namespace orv {

// The four-line system description, reporting the disk that holds
// `systemFolder`.
ByteString collectSystemInfo(const ByteString& systemFolder);

// The memory status from the text of /proc/meminfo: MemAvailable (or
// MemFree) of MemTotal, the load being the share in use.
MemoryStatus memoryFromMemInfo(const ByteString& meminfo);

// The content of a small system file; /proc files report no size, so
// reading runs to the end. An unreadable file gives an empty text.
ByteString readSystemFile(const char* path);

}  // namespace orv

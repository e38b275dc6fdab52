// The thin layer over the running system that feeds the system
// description: the operating system, processor, memory and disk.
#pragma once

#include <string_view>

#include "crash/private_folder.h"
#include "crash/system_info.h"
#include "support/byte_string.h"

namespace orv {

// What the system description says that does not change while the program
// runs, read when the crash handler is installed.
struct SystemDescription {
    SafeText<1024> os;
    SafeText<1024> cpu;
    PathText diskRoot;  // the root of the disk reported; empty when unknown
};

// Reads the operating system and the processor, and finds the root of the
// disk that holds `systemFolder`.
SystemDescription describeSystem(const ByteString& systemFolder);

// The four-line system description with the memory and disk figures of
// this moment. Async-signal-safe: it reads them with plain system calls
// into fixed buffers and allocates nothing (on Windows: calls bound when
// the description was made).
SystemInfoText systemInfoNow(const SystemDescription& system);

// POSIX: the content of a small system file; /proc files report no size, so
// reading runs to the end. An unreadable file gives an empty text.
ByteString readSystemFile(const char* path);

}  // namespace orv

// The crash-reporting library, loaded by name on first use: beside the
// program first, then through the system's library search. When the library
// or one of its calls is missing, the call does nothing and returns false.
#pragma once

#include "crash/report/crash_report.h"
#include "support/byte_string.h"

namespace orv {

inline constexpr const char kCrashLibraryFileName[] = "liborvcrashreport.so";

bool crashLibraryInstall(CrashReportCallback callback, const char* destination, const char* subject);
bool crashLibraryAddFile(const char* path, const char* description);
bool crashLibraryUninstall();

// The folder of the running program's file, without a trailing slash.
ByteString runningProgramFolder();

}  // namespace orv

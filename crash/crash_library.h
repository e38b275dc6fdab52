// The crash-reporting library, loaded by name on first use: beside the
// program first, then through the system's library search. When the library
// or one of its calls is missing, the call does nothing and returns false.
#pragma once

#include "crash/report/crash_report.h"
#include "support/byte_string.h"

namespace orv {

#ifdef _WIN32
inline constexpr const char kCrashLibraryFileName[] = "CrashReport.dll";
inline constexpr const char kPathSeparators[] = "\\/";  // the first is the one written
#else
inline constexpr const char kCrashLibraryFileName[] = "liborvcrashreport.so";
inline constexpr const char kPathSeparators[] = "/";
#endif

bool crashLibraryInstall(CrashReportCallback callback, const char* destination, const char* subject);
bool crashLibraryAddFile(const char* path, const char* description);
bool crashLibraryUninstall();

// The running program's file (empty when the system does not say) and its
// folder, without a trailing separator ("." when unknown).
ByteString runningProgramPath();
ByteString runningProgramFolder();

}  // namespace orv

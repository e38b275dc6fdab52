// The crash-reporting library's process-wide state. Everything the signal
// path needs is prepared by Install and AddFile in fixed-size storage.
#pragma once

#include <csignal>

#include "crash/report/crash_report.h"

namespace orvreport {

inline constexpr size_t kPathCapacity = 4096;
inline constexpr size_t kTextCapacity = 1024;
inline constexpr int kMaxFiles = 32;

struct AddedFile {
    char path[kPathCapacity];
    char description[kTextCapacity];
};

struct ReportState {
    CrashReportCallback callback = nullptr;
    char destination[kTextCapacity] = {};
    char subject[kTextCapacity] = {};
    char programPath[kPathCapacity] = {};
    char reportRoot[kPathCapacity] = {};    // <state>/<program>/crash-reports, empty without a home
    char fallbackRoot[kPathCapacity] = {};  // <temporary folder>/<program>-crash-reports
    AddedFile files[kMaxFiles] = {};
    volatile sig_atomic_t fileCount = 0;
};

ReportState& reportState();

// Writes the report folder for a crash by `signal`; prints its path on
// standard error. Uses only async-signal-safe calls, plus backtrace(),
// which Install has already run once so that it needs no loading.
void writeCrashReport(int signal, const siginfo_t* info);

}  // namespace orvreport

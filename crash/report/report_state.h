// The crash-reporting library's process-wide state and the steps of writing
// a report. Everything the signal path needs is prepared by Install and
// AddFile in fixed-size storage; the steps use only async-signal-safe calls.
#pragma once

#include <csignal>

#include "crash/private_folder.h"
#include "crash/report/crash_report.h"

namespace orvreport {

using orv::kPathCapacity;
using orv::PathText;
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
    orv::PrivateFolders folders;  // reports go into "crash-reports" inside one of them
    AddedFile files[kMaxFiles] = {};
    volatile sig_atomic_t fileCount = 0;
};

ReportState& reportState();

// Creates a new report folder and writes report.txt into it; false when no
// folder could be created (then the other steps do nothing).
bool openReport(int signal, const siginfo_t& info);
// Copies every added file and lists it in files.txt.
void copyReportFiles();
// Writes backtrace.txt. backtrace() is async-signal-safe once primed (Install
// does that) when the unwinder finds frames through _dl_find_object, as
// libgcc does from GCC 12 with glibc 2.35; the frames are named here rather
// than by backtrace_symbols_fd, which takes the loader's lock.
void writeBacktrace();
// Adds the "Incomplete:" line naming abandoned steps (when there are any)
// and prints the folder's path on standard error.
void finishReport(const char* abandoned);

}  // namespace orvreport

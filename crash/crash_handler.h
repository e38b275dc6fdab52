// The crash handler: what the program adds to a crash report.
#pragma once

#include "crash/private_folder.h"
#include "crash/system_probe.h"
#include "support/byte_string.h"

namespace orv {

// Where crash reports of this program go: the publisher's address, kept
// here and nowhere else.
inline constexpr const char kCrashReportDestination[] = "https://orvantis.example/crash-reports";

// The family of crash handlers. The crash-reporting library's callback
// forwards to the registered handler's OnCrash; destroying a handler removes
// the library's handler ("Uninstall").
class CrashReportHandler {
public:
    CrashReportHandler() = default;
    CrashReportHandler(const CrashReportHandler&) = delete;
    CrashReportHandler& operator=(const CrashReportHandler&) = delete;
    virtual ~CrashReportHandler();
    // Runs during a crash; true lets the report go ahead.
    virtual bool OnCrash();
};

// The program's handler: adds "AppInfo.txt" from the program's folder when
// it exists and a freshly written "SystemInfo.txt". OnCrash runs inside the
// crash's signal handler, perhaps with the memory allocator's lock held, so
// everything it needs is prepared by the constructor and OnCrash itself
// allocates nothing, takes no lock and makes only async-signal-safe calls.
// SystemInfo.txt goes into the first usable of the private folders, never
// through a link and never into a folder another user can change.
class ProgramCrashHandler final : public CrashReportHandler {
public:
    using AddFileFunction = bool (*)(const char* path, const char* description);

    // systemFolder names the disk that the system description reports.
    // addFile defaults to the crash-reporting library's AddFile.
    ProgramCrashHandler(const ByteString& programFolder, const PrivateFolders& folders,
                        const ByteString& systemFolder, AddFileFunction addFile = nullptr);
    bool OnCrash() override;

private:
    PathText appInfoPath_;
    PrivateFolders folders_;
    SystemDescription system_;
    AddFileFunction addFile_;
};

// The handler that the callback forwards to; null for none.
void registerCrashHandler(CrashReportHandler* handler);
CrashReportHandler* registeredCrashHandler();

// The callback handed to the library: true (1) without a registered
// handler, otherwise the handler's OnCrash.
int crashReportCallback(void* reserved);

// "[" + the file name part of the program's path + "] Crash report".
ByteString crashReportSubject(const ByteString& programPath);

}  // namespace orv

// The crash handler: what the program adds to a crash report.
#pragma once

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
// it exists and a freshly written "SystemInfo.txt" from the temporary
// folder. Everything it needs is captured up front, so a crash takes no lock.
class ProgramCrashHandler final : public CrashReportHandler {
public:
    using AddFileFunction = bool (*)(const char* path, const char* description);

    // systemFolder names the disk that the system description reports.
    // addFile defaults to the crash-reporting library's AddFile.
    ProgramCrashHandler(ByteString programFolder, ByteString temporaryFolder, ByteString systemFolder,
                        AddFileFunction addFile = nullptr);
    bool OnCrash() override;

private:
    ByteString programFolder_;
    ByteString temporaryFolder_;
    ByteString systemFolder_;
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

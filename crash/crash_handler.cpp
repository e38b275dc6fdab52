#include "crash/crash_handler.h"

#include <utility>

#include "crash/crash_library.h"
#include "crash/system_probe.h"
#include "package/file.h"

namespace orv {

namespace {

CrashReportHandler* gRegistered = nullptr;

}  // namespace

CrashReportHandler::~CrashReportHandler() {
    if (gRegistered == this) gRegistered = nullptr;
    crashLibraryUninstall();
}

bool CrashReportHandler::OnCrash() { return true; }

ProgramCrashHandler::ProgramCrashHandler(ByteString programFolder, ByteString temporaryFolder,
                                         ByteString systemFolder, AddFileFunction addFile)
    : programFolder_(std::move(programFolder)),
      temporaryFolder_(std::move(temporaryFolder)),
      systemFolder_(std::move(systemFolder)),
      addFile_(addFile ? addFile : crashLibraryAddFile) {}

bool ProgramCrashHandler::OnCrash() {
    CrashReportHandler::OnCrash();
    ByteString appInfo = programFolder_ + "/AppInfo.txt";
    if (isFile(appInfo)) addFile_(appInfo.c_str(), "Product version information.");

    ByteString systemInfo = temporaryFolder_ + "/SystemInfo.txt";
    if (saveFile(collectSystemInfo(systemFolder_), systemInfo))
        addFile_(systemInfo.c_str(), "Useful system information.");
    return true;
}

void registerCrashHandler(CrashReportHandler* handler) { gRegistered = handler; }

CrashReportHandler* registeredCrashHandler() { return gRegistered; }

int crashReportCallback(void*) { return gRegistered ? (gRegistered->OnCrash() ? 1 : 0) : 1; }

ByteString crashReportSubject(const ByteString& programPath) {
    const size_t slash = programPath.view().find_last_of("/\\");
    if (slash == std::string_view::npos) return "[" + programPath + "] Crash report";
    const ByteString name = programPath.Mid(static_cast<uint32_t>(slash + 1));
    return "[" + name + "] Crash report";
}

}  // namespace orv

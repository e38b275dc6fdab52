#include "crash/crash_handler.h"

#include "crash/crash_library.h"

namespace orv {

namespace {

CrashReportHandler* gRegistered = nullptr;

}  // namespace

CrashReportHandler::~CrashReportHandler() {
    if (gRegistered == this) gRegistered = nullptr;
    crashLibraryUninstall();
}

bool CrashReportHandler::OnCrash() { return true; }

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

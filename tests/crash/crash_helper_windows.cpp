// A program that starts like the editor on Windows, installing the crash
// reporter through the ordinary run-time loading, then fails on purpose as
// its argument says: "fault" writes to an invalid address, "overflow" runs
// out of stack, "thread" faults on a started thread, "hang" faults and
// never returns from the crash callback.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "crash/program_environment.h"
#include "tests/crash/deliberate_faults.h"

namespace {

using orv::test::fault;
using orv::test::recurse;

struct HangingHandler : orv::CrashReportHandler {
    bool OnCrash() override {
        orv::programEnvironment().crashHandler->OnCrash();
        for (;;) Sleep(1000);
    }
};

DWORD WINAPI faultingThread(void*) {
    fault();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    orv::initProgramEnvironment(argc, argv, nullptr);
    std::printf("crash reporter %s\n", orv::programEnvironment().crashReporterInstalled ? "installed" : "missing");
    std::fflush(stdout);
    const char* how = argc > 1 ? argv[1] : "fault";
    static HangingHandler hanging;
    if (std::strcmp(how, "hang") == 0) orv::registerCrashHandler(&hanging);
    if (std::strcmp(how, "overflow") == 0) return recurse(0);
    if (std::strcmp(how, "thread") == 0) {
        HANDLE thread = CreateThread(nullptr, 0, faultingThread, nullptr, 0, nullptr);
        WaitForSingleObject(thread, INFINITE);
        return 0;
    }
    fault();
    return 0;
}

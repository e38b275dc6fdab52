// A program that starts like the editor, installing the crash reporter
// through the ordinary run-time loading, and then crashes on purpose as its
// argument says: "segv" writes to an unmapped address, "abort" aborts,
// "overflow" and "thread-overflow" run out of stack on the start-up thread
// or on a started thread, "heap" corrupts the heap so that the C library
// aborts inside free with the allocator's lock held, "twice" aborts and
// faults again inside the crash callback, "hang" faults and never returns
// from the callback.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "crash/program_environment.h"
#include "crash/signal_stack.h"
#include "tests/crash/deliberate_faults.h"

namespace {

using orv::test::fault;
using orv::test::recurse;

// A chunk too big for the per-thread cache, freed twice: the second free
// finds the corruption with the arena locked (a process that has started a
// thread always locks it) and aborts.
void corruptHeap() {
    orv::startThread([] {}).join();
    char* volatile chunk = static_cast<char*>(std::malloc(4000));
    [[maybe_unused]] void* volatile neighbour = std::malloc(4000);  // keeps the chunk off the top
    std::free(chunk);
    std::free(chunk);
}

// Runs the program's own handler, then fails inside the callback.
struct FailingHandler : orv::CrashReportHandler {
    bool hang = false;
    bool OnCrash() override {
        orv::programEnvironment().crashHandler->OnCrash();
        if (hang) for (;;) pause();
        fault();
        return true;
    }
};

}  // namespace

int main(int argc, char** argv) {
    orv::initProgramEnvironment(argc, argv, nullptr);
    std::printf("crash reporter %s\n", orv::programEnvironment().crashReporterInstalled ? "installed" : "missing");
    std::fflush(stdout);
    const std::string mode = argc > 1 ? argv[1] : "segv";
    static FailingHandler failing;
    failing.hang = mode == "hang";
    if (mode == "hang" || mode == "twice") orv::registerCrashHandler(&failing);
    if (mode == "abort" || mode == "twice") std::abort();
    if (mode == "overflow") return recurse(0);
    if (mode == "thread-overflow") orv::startThread([] { recurse(0); }).join();
    if (mode == "heap") corruptHeap();
    fault();
    return 0;
}

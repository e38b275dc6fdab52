// A program that starts like the editor, installing the crash reporter
// through the ordinary run-time loading, and then crashes on purpose:
// "segv" writes to an unmapped address, "abort" aborts, "overflow" runs
// out of stack.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "crash/program_environment.h"

namespace {

volatile int gNeverReached = -1;

int recurse(int depth) {
    if (depth == gNeverReached) return 0;
    volatile char frame[4096];
    frame[0] = static_cast<char>(depth);
    return recurse(depth + 1) + frame[0];
}

}  // namespace

int main(int argc, char** argv) {
    orv::initProgramEnvironment(argc, argv, nullptr);
    std::printf("crash reporter %s\n", orv::programEnvironment().crashReporterInstalled ? "installed" : "missing");
    std::fflush(stdout);
    if (argc > 1 && std::strcmp(argv[1], "abort") == 0) std::abort();
    if (argc > 1 && std::strcmp(argv[1], "overflow") == 0) return recurse(0);
    int* volatile target = reinterpret_cast<int*>(uintptr_t{16});
    *target = 1;
    return 0;
}

// A program that starts like the editor, installing the crash reporter
// through the ordinary run-time loading, and then crashes on purpose:
// "segv" writes to an unmapped address, "abort" aborts.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "crash/program_environment.h"

int main(int argc, char** argv) {
    orv::initProgramEnvironment(argc, argv, nullptr);
    std::printf("crash reporter %s\n", orv::programEnvironment().crashReporterInstalled ? "installed" : "missing");
    std::fflush(stdout);
    if (argc > 1 && std::strcmp(argv[1], "abort") == 0) std::abort();
    int* volatile target = reinterpret_cast<int*>(uintptr_t{16});
    *target = 1;
    return 0;
}

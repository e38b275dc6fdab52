// The crash-reporting library's calls, bound the way the program binds them.
#include <gtest/gtest.h>

#include <signal.h>

#include <string>

#include "crash/report/crash_report.h"
#include "support/dynamic_library.h"

namespace {

struct Library {
    void* handle = orv::LoadLibrarySlot(ORV_CRASH_LIBRARY);
    CrashReportInstallFunction install =
        reinterpret_cast<CrashReportInstallFunction>(orv::BindFunction(handle, "Install"));
    CrashReportAddFileFunction addFile =
        reinterpret_cast<CrashReportAddFileFunction>(orv::BindFunction(handle, "AddFile"));
    CrashReportUninstallFunction uninstall =
        reinterpret_cast<CrashReportUninstallFunction>(orv::BindFunction(handle, "Uninstall"));
};

int refuse(void*) { return 0; }

void (*currentHandler(int signal))(int) {
    struct sigaction now {};
    sigaction(signal, nullptr, &now);
    return now.sa_handler;
}

TEST(CrashLibrary, UninstallRestoresThePreviousSignalHandling) {
    Library lib;
    ASSERT_TRUE(lib.install && lib.addFile && lib.uninstall);
    EXPECT_EQ(lib.uninstall(), 0);  // nothing installed yet

    // SIGILL: a signal that no sanitizer of the test build claims.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction previous {};
    sigaction(SIGILL, &ignore, &previous);

    EXPECT_EQ(lib.install(refuse, "https://example.test/", "[test] Crash report"), 1);
    EXPECT_EQ(lib.install(refuse, "https://example.test/", "[test] Crash report"), 1);  // again: no harm
    EXPECT_NE(currentHandler(SIGILL), SIG_IGN);
    stack_t stack {};
    sigaltstack(nullptr, &stack);
    EXPECT_EQ(stack.ss_flags & SS_DISABLE, 0);

    EXPECT_EQ(lib.uninstall(), 1);
    EXPECT_EQ(currentHandler(SIGILL), SIG_IGN);
    EXPECT_EQ(lib.uninstall(), 0);
    sigaction(SIGILL, &previous, nullptr);
}

TEST(CrashLibrary, AddFileTakesPathsUpToItsFixedCapacity) {
    Library lib;
    ASSERT_TRUE(lib.addFile && lib.uninstall && lib.install);
    EXPECT_EQ(lib.addFile(nullptr, "none"), 0);
    EXPECT_EQ(lib.addFile("", "none"), 0);
    int accepted = 0;
    for (int i = 0; i < 40; ++i) accepted += lib.addFile(("/tmp/file" + std::to_string(i)).c_str(), nullptr);
    EXPECT_EQ(accepted, 32);
    // Uninstalling forgets the added files.
    EXPECT_EQ(lib.install(nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(lib.uninstall(), 1);
    EXPECT_EQ(lib.addFile("/tmp/again", "after"), 1);
    lib.install(nullptr, nullptr, nullptr);
    lib.uninstall();
}

}  // namespace

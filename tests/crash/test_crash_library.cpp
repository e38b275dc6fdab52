// The crash-reporting library's calls, bound the way the program binds them.
#include <gtest/gtest.h>

#include <signal.h>

#include <string>

#include "crash/report/crash_report.h"
#include "support/dynamic_library.h"

namespace {

int refuse(void*) { return 0; }

void (*currentHandler(int signal))(int) {
    struct sigaction now {};
    sigaction(signal, nullptr, &now);
    return now.sa_handler;
}

TEST(CrashLibrary, InstallUninstallAndAddFile) {
    void* handle = orv::LoadLibrarySlot(ORV_CRASH_LIBRARY);
    auto install = reinterpret_cast<CrashReportInstallFunction>(orv::BindFunction(handle, "Install"));
    auto addFile = reinterpret_cast<CrashReportAddFileFunction>(orv::BindFunction(handle, "AddFile"));
    auto uninstall = reinterpret_cast<CrashReportUninstallFunction>(orv::BindFunction(handle, "Uninstall"));
    ASSERT_TRUE(install && addFile && uninstall);
    EXPECT_EQ(uninstall(), 0);  // nothing installed yet

    // SIGILL: a signal that no sanitizer of the test build claims.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction previous {};
    sigaction(SIGILL, &ignore, &previous);
    EXPECT_EQ(install(refuse, "https://example.test/", "[test] Crash report"), 1);
    EXPECT_EQ(install(refuse, "https://example.test/", "[test] Crash report"), 1);  // again: no harm
    EXPECT_NE(currentHandler(SIGILL), SIG_IGN);
    stack_t stack {};
    sigaltstack(nullptr, &stack);
    EXPECT_EQ(stack.ss_flags & SS_DISABLE, 0);
    EXPECT_EQ(uninstall(), 1);
    EXPECT_EQ(currentHandler(SIGILL), SIG_IGN);  // the previous handling is back
    EXPECT_EQ(uninstall(), 0);
    sigaction(SIGILL, &previous, nullptr);

    // Files up to a fixed capacity; uninstalling forgets them.
    EXPECT_EQ(addFile(nullptr, "none"), 0);
    EXPECT_EQ(addFile("", "none"), 0);
    int accepted = 0;
    for (int i = 0; i < 40; ++i) accepted += addFile(("/tmp/file" + std::to_string(i)).c_str(), nullptr);
    EXPECT_EQ(accepted, 32);
    EXPECT_EQ(install(nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(uninstall(), 1);
    EXPECT_EQ(addFile("/tmp/again", "after"), 1);
    install(nullptr, nullptr, nullptr);
    uninstall();
}

}  // namespace

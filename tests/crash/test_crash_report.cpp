// The crash-reporting library bound the way the program binds it, and a
// helper that installs it like the editor and then crashes, with the report
// it leaves behind.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "crash/report/crash_report.h"
#include "support/dynamic_library.h"

namespace {

namespace fs = std::filesystem;

std::string readText(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(CrashLibrary, UninstallRestoresThePreviousHandlingAndFilesHaveAFixedCapacity) {
    void* library = orv::LoadLibrarySlot(ORV_CRASH_LIBRARY);
    auto install = reinterpret_cast<CrashReportInstallFunction>(orv::BindFunction(library, "Install"));
    auto addFile = reinterpret_cast<CrashReportAddFileFunction>(orv::BindFunction(library, "AddFile"));
    auto uninstall = reinterpret_cast<CrashReportUninstallFunction>(orv::BindFunction(library, "Uninstall"));
    ASSERT_TRUE(install && addFile && uninstall);
    struct sigaction ignore {}, previous {}, now {};
    ignore.sa_handler = SIG_IGN;  // on SIGILL, which no sanitizer of the test build claims
    sigaction(SIGILL, &ignore, &previous);
    EXPECT_EQ(uninstall(), 0);  // nothing installed yet
    EXPECT_EQ(install(nullptr, "https://x.test/", "[test]"), 1);
    EXPECT_EQ(install(nullptr, "", ""), 1);  // again: no harm
    sigaction(SIGILL, nullptr, &now);
    EXPECT_NE(now.sa_handler, SIG_IGN);
    EXPECT_EQ(uninstall(), 1);
    sigaction(SIGILL, &previous, &now);
    EXPECT_EQ(now.sa_handler, SIG_IGN);

    int accepted = 0;
    for (int i = 0; i < 40; ++i) accepted += addFile(("/tmp/file" + std::to_string(i)).c_str(), nullptr);
    EXPECT_EQ(accepted, 32);
    install(nullptr, nullptr, nullptr);
    uninstall();  // forgets them
    EXPECT_EQ(addFile("", "none") + addFile("/tmp/again", "after"), 1);
}

class CrashReport : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/orv-report-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        for (const char* folder : {"bin", "tmp"}) fs::create_directory(root_ / folder);
        fs::copy_file(ORV_CRASH_HELPER, root_ / "bin" / "crash_helper");
        fallback_ = root_ / "tmp" / ("crash_helper-" + std::to_string(geteuid()));
    }
    void TearDown() override { fs::remove_all(root_); }

    // Runs the helper with the library beside it, found by name or missing,
    // and its state and temporary folders under the test's folder. Under
    // AddressSanitizer the crash must reach the program's own handler.
    void runHelper(const std::string& mode, const std::string& library = "beside") {
        const fs::path beside = root_ / "bin" / fs::path(ORV_CRASH_LIBRARY).filename();
        fs::remove(beside);
        if (library == "beside") fs::copy_file(ORV_CRASH_LIBRARY, beside);
        const char* asan = getenv("ASAN_OPTIONS");
        const std::string r = root_.string();
        std::string command = "ulimit -c 0; exec timeout -s KILL 30 env -i HOME=" + r + "/home XDG_STATE_HOME=" + r +
                              "/state TMPDIR=" + r + "/tmp ASAN_OPTIONS=" + (asan ? asan : "") +
                              ":handle_segv=0:handle_abort=0:allow_user_segv_handler=1:detect_leaks=0";
        if (library == "by name") command += " LD_LIBRARY_PATH=" + fs::path(ORV_CRASH_LIBRARY).parent_path().string();
        command += " " + r + "/bin/crash_helper " + mode + " >" + r + "/out.txt 2>" + r + "/err.txt";
        const auto start = std::chrono::steady_clock::now();
        status_ = std::system(command.c_str());
        seconds_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        out_ = readText(root_ / "out.txt");
        err_ = readText(root_ / "err.txt");
    }

    // The report folders in `base`/crash-reports.
    static std::vector<fs::path> reports(const fs::path& base) {
        std::error_code ec;
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(base / "crash-reports", ec)) found.push_back(entry.path());
        return found;
    }

    bool killedBy(int signal) const { return WIFSIGNALED(status_) && WTERMSIG(status_) == signal; }

    fs::path root_, fallback_;
    int status_ = 0;
    double seconds_ = 0;
    std::string out_, err_;
};

// Four lines, each a label padded to six characters and a non-empty value.
void expectSystemInfo(const std::string& text) {
    EXPECT_TRUE(std::regex_match(text, std::regex("OS:   .+\r\nCPU:  .+\r\nRAM:  .+\r\n/     .+\r\n"))) << text;
}

// However the program fails, and even when the callback fails or never
// returns, the process ends with the original signal within 10 s and leaves
// a full report. "heap" would hang for good if anything on the signal path
// allocated: the C library aborts there with the allocator's lock held.
TEST_F(CrashReport, EveryCrashEndsWithItsSignalWithinTenSecondsAndLeavesAReport) {
    const struct {
        const char* mode;
        int signal;
        const char* summary;  // expected in report.txt
    } rows[] = {
        {"segv", SIGSEGV, "Signal: 11 (SIGSEGV)\nAddress: 0x10\n"},
        {"overflow", SIGSEGV, "Signal: 11 (SIGSEGV)\n"},
        {"thread-overflow", SIGSEGV, "Signal: 11 (SIGSEGV)\n"},
#ifndef __SANITIZE_ADDRESS__  // the sanitizer's allocator reports the double free itself
        {"heap", SIGABRT, "Signal: 6 (SIGABRT)\nTime: "},  // no address for an abort
#endif
        {"twice", SIGABRT, "UTC\nIncomplete: callback\n"},
        {"hang", SIGSEGV, "UTC\nIncomplete: callback\n"},
    };
    std::ofstream(root_ / "bin" / "AppInfo.txt") << "Orvantis 1.4 test build\r\n";
    const fs::path state = root_ / "state" / "crash_helper";
    for (const auto& row : rows) {
        SCOPED_TRACE(row.mode);
        fs::remove_all(root_ / "state");
        runHelper(row.mode, row.signal == SIGABRT ? "by name" : "beside");
        EXPECT_TRUE(killedBy(row.signal)) << err_;
        EXPECT_LT(seconds_, 10.0);
        const std::vector<fs::path> found = reports(state);
        ASSERT_EQ(found.size(), 1u) << err_;
        EXPECT_NE(err_.find("Crash report written to " + found[0].string() + "\n"), std::string::npos) << err_;
        const std::string summary = readText(found[0] / "report.txt");
        EXPECT_EQ(summary.find("Subject: [crash_helper] Crash report\nDestination: https://"), 0u) << summary;
        EXPECT_NE(summary.find(row.summary), std::string::npos) << summary;
        EXPECT_EQ(readText(found[0] / "files.txt"),
                  "AppInfo.txt\tProduct version information.\t" + (root_ / "bin" / "AppInfo.txt").string() +
                      "\nSystemInfo.txt\tUseful system information.\t" + (state / "SystemInfo.txt").string() + "\n");
        expectSystemInfo(readText(found[0] / "SystemInfo.txt"));
        EXPECT_NE(readText(found[0] / "backtrace.txt").find("crash_helper(+0x"), std::string::npos);
    }
    runHelper("segv", "missing");  // without the library the program runs on
    EXPECT_EQ(out_, "crash reporter missing\n");
    EXPECT_TRUE(killedBy(SIGSEGV)) << err_;
    EXPECT_EQ(err_.find("Crash report"), std::string::npos);
}

// Another user can plant links and folders in the shared temporary folder;
// a crash never writes through them. The fallback there is used only when
// it is the user's own, private folder.
TEST_F(CrashReport, PlantedLinksAndForeignFoldersAreNeverWrittenThrough) {
    std::ofstream(root_ / "state") << "a file where the state folder should be";
    std::ofstream(root_ / "victim.txt") << "precious";
    fs::create_directory(root_ / "victim");
    fs::create_symlink(root_ / "victim.txt", root_ / "tmp" / "SystemInfo.txt");
    fs::create_symlink(root_ / "victim", fallback_);
    runHelper("segv");
    EXPECT_TRUE(killedBy(SIGSEGV)) << err_;
    EXPECT_NE(err_.find("Crash report: no folder could be created."), std::string::npos) << err_;
    fs::remove(fallback_);
    fs::create_directory(fallback_);
    fs::permissions(fallback_, fs::perms::all);  // writable by everyone
    runHelper("segv");
    if (geteuid() == 0) {  // another user's folder, private to them
        fs::permissions(fallback_, fs::perms::owner_all);
        ASSERT_EQ(chown(fallback_.c_str(), 6001, 6001), 0);
        runHelper("segv");
    }
    EXPECT_TRUE(reports(fallback_).empty());
    EXPECT_TRUE(fs::is_empty(root_ / "victim"));

    // The user's own fallback folder; a link left in it is replaced, not followed.
    fs::remove_all(fallback_);
    fs::create_directory(fallback_);
    fs::permissions(fallback_, fs::perms::owner_all);
    fs::create_symlink(root_ / "victim.txt", fallback_ / "SystemInfo.txt");
    runHelper("segv");
    ASSERT_EQ(reports(fallback_).size(), 1u) << err_;
    expectSystemInfo(readText(reports(fallback_)[0] / "SystemInfo.txt"));
    EXPECT_EQ(fs::status(fallback_ / "SystemInfo.txt").permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(readText(root_ / "victim.txt"), "precious");
}

}  // namespace

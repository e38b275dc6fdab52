// Runs a helper that installs the crash reporter the way the editor does
// and then crashes, and inspects the report it leaves behind.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string readText(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class CrashReport : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/orv-report-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        fs::create_directories(root_ / "tmp");
        fs::create_directories(root_ / "bin");
        fs::copy_file(ORV_CRASH_HELPER, root_ / "bin" / "crash_helper");
        fallback_ = root_ / "tmp" / ("crash_helper-" + std::to_string(geteuid()));
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }

    // Runs the helper from its own folder, the library beside it ("beside"),
    // found by name ("by name") or missing, with its state and temporary
    // folders under the test's folder; a hung helper is killed at 30 s.
    void runHelper(const std::string& mode, const std::string& library = "beside") {
        const fs::path beside = root_ / "bin" / fs::path(ORV_CRASH_LIBRARY).filename();
        if (library == "beside" && !fs::exists(beside)) fs::copy_file(ORV_CRASH_LIBRARY, beside);
        const char* asan = getenv("ASAN_OPTIONS");
        // Under AddressSanitizer the crash must reach the program's own handler.
        std::string command = "ulimit -c 0; exec timeout -s KILL 30 env -i HOME='" + (root_ / "home").string() +
                              "' XDG_STATE_HOME='" + (root_ / "state").string() + "' TMPDIR='" +
                              (root_ / "tmp").string() + "' ASAN_OPTIONS='" + (asan ? asan : "") +
                              ":handle_segv=0:handle_sigbus=0:handle_sigill=0:handle_sigfpe=0:handle_abort=0"
                              ":allow_user_segv_handler=1:detect_leaks=0'";
        if (library == "by name") command += " LD_LIBRARY_PATH='" + fs::path(ORV_CRASH_LIBRARY).parent_path().string() + "'";
        command += " '" + (root_ / "bin" / "crash_helper").string() + "' " + mode + " >'" +
                   (root_ / "stdout.txt").string() + "' 2>'" + (root_ / "stderr.txt").string() + "'";
        const auto start = std::chrono::steady_clock::now();
        status_ = std::system(command.c_str());
        seconds_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        out_ = readText(root_ / "stdout.txt");
        err_ = readText(root_ / "stderr.txt");
    }

    // The report folders under `base`/crash-reports.
    std::vector<fs::path> reports(const fs::path& base) {
        std::error_code ec;
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(base / "crash-reports", ec)) found.push_back(entry.path());
        return found;
    }

    void expectKilledBy(int signal) {
        ASSERT_TRUE(WIFSIGNALED(status_)) << err_;
        EXPECT_EQ(WTERMSIG(status_), signal) << err_;
    }

    fs::path root_, fallback_;
    int status_ = 0;
    double seconds_ = 0;
    std::string out_, err_;
};

// Four lines, each a label padded to six characters and a non-empty value.
void expectSystemInfo(const std::string& text) {
    const char* labels[] = {"OS:   ", "CPU:  ", "RAM:  ", "/     "};
    size_t pos = 0;
    for (const char* label : labels) {
        EXPECT_EQ(text.compare(pos, 6, label), 0) << text;
        const size_t end = text.find("\r\n", pos);
        ASSERT_NE(end, std::string::npos) << text;
        EXPECT_GT(end, pos + 6) << "empty line after " << label;
        pos = end + 2;
    }
    EXPECT_EQ(pos, text.size());
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
        const char* library;
    } rows[] = {
        {"segv", SIGSEGV, "Signal: 11 (SIGSEGV)\nAddress: 0x10\n", "beside"},
        {"abort", SIGABRT, "Signal: 6 (SIGABRT)\nTime: ", "by name"},
        {"overflow", SIGSEGV, "Signal: 11 (SIGSEGV)\n", "beside"},
        {"thread-overflow", SIGSEGV, "Signal: 11 (SIGSEGV)\n", "beside"},
#ifndef __SANITIZE_ADDRESS__  // the sanitizer's allocator reports the double free itself
        {"heap", SIGABRT, "Signal: 6 (SIGABRT)\n", "beside"},
#endif
        {"twice", SIGABRT, "UTC\nIncomplete: callback\n", "beside"},
        {"hang", SIGSEGV, "UTC\nIncomplete: callback\n", "beside"},
    };
    std::ofstream(root_ / "bin" / "AppInfo.txt") << "Orvantis 1.4 test build\r\n";
    const fs::path state = root_ / "state" / "crash_helper";
    for (const auto& row : rows) {
        SCOPED_TRACE(row.mode);
        fs::remove_all(root_ / "state");
        fs::remove(root_ / "bin" / fs::path(ORV_CRASH_LIBRARY).filename());
        runHelper(row.mode, row.library);
        EXPECT_EQ(out_, "crash reporter installed\n");
        expectKilledBy(row.signal);
        EXPECT_LT(seconds_, 10.0);
        const std::vector<fs::path> found = reports(state);
        ASSERT_EQ(found.size(), 1u) << err_;
        const fs::path folder = found.front();
        EXPECT_NE(err_.find("Crash report written to " + folder.string() + "\n"), std::string::npos) << err_;
        const std::string summary = readText(folder / "report.txt");
        EXPECT_EQ(summary.find("Subject: [crash_helper] Crash report\nDestination: https://"), 0u) << summary;
        EXPECT_NE(summary.find(row.summary), std::string::npos) << summary;
        EXPECT_EQ(readText(folder / "files.txt"),
                  "AppInfo.txt\tProduct version information.\t" + (root_ / "bin" / "AppInfo.txt").string() +
                      "\nSystemInfo.txt\tUseful system information.\t" + (state / "SystemInfo.txt").string() + "\n");
        EXPECT_EQ(readText(folder / "AppInfo.txt"), "Orvantis 1.4 test build\r\n");
        expectSystemInfo(readText(folder / "SystemInfo.txt"));
        EXPECT_NE(readText(folder / "backtrace.txt").find("crash_helper(+0x"), std::string::npos);
    }
}

TEST_F(CrashReport, WithoutTheLibraryTheProgramRunsOnAndNothingIsReported) {
    runHelper("segv", "missing");
    EXPECT_EQ(out_, "crash reporter missing\n");
    expectKilledBy(SIGSEGV);
    EXPECT_FALSE(fs::exists(root_ / "state"));
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
    expectKilledBy(SIGSEGV);
    EXPECT_NE(err_.find("Crash report: no folder could be created."), std::string::npos) << err_;

    fs::remove(fallback_);
    fs::create_directory(fallback_);
    fs::permissions(fallback_, fs::perms::all);  // writable by everyone
    runHelper("segv");
    EXPECT_TRUE(reports(fallback_).empty());
    if (geteuid() == 0) {  // another user's folder, private to them
        fs::permissions(fallback_, fs::perms::owner_all);
        ASSERT_EQ(chown(fallback_.c_str(), 6001, 6001), 0);
        runHelper("segv");
        EXPECT_TRUE(reports(fallback_).empty());
    }
    EXPECT_TRUE(fs::is_empty(root_ / "victim"));
    EXPECT_EQ(readText(root_ / "victim.txt"), "precious");

    // The user's own fallback folder; a link left in it is replaced, not followed.
    fs::remove_all(fallback_);
    fs::create_directory(fallback_);
    fs::permissions(fallback_, fs::perms::owner_all);
    fs::create_symlink(root_ / "victim.txt", fallback_ / "SystemInfo.txt");
    runHelper("segv");
    expectKilledBy(SIGSEGV);
    ASSERT_EQ(reports(fallback_).size(), 1u) << err_;
    expectSystemInfo(readText(reports(fallback_).front() / "SystemInfo.txt"));
    EXPECT_EQ(fs::status(fallback_ / "SystemInfo.txt").permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::status(reports(fallback_).front()).permissions(), fs::perms::owner_all);
    EXPECT_EQ(readText(root_ / "victim.txt"), "precious");
    EXPECT_TRUE(fs::is_symlink(root_ / "tmp" / "SystemInfo.txt"));
}

}  // namespace

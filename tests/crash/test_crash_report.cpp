// Runs a helper that installs the crash reporter the way the editor does
// and then crashes, and inspects the report it leaves behind.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

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
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }

    // Copies the helper, and the library when asked, into a folder of its own
    // and runs it with its state and temporary folders under the test's folder.
    void runHelper(const char* mode, bool withLibrary, const std::string& libraryPath = {}) {
        helper_ = root_ / "bin" / "crash_helper";
        fs::create_directories(helper_.parent_path());
        fs::copy_file(ORV_CRASH_HELPER, helper_);
        if (withLibrary) fs::copy_file(ORV_CRASH_LIBRARY, root_ / "bin" / fs::path(ORV_CRASH_LIBRARY).filename());
        const char* asan = getenv("ASAN_OPTIONS");
        // A clean environment; under AddressSanitizer the crash must reach the program's own handler.
        std::string command = "exec env -i HOME='" + (root_ / "home").string() + "' XDG_STATE_HOME='" +
                              (root_ / "state").string() + "' TMPDIR='" + (root_ / "tmp").string() +
                              "' ASAN_OPTIONS='" + (asan ? asan : "") +
                              ":handle_segv=0:handle_sigbus=0:handle_sigill=0:handle_sigfpe=0:handle_abort=0"
                              ":allow_user_segv_handler=1:detect_leaks=0'";
        if (!libraryPath.empty()) command += " LD_LIBRARY_PATH='" + libraryPath + "'";
        command += " '" + helper_.string() + "' " + mode + " >'" + (root_ / "stdout.txt").string() + "' 2>'" +
                   (root_ / "stderr.txt").string() + "'";
        status_ = std::system(command.c_str());
        out_ = readText(root_ / "stdout.txt");
        err_ = readText(root_ / "stderr.txt");
    }

    // The one report folder found under `reports`, or an empty path.
    fs::path reportFolder(const fs::path& reports) {
        std::error_code ec;
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(reports, ec)) found.push_back(entry.path());
        EXPECT_LE(found.size(), 1u);
        return found.empty() ? fs::path() : found.front();
    }
    fs::path reportFolder() { return reportFolder(root_ / "state" / "crash_helper" / "crash-reports"); }

    void expectKilledBy(int signal) {
        ASSERT_TRUE(WIFSIGNALED(status_)) << err_;
        EXPECT_EQ(WTERMSIG(status_), signal);
    }

    fs::path root_, helper_;
    int status_ = 0;
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

TEST_F(CrashReport, SegmentationFaultWithTheLibraryBesideTheProgram) {
    fs::create_directories(root_ / "bin");
    std::ofstream(root_ / "bin" / "AppInfo.txt") << "Orvantis 1.4 test build\r\n";
    runHelper("segv", true);
    EXPECT_EQ(out_, "crash reporter installed\n");
    expectKilledBy(SIGSEGV);

    const fs::path folder = reportFolder();
    ASSERT_FALSE(folder.empty()) << err_;
    EXPECT_NE(err_.find("Crash report written to " + folder.string() + "\n"), std::string::npos) << err_;
    expectSystemInfo(readText(folder / "SystemInfo.txt"));
    EXPECT_EQ(readText(folder / "SystemInfo.txt"), readText(root_ / "tmp" / "SystemInfo.txt"));
    EXPECT_EQ(readText(folder / "AppInfo.txt"), "Orvantis 1.4 test build\r\n");
    EXPECT_EQ(readText(folder / "files.txt"),
              "AppInfo.txt\tProduct version information.\t" + (root_ / "bin" / "AppInfo.txt").string() +
                  "\nSystemInfo.txt\tUseful system information.\t" + (root_ / "tmp" / "SystemInfo.txt").string() +
                  "\n");
    const std::string summary = readText(folder / "report.txt");
    EXPECT_NE(summary.find("Subject: [crash_helper] Crash report\n"), std::string::npos) << summary;
    EXPECT_NE(summary.find("Destination: https://"), std::string::npos) << summary;
    EXPECT_NE(summary.find("Signal: 11 (SIGSEGV)\nAddress: 0x10\n"), std::string::npos) << summary;
    EXPECT_NE(readText(folder / "backtrace.txt").find("crash_helper"), std::string::npos);
}

TEST_F(CrashReport, AbortWithTheLibraryFoundByNameAndNoAppInfo) {
    runHelper("abort", false, fs::path(ORV_CRASH_LIBRARY).parent_path().string());
    EXPECT_EQ(out_, "crash reporter installed\n");
    expectKilledBy(SIGABRT);
    const fs::path folder = reportFolder();
    ASSERT_FALSE(folder.empty()) << err_;
    expectSystemInfo(readText(folder / "SystemInfo.txt"));
    EXPECT_FALSE(fs::exists(folder / "AppInfo.txt"));
    EXPECT_EQ(readText(folder / "files.txt").find("SystemInfo.txt\tUseful system information.\t"), 0u);
    EXPECT_NE(readText(folder / "report.txt").find("Signal: 6 (SIGABRT)\n"), std::string::npos);
}

TEST_F(CrashReport, FallsBackToTheTemporaryFolderWhenTheStateFolderCannotBeMade) {
    std::ofstream(root_ / "state") << "a file where the folder should be";
    runHelper("segv", true);
    expectKilledBy(SIGSEGV);
    const fs::path folder = reportFolder(root_ / "tmp" / "crash_helper-crash-reports");
    ASSERT_FALSE(folder.empty()) << err_;
    expectSystemInfo(readText(folder / "SystemInfo.txt"));
}

TEST_F(CrashReport, WithoutTheLibraryTheProgramRunsOnAndNothingIsReported) {
    runHelper("segv", false);
    EXPECT_EQ(out_, "crash reporter missing\n");
    expectKilledBy(SIGSEGV);
    EXPECT_TRUE(reportFolder().empty());
    EXPECT_EQ(err_.find("Crash report"), std::string::npos);
}

}  // namespace

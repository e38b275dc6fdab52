// Runs a helper that installs the crash reporter the way the editor does
// and then crashes, and inspects the report it leaves behind.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Child {
    int status = 0;
    std::string out;
    std::string err;
};

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

    // Runs `program` in a clean environment whose state and temporary
    // folders lie under the test's folder.
    Child run(const fs::path& program, const char* mode, const std::string& libraryPath = {}) {
        std::vector<std::string> env = {"HOME=" + (root_ / "home").string(),
                                        "XDG_STATE_HOME=" + (root_ / "state").string(),
                                        "TMPDIR=" + (root_ / "tmp").string()};
        // Under AddressSanitizer the crash must reach the program's own handler.
        const char* asan = getenv("ASAN_OPTIONS");
        env.push_back(std::string("ASAN_OPTIONS=") + (asan ? asan : "") +
                      ":handle_segv=0:handle_sigbus=0:handle_sigill=0:handle_sigfpe=0:handle_abort=0"
                      ":allow_user_segv_handler=1:detect_leaks=0");
        if (!libraryPath.empty()) env.push_back("LD_LIBRARY_PATH=" + libraryPath);
        std::vector<char*> envp;
        for (std::string& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        std::string programText = program.string();
        std::string modeText = mode;
        char* argv[] = {programText.data(), modeText.data(), nullptr};

        const fs::path out = root_ / "stdout.txt";
        const fs::path err = root_ / "stderr.txt";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        Child child;
        pid_t pid = 0;
        const int spawned = posix_spawn(&pid, programText.c_str(), &actions, nullptr, argv, envp.data());
        posix_spawn_file_actions_destroy(&actions);
        EXPECT_EQ(spawned, 0);
        if (spawned == 0) waitpid(pid, &child.status, 0);
        child.out = readText(out);
        child.err = readText(err);
        return child;
    }

    // The one report folder of the helper, or an empty path.
    fs::path reportFolder(const char* program) {
        const fs::path reports = root_ / "state" / program / "crash-reports";
        std::error_code ec;
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(reports, ec)) found.push_back(entry.path());
        EXPECT_LE(found.size(), 1u);
        return found.empty() ? fs::path() : found.front();
    }

    // Copies the helper, and the library when asked, into a folder of its own.
    fs::path installHelper(const char* folder, bool withLibrary) {
        const fs::path dir = root_ / folder;
        fs::create_directories(dir);
        fs::copy_file(ORV_CRASH_HELPER, dir / "crash_helper");
        if (withLibrary) fs::copy_file(ORV_CRASH_LIBRARY, dir / fs::path(ORV_CRASH_LIBRARY).filename());
        return dir / "crash_helper";
    }

    fs::path root_;
};

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
    const fs::path helper = installHelper("bin", true);
    std::ofstream(helper.parent_path() / "AppInfo.txt") << "Orvantis 1.4 test build\r\n";

    const Child child = run(helper, "segv");
    EXPECT_EQ(child.out, "crash reporter installed\n");
    ASSERT_TRUE(WIFSIGNALED(child.status)) << child.err;
    EXPECT_EQ(WTERMSIG(child.status), SIGSEGV);

    const fs::path folder = reportFolder("crash_helper");
    ASSERT_FALSE(folder.empty()) << child.err;
    EXPECT_NE(child.err.find("Crash report written to " + folder.string() + "\n"), std::string::npos) << child.err;
    expectSystemInfo(readText(folder / "SystemInfo.txt"));
    EXPECT_EQ(readText(folder / "SystemInfo.txt"), readText(root_ / "tmp" / "SystemInfo.txt"));
    EXPECT_EQ(readText(folder / "AppInfo.txt"), "Orvantis 1.4 test build\r\n");
    EXPECT_EQ(readText(folder / "files.txt"),
              "AppInfo.txt\tProduct version information.\t" + (helper.parent_path() / "AppInfo.txt").string() +
                  "\nSystemInfo.txt\tUseful system information.\t" + (root_ / "tmp" / "SystemInfo.txt").string() +
                  "\n");
    const std::string summary = readText(folder / "report.txt");
    EXPECT_NE(summary.find("Subject: [crash_helper] Crash report\n"), std::string::npos) << summary;
    EXPECT_NE(summary.find("Destination: https://"), std::string::npos) << summary;
    EXPECT_NE(summary.find("Signal: 11 (SIGSEGV)\nAddress: 0x10\n"), std::string::npos) << summary;
    EXPECT_NE(readText(folder / "backtrace.txt").find("crash_helper"), std::string::npos);
}

TEST_F(CrashReport, StackOverflowIsReportedFromTheAlternateStack) {
    const fs::path helper = installHelper("bin", true);
    const Child child = run(helper, "overflow");
    ASSERT_TRUE(WIFSIGNALED(child.status)) << child.err;
    EXPECT_EQ(WTERMSIG(child.status), SIGSEGV);
    const fs::path folder = reportFolder("crash_helper");
    ASSERT_FALSE(folder.empty()) << child.err;
    expectSystemInfo(readText(folder / "SystemInfo.txt"));
}

TEST_F(CrashReport, AbortWithTheLibraryFoundByName) {
    const fs::path helper = installHelper("bin", false);
    const Child child = run(helper, "abort", fs::path(ORV_CRASH_LIBRARY).parent_path().string());
    EXPECT_EQ(child.out, "crash reporter installed\n");
    ASSERT_TRUE(WIFSIGNALED(child.status)) << child.err;
    EXPECT_EQ(WTERMSIG(child.status), SIGABRT);

    const fs::path folder = reportFolder("crash_helper");
    ASSERT_FALSE(folder.empty()) << child.err;
    expectSystemInfo(readText(folder / "SystemInfo.txt"));
    EXPECT_FALSE(fs::exists(folder / "AppInfo.txt"));
    EXPECT_EQ(readText(folder / "files.txt").find("SystemInfo.txt\tUseful system information.\t"), 0u);
    EXPECT_NE(readText(folder / "report.txt").find("Signal: 6 (SIGABRT)\n"), std::string::npos);
}

TEST_F(CrashReport, WithoutTheLibraryTheProgramRunsOnAndNothingIsReported) {
    const fs::path helper = installHelper("alone", false);
    const Child child = run(helper, "segv");
    EXPECT_EQ(child.out, "crash reporter missing\n");
    ASSERT_TRUE(WIFSIGNALED(child.status));
    EXPECT_EQ(WTERMSIG(child.status), SIGSEGV);
    EXPECT_TRUE(reportFolder("crash_helper").empty());
    EXPECT_EQ(child.err.find("Crash report"), std::string::npos);
}

TEST_F(CrashReport, FallsBackToTheTemporaryFolderWhenTheStateFolderCannotBeMade) {
    const fs::path helper = installHelper("bin", true);
    std::ofstream(root_ / "state") << "a file where the folder should be";
    const Child child = run(helper, "segv");
    ASSERT_TRUE(WIFSIGNALED(child.status));
    const fs::path reports = root_ / "tmp" / "crash_helper-crash-reports";
    std::error_code ec;
    auto it = fs::directory_iterator(reports, ec);
    ASSERT_FALSE(ec) << child.err;
    ASSERT_NE(it, fs::directory_iterator());
    expectSystemInfo(readText(it->path() / "SystemInfo.txt"));
}

}  // namespace

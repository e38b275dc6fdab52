// The crash-reporting DLL under Wine: a program that faults (on its main
// thread, on another thread, by overflowing its stack, or with a callback
// that hangs) ends within ten seconds with the fault's code and leaves a
// report folder under the user's local application data, with the system
// description and the product's AppInfo.txt.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/cli/run_program.h"

namespace fs = std::filesystem;

namespace {

std::string readAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class CrashReport : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        root = fs::path(temp) / ("orv-crash-" + std::to_string(GetCurrentProcessId()));
        fs::remove_all(root);
        fs::create_directories(root / "program");
        fs::create_directories(root / "appdata");
        fs::copy_file(ORV_CRASH_HELPER, root / "program" / "editor.exe");
        fs::copy_file(ORV_CRASH_LIBRARY, root / "program" / "CrashReport.dll");
        std::ofstream(root / "program" / "AppInfo.txt", std::ios::binary) << "Orvantis 1.4 test build\r\n";
    }
    void TearDown() override { fs::remove_all(root); }

    // Runs the helper; its exit code and how long it took.
    DWORD run(const char* how, std::chrono::milliseconds& took) {
        SetEnvironmentVariableW(L"LOCALAPPDATA", (root / "appdata").wstring().c_str());
        const auto start = std::chrono::steady_clock::now();
        const int code = orv::testing::waitProgram(
            orv::testing::startProgram({(root / "program" / "editor.exe").string(), how}, "NUL", "NUL", "NUL", {}));
        took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        return static_cast<DWORD>(code);
    }
    // The one report folder.
    fs::path report() {
        const fs::path reports = root / "appdata" / "editor" / "crash-reports";
        std::vector<fs::path> found;
        if (fs::is_directory(reports))
            for (const auto& e : fs::directory_iterator(reports)) found.push_back(e.path());
        EXPECT_EQ(found.size(), 1u);
        return found.empty() ? fs::path() : found[0];
    }

    fs::path root;
};

TEST_F(CrashReport, AFaultAnywhereEndsTheProgramWithItsCodeAndLeavesACompleteReport) {
    for (const char* how : {"fault", "thread", "overflow"}) {
        SCOPED_TRACE(how);
        std::chrono::milliseconds took{};
        const DWORD code = run(how, took);
        EXPECT_EQ(code, how == std::string("overflow") ? 0xC00000FDu : 0xC0000005u);
        EXPECT_LT(took.count(), 10000);
        const fs::path folder = report();
        const std::string summary = readAll(folder / "report.txt");
        EXPECT_NE(summary.find("Subject: [editor.exe] Crash report"), std::string::npos) << summary;
        EXPECT_NE(summary.find("Complete."), std::string::npos) << summary;
        EXPECT_EQ(readAll(folder / "AppInfo.txt"), "Orvantis 1.4 test build\r\n");
        EXPECT_EQ(readAll(folder / "SystemInfo.txt").rfind("OS:   Windows", 0), 0u);
        const std::string index = readAll(folder / "files.txt");
        EXPECT_NE(index.find("AppInfo.txt: Product version information."), std::string::npos) << index;
        EXPECT_NE(index.find("SystemInfo.txt: Useful system information."), std::string::npos) << index;
        EXPECT_TRUE(fs::is_regular_file(folder / "crash.dmp"));
        fs::remove_all(root / "appdata" / "editor");
    }
}

TEST_F(CrashReport, ACallbackThatNeverReturnsStillEndsTheProgramWithinTenSeconds) {
    std::chrono::milliseconds took{};
    EXPECT_EQ(run("hang", took), 0xC0000005u);
    EXPECT_LT(took.count(), 10000);
    EXPECT_GT(took.count(), 7000);  // it was given its time
}

}  // namespace

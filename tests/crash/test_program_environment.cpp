#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "crash/crash_handler.h"
#include "crash/program_environment.h"
#include "crash/known_folders.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

TEST(ProgramEnvironment, EnvironmentKeepsOrderAndIndexesUpperCaseNames) {
    ProgramEnvironment env;
    char e1[] = "Path=/bin";
    char e2[] = "HOME=/home/ann";
    char e3[] = "PATH=/later";
    char e4[] = "EMPTY=";
    char e5[] = "=C:=C:\\work";
    char* block[] = {e1, e2, e3, e4, e5, nullptr};
    readEnvironment(env, block);
    ASSERT_EQ(env.environment.size(), 5u);
    EXPECT_EQ(env.environment[2], "PATH=/later");
    EXPECT_EQ(environmentValue(env, "path"), "/bin");  // the first entry of a name wins
    EXPECT_EQ(environmentValue(env, "Home"), "/home/ann");
    EXPECT_EQ(environmentValue(env, "EMPTY"), "");
    EXPECT_EQ(environmentValue(env, "=C:"), "C:\\work");
    EXPECT_EQ(environmentValue(env, "MISSING"), "");

    EXPECT_EQ(temporaryFolder(env), "/tmp");
    char e6[] = "TMPDIR=/var/tmp/";
    char* more[] = {e6, nullptr};
    readEnvironment(env, more);
    EXPECT_EQ(temporaryFolder(env), "/var/tmp");
}

// A controlled system: variables, existing folders and files.
struct FakeSystem {
    std::map<std::string, std::string> variables;
    std::set<std::string> folders;
    std::map<std::string, std::string> files;

    FolderSources sources() const {
        FolderSources s;
        s.environment = [this](const char* name) {
            auto it = variables.find(name);
            return it == variables.end() ? ByteString() : ByteString(std::string_view(it->second));
        };
        s.isDirectory = [this](const ByteString& p) { return folders.count(p.toStdString()) > 0; };
        s.readFile = [this](const ByteString& p) {
            auto it = files.find(p.toStdString());
            return it == files.end() ? ByteString() : ByteString(std::string_view(it->second));
        };
        return s;
    }
    ByteString folder(SpecialFolder which) const {
        return resolveSpecialFolders(sources())[static_cast<uint32_t>(which)];
    }
};

TEST(SpecialFolders, TableOrderAndSystemFallbacks) {
    FakeSystem sys;
    sys.folders = {"/usr/bin", "/opt", "/usr/share"};
    SpecialFolderTable t = resolveSpecialFolders(sys.sources());
    EXPECT_EQ(t[0], "/");
    EXPECT_EQ(t[1], "/usr/bin");
    EXPECT_EQ(t[4], "/opt");
    EXPECT_EQ(t[5], "/usr/share");
    EXPECT_EQ(t[2], "");  // no home folder: no user folders
    EXPECT_EQ(t[3], "");

    sys.folders.clear();
    EXPECT_EQ(sys.folder(SpecialFolder::systemDirectory), "/bin");
    EXPECT_EQ(sys.folder(SpecialFolder::programFiles), "/usr/local");
    EXPECT_EQ(sys.folder(SpecialFolder::commonFiles), "/usr/local/share");
}

TEST(SpecialFolders, UserFoldersFromXdgSettingsThenUsualPlaces) {
    FakeSystem sys;
    sys.variables = {{"HOME", "/home/ann/"}};
    EXPECT_EQ(sys.folder(SpecialFolder::appData), "/home/ann/.local/share");
    EXPECT_EQ(sys.folder(SpecialFolder::personal), "/home/ann");

    sys.folders.insert("/home/ann/Documents");
    EXPECT_EQ(sys.folder(SpecialFolder::personal), "/home/ann/Documents");

    sys.files["/home/ann/.config/user-dirs.dirs"] = "# written by xdg-user-dirs-update\nXDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n";
    EXPECT_EQ(sys.folder(SpecialFolder::personal), "/home/ann/Docs");

    sys.variables["XDG_CONFIG_HOME"] = "/cfg";
    sys.files["/cfg/user-dirs.dirs"] = "XDG_DOCUMENTS_DIR=\"/data/papers\"\n";
    EXPECT_EQ(sys.folder(SpecialFolder::personal), "/data/papers");

    sys.variables["XDG_DOCUMENTS_DIR"] = "/env/docs";
    sys.variables["XDG_DATA_HOME"] = "/env/data";
    EXPECT_EQ(sys.folder(SpecialFolder::personal), "/env/docs");
    EXPECT_EQ(sys.folder(SpecialFolder::appData), "/env/data");

    // Relative XDG paths are ignored.
    sys.variables["XDG_DATA_HOME"] = "rel/data";
    EXPECT_EQ(sys.folder(SpecialFolder::appData), "/home/ann/.local/share");
}

TEST(SpecialFolders, FilledFromTheCapturedEnvironment) {
    ProgramEnvironment env;
    char e1[] = "XDG_DATA_HOME=/captured/data";
    char* block[] = {e1, nullptr};
    readEnvironment(env, block);
    EXPECT_EQ(specialFolder(env, SpecialFolder::appData), "/captured/data");
    EXPECT_EQ(specialFolder(env, SpecialFolder::windowsDirectory), "/");
}

struct CountingHandler : CrashReportHandler {
    explicit CountingHandler(bool result) : result(result) {}
    bool OnCrash() override {
        ++calls;
        return result;
    }
    bool result;
    int calls = 0;
};

TEST(CrashHandler, CallbackForwardsToTheRegisteredHandler) {
    registerCrashHandler(nullptr);
    EXPECT_EQ(crashReportCallback(nullptr), 1);
    {
        CountingHandler refusing(false);
        registerCrashHandler(&refusing);
        EXPECT_EQ(crashReportCallback(nullptr), 0);
        EXPECT_EQ(refusing.calls, 1);
    }
    // A destroyed handler is no longer reached.
    EXPECT_EQ(registeredCrashHandler(), nullptr);
    EXPECT_EQ(crashReportCallback(nullptr), 1);
    CrashReportHandler base;
    registerCrashHandler(&base);
    EXPECT_EQ(crashReportCallback(nullptr), 1);
    registerCrashHandler(nullptr);
}

TEST(CrashHandler, SubjectNamesTheProgramFile) {
    EXPECT_EQ(crashReportSubject("C:\\Program Files\\Orvantis\\editor.exe"), "[editor.exe] Crash report");
    EXPECT_EQ(crashReportSubject("/usr/local/bin/editor.exe"), "[editor.exe] Crash report");
    EXPECT_EQ(crashReportSubject("editor.exe"), "[editor.exe] Crash report");
}

std::vector<std::pair<std::string, std::string>> gAdded;

bool recordAddFile(const char* path, const char* description) {
    gAdded.emplace_back(path, description);
    return true;
}

std::string readText(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(CrashHandler, OnCrashAddsAppInfoWhenPresentAndFreshSystemInfo) {
    char pattern[] = "/tmp/orv-crash-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const fs::path root = pattern;
    fs::create_directories(root / "bin");
    fs::create_directories(root / "tmp");
    std::ofstream(root / "tmp" / "SystemInfo.txt") << "stale";

    ProgramCrashHandler handler((root / "bin").c_str(), (root / "tmp").c_str(), "/", recordAddFile);
    gAdded.clear();
    EXPECT_TRUE(handler.OnCrash());
    const std::string systemInfo = (root / "tmp" / "SystemInfo.txt").string();
    ASSERT_EQ(gAdded.size(), 1u);
    EXPECT_EQ(gAdded[0], std::make_pair(systemInfo, std::string("Useful system information.")));

    const std::string text = readText(systemInfo);
    EXPECT_EQ(text.rfind("OS:   ", 0), 0u);
    EXPECT_NE(text.find("\r\nCPU:  "), std::string::npos);
    EXPECT_NE(text.find("\r\nRAM:  "), std::string::npos);
    EXPECT_NE(text.find("\r\n/     "), std::string::npos);
    EXPECT_NE(text.find(" Free (User), "), std::string::npos);

    std::ofstream(root / "bin" / "AppInfo.txt") << "Orvantis 1.4";
    gAdded.clear();
    EXPECT_TRUE(handler.OnCrash());
    ASSERT_EQ(gAdded.size(), 2u);
    EXPECT_EQ(gAdded[0].first, (root / "bin" / "AppInfo.txt").string());
    EXPECT_EQ(gAdded[0].second, "Product version information.");
    EXPECT_EQ(gAdded[1].first, systemInfo);
    fs::remove_all(root);
}

TEST(CrashHandler, InstallingWithoutTheLibraryRunsOnWithoutHandler) {
    ProgramEnvironment env;
    env.programPath = "/nowhere/editor";
    EXPECT_FALSE(installCrashReporter(env));
    EXPECT_FALSE(env.crashReporterInstalled);
    registerCrashHandler(nullptr);
}

}  // namespace
}  // namespace orv

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "crash/crash_handler.h"
#include "crash/known_folders.h"
#include "crash/program_environment.h"

namespace orv {
namespace {

TEST(ProgramEnvironment, EnvironmentKeepsOrderAndIndexesUpperCaseNames) {
    ProgramEnvironment env;
    char e1[] = "Path=/bin", e2[] = "HOME=/home/ann", e3[] = "PATH=/later", e4[] = "=C:=C:\\work";
    char* block[] = {e1, e2, e3, e4, nullptr};
    readEnvironment(env, block);
    ASSERT_EQ(env.environment.size(), 4u);
    EXPECT_EQ(env.environment[2], "PATH=/later");
    EXPECT_EQ(environmentValue(env, "path"), "/bin");  // the first entry of a name wins
    EXPECT_EQ(environmentValue(env, "=C:"), "C:\\work");
#ifdef _WIN32
    readEnvironmentBlock(env, "TEMP=C:\\t\\\0USERPROFILE=C:\\u\0");
    EXPECT_EQ(temporaryFolder(env), "C:\\t");
    readEnvironmentBlock(env, "TMP=D:\\\0");
    EXPECT_EQ(temporaryFolder(env), "D:\\");
#else
    EXPECT_EQ(temporaryFolder(env), "/tmp");
    char e5[] = "TMPDIR=/var/tmp/", e6[] = "XDG_DATA_HOME=/captured/data";
    char* more[] = {e5, e6, nullptr};
    readEnvironment(env, more);
    EXPECT_EQ(temporaryFolder(env), "/var/tmp");
    EXPECT_EQ(specialFolder(env, SpecialFolder::appData), "/captured/data");
#endif

#ifndef _WIN32
    // The crash folders; relative paths in the environment are ignored.
    const PrivateFolders f = privateFolders("state", "/home/ann", "tmp", "ed", 7);
    EXPECT_EQ(f.state.view(), "/home/ann/.local/state/ed");
    EXPECT_EQ(f.fallback.view(), "/tmp/ed-7");
    EXPECT_EQ(privateFolders(nullptr, "", "/t", "ed", 7).state.view(), "");
#endif
}

TEST(SpecialFolders, SystemFallbacksAndUserFoldersFromXdgSettings) {
    std::map<std::string, std::string> variables, files;
    std::set<std::string> folders;
    FolderSources s;
    auto find = [](const std::map<std::string, std::string>& m, const std::string& key) {
        auto it = m.find(key);
        return it == m.end() ? ByteString() : ByteString(std::string_view(it->second));
    };
    s.environment = [&](const char* name) { return find(variables, name); };
    s.isDirectory = [&](const ByteString& p) { return folders.count(p.toStdString()) > 0; };
    s.readFile = [&](const ByteString& p) { return find(files, p.toStdString()); };
    auto folder = [&](SpecialFolder which) { return resolveSpecialFolders(s)[static_cast<uint32_t>(which)]; };

    EXPECT_EQ(folder(SpecialFolder::systemDirectory), "/bin");
    EXPECT_EQ(folder(SpecialFolder::programFiles), "/usr/local");
    EXPECT_EQ(folder(SpecialFolder::personal), "");  // no home folder: no user folders
    folders = {"/usr/bin"};
    EXPECT_EQ(folder(SpecialFolder::systemDirectory), "/usr/bin");

    variables = {{"HOME", "/home/ann/"}};
    EXPECT_EQ(folder(SpecialFolder::appData), "/home/ann/.local/share");
    EXPECT_EQ(folder(SpecialFolder::personal), "/home/ann");
    folders.insert("/home/ann/Documents");
    EXPECT_EQ(folder(SpecialFolder::personal), "/home/ann/Documents");
    files["/home/ann/.config/user-dirs.dirs"] = "# written by xdg-user-dirs-update\nXDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n";
    EXPECT_EQ(folder(SpecialFolder::personal), "/home/ann/Docs");
    variables["XDG_DOCUMENTS_DIR"] = "/env/docs";
    variables["XDG_DATA_HOME"] = "rel/data";  // relative paths are ignored
    EXPECT_EQ(folder(SpecialFolder::personal), "/env/docs");
    EXPECT_EQ(folder(SpecialFolder::appData), "/home/ann/.local/share");
}

TEST(CrashHandler, CallbackForwardsToTheRegisteredHandlerAndSubjectNamesTheProgram) {
    struct Refusing : CrashReportHandler {
        bool OnCrash() override { return ++calls, false; }
        int calls = 0;
    };
    registerCrashHandler(nullptr);
    EXPECT_EQ(crashReportCallback(nullptr), 1);  // no handler: the report goes ahead
    {
        Refusing refusing;
        registerCrashHandler(&refusing);
        EXPECT_EQ(crashReportCallback(nullptr), 0);
        EXPECT_EQ(refusing.calls, 1);
    }
    EXPECT_EQ(crashReportCallback(nullptr), 1);  // a destroyed handler is no longer reached
    EXPECT_EQ(crashReportSubject("C:\\Program Files\\Orvantis\\editor.exe"), "[editor.exe] Crash report");
    EXPECT_EQ(crashReportSubject("/usr/local/bin/editor.exe"), "[editor.exe] Crash report");
}

}  // namespace
}  // namespace orv

// The Windows rules of the program environment and system description,
// which are plain functions and so run on every platform.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "crash/command_line.h"
#include "crash/known_folders.h"
#include "crash/os_version_text.h"

namespace orv {
namespace {

TEST(CommandLine, TheProgramNameThenBlanksQuotesAndNoEscapes) {
    EXPECT_EQ(commandLineArguments("\"C:\\Program Files\\Orvantis\\orvantis.exe\"  a.dat"), "a.dat");
    EXPECT_EQ(commandLineArguments("orvantis.exe\tb c"), "b c");
    EXPECT_EQ(commandLineArguments("orvantis.exe"), "");
    const std::pair<ByteString, ByteStringList> cases[] = {
        {"a.dat", {"a.dat"}},
        {"  a   b ", {"a", "b"}},
        {"\"C:\\My Files\\p.dat\" x", {"C:\\My Files\\p.dat", "x"}},
        {"\"\" x", {"", "x"}},                  // two quotes: an empty argument
        {"ab\"c d\"e", {"ab", "c d", "e"}},     // a quote ends an unquoted argument
        {"a\tb", {"a\tb"}},                     // a tab does not separate
        {"C:\\dir\\ \"q", {"C:\\dir\\", "q"}},  // no escapes; an open quote runs to the end
        {"", {}},
    };
    for (const auto& [text, arguments] : cases) EXPECT_EQ(splitCommandLine(text), arguments) << text.toStdString();
}

TEST(WindowsFolders, ShellThenRegistryThenTheWindowsDrive) {
    std::map<int, std::string> shell;
    std::map<std::string, std::string> registry;
    WindowsFolderSources s;
    s.shellFolder = [&](int csidl) { return ByteString(std::string_view(shell[csidl])); };
    s.registryText = [&](bool user, const char* key, const char* value) {
        return ByteString(std::string_view(registry[(user ? "HKCU\\" : "HKLM\\") + std::string(key) + "@" + value]));
    };
    s.windowsDirectory = "D:\\WINDOWS";
    s.systemDirectory = "D:\\WINDOWS\\system32";
    const auto at = [](const SpecialFolderTable& t, SpecialFolder f) { return t[static_cast<uint32_t>(f)]; };

    SpecialFolderTable t = resolveWindowsFolders(s);
    EXPECT_EQ(at(t, SpecialFolder::windowsDirectory), "D:\\WINDOWS");
    EXPECT_EQ(at(t, SpecialFolder::systemDirectory), "D:\\WINDOWS\\system32");
    EXPECT_EQ(at(t, SpecialFolder::programFiles), "D:\\Program Files");
    EXPECT_EQ(at(t, SpecialFolder::commonFiles), "D:\\Program Files\\Common Files");
    EXPECT_EQ(at(t, SpecialFolder::appData), "");

    const std::string explorer = "HKCU\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
    registry[explorer + "Shell Folders@Personal"] = "E:\\Old Docs";
    registry[explorer + "User Shell Folders@AppData"] = "E:\\Roaming";
    registry["HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion@ProgramFilesDir"] = "E:\\Apps";
    t = resolveWindowsFolders(s);
    EXPECT_EQ(at(t, SpecialFolder::personal), "E:\\Old Docs");
    EXPECT_EQ(at(t, SpecialFolder::appData), "E:\\Roaming");
    EXPECT_EQ(at(t, SpecialFolder::programFiles), "E:\\Apps");
    registry[explorer + "User Shell Folders@Personal"] = "E:\\Docs";  // before "Shell Folders"
    shell[0x26] = "F:\\Programs";                                      // the shell before the registry
    shell[0x24] = "F:\\Win";
    t = resolveWindowsFolders(s);
    EXPECT_EQ(at(t, SpecialFolder::personal), "E:\\Docs");
    EXPECT_EQ(at(t, SpecialFolder::programFiles), "F:\\Programs");
    EXPECT_EQ(at(t, SpecialFolder::commonFiles), "F:\\Program Files\\Common Files");
}

TEST(WindowsVersionText, NamesEditionsServicePacksAndSuites) {
    WindowsVersion xp{2, 5, 1, 2600, "Service Pack 2", true, 2, 0, 0x100, 1};
    EXPECT_EQ(windowsVersionText(xp),
              "Windows XP Professional Service Pack 2 SP v2.0 (NT v5.1 Build 2600) [Workstation] "
              "{Terminal Services (1 user)}");
    xp.suiteMask = 0x200;
    xp.mediaCenter = true;  // a metric comes before the suite flags
    EXPECT_EQ(windowsVersionText(xp).Left(31), "Windows XP Media Center Edition");
    WindowsVersion server{2, 5, 2, 3790, "", true, 0, 0, 0x2 | 0x1 | 0x20 | 0x4, 3};
    server.serverR2 = 3790;
    EXPECT_EQ(windowsVersionText(server), "Windows Server 2003 Enterprise Edition \"R2\" Build 3790 (NT v5.2 Build 3790) "
                                          "[Server] {BackOffice, Small Business Edition}");
    EXPECT_EQ(windowsVersionText({2, 10, 0, 22631, "", true, 0, 0, 0, 1}),
              "Windows 11 (NT v10.0 Build 22631) [Workstation]");
    EXPECT_EQ(windowsVersionText({2, 10, 0, 19045, "", false}), "Windows 10 (NT v10.0 Build 19045)");
    EXPECT_EQ(windowsVersionText({2, 10, 0, 20348, "", true, 0, 0, 0, 3}),
              "Windows Server 2022 (NT v10.0 Build 20348) [Server]");
    EXPECT_EQ(windowsVersionText({2, 3, 0, 1, ""}), "Windows Unknown Version (NT v3.0 Build 1)");
    EXPECT_EQ(windowsVersionText({1, 4, 0, 0x04000000 | 1111, ""}), "Windows 95 B (v4.0 Build 1111)");
    EXPECT_EQ(windowsVersionText({1, 4, 10, 2222, ""}), "Windows 98 Second Edition (v4.10 Build 2222)");
    EXPECT_EQ(windowsVersionText({3, 5, 2, 7, ""}), "Windows CE (v5.2 Build 7)");
    EXPECT_EQ(windowsVersionText({0, 0, 0, 0, ""}), "Windows Win32s (v3.1 Build 0)");
}

}  // namespace
}  // namespace orv

// The openers end to end on Windows: handlers that the test registers
// under the current user (as the user's choice or as a class's command)
// are a program that records the arguments it was started with.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "links/open_link.h"
#include "support/dynamic_library.h"
#include "tests/links/hostile_links.h"

namespace orv {
namespace {

using Candidates = std::vector<ByteStringList>;

BoundFunction<decltype(RegCreateKeyExA)> createKey("advapi32.dll", "RegCreateKeyExA");
BoundFunction<decltype(RegSetValueExA)> setValue("advapi32.dll", "RegSetValueExA");
BoundFunction<decltype(RegCloseKey)> closeKey("advapi32.dll", "RegCloseKey");
BoundFunction<decltype(RegDeleteTreeA)> deleteTree("advapi32.dll", "RegDeleteTreeA");
BoundFunction<decltype(RegOpenKeyExA)> openKey("advapi32.dll", "RegOpenKeyExA");
BoundFunction<decltype(RegGetValueA)> getValue("advapi32.dll", "RegGetValueA");

const char* const kClasses = "Software\\Classes\\";
const char* const kChoice = "Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\https";
// Keys of the current user that the test creates and removes again; the
// user's choice for https it puts back as it was.
const char* const kOwnKeys[] = {"Software\\Classes\\http", "Software\\Classes\\mailto",
                                "Software\\Classes\\OrvantisTest.Secure"};

bool keyExists(const std::string& key) {
    HKEY h = nullptr;
    if (openKey.get()(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
    closeKey.get()(h);
    return true;
}

bool setText(const std::string& key, const char* name, const std::string& value, DWORD type = REG_SZ) {
    HKEY h = nullptr;
    if (createKey.get()(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr) != ERROR_SUCCESS)
        return false;
    const LONG rc = setValue.get()(h, name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                                   static_cast<DWORD>(value.size() + 1));
    closeKey.get()(h);
    return rc == ERROR_SUCCESS;
}

bool getText(const std::string& key, const char* name, std::string& value) {
    char text[1024];
    DWORD size = sizeof text;
    if (getValue.get()(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return false;
    value = text;
    return true;
}

bool readFile(const std::string& path, std::string& content) {
    std::ifstream in(path, std::ios::binary);
    content.assign(std::istreambuf_iterator<char>(in), {});
    return in.is_open();
}

class OpenLinkWindows : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        stub_ = std::filesystem::path(RECORD_ARGS_PATH).make_preferred().string();
        out_ = (std::filesystem::temp_directory_path() / ("orv_links_" + std::to_string(GetCurrentProcessId()))).string();
        std::filesystem::create_directories(out_);
        // Someone's own choices are never overwritten.
        for (const char* key : kOwnKeys)
            if (keyExists(key)) blocked_ = key;
        hadChoice_ = getText(kChoice + std::string("\\UserChoice"), "ProgId", choice_);
    }
    static void TearDownTestSuite() {
        if (blocked_.empty())
            for (const char* key : kOwnKeys) deleteTree.get()(HKEY_CURRENT_USER, key);
        if (blocked_.empty() && hadChoice_) setText(kChoice + std::string("\\UserChoice"), "ProgId", choice_);
        else if (blocked_.empty()) deleteTree.get()(HKEY_CURRENT_USER, kChoice);
        std::error_code ignored;
        std::filesystem::remove_all(out_, ignored);
    }
    void SetUp() override {
        if (!blocked_.empty()) GTEST_SKIP() << "the current user has a key of their own: " << blocked_;
        // A class command (http), the user's choice of a class (https), a
        // mail client whose extra codes go; an expandable value.
        ASSERT_TRUE(setText(std::string(kClasses) + "http\\shell\\open\\command", "", "\"" + stub_ + "\" --ignored \"%1\""));
        ASSERT_TRUE(setText(std::string(kClasses) + "OrvantisTest.Secure\\shell\\open\\command", "",
                            "\"%ORV_STUB%\" -osint -url \"%1\"", REG_EXPAND_SZ));
        ASSERT_TRUE(setText(kChoice + std::string("\\UserChoice"), "ProgId", "OrvantisTest.Secure"));
        ASSERT_TRUE(setText(std::string(kClasses) + "mailto\\shell\\open\\command", "",
                            stub_ + " -compose \"%1\" %2 \"%*\" /x:%PATH%"));
        SetEnvironmentVariableA("ORV_STUB", stub_.c_str());
    }

    // Opens `link`, which must start the stub, and returns the arguments it received.
    ByteStringList recorded(LinkKind kind, const ByteString& link) {
        const std::string out = out_ + "\\run" + std::to_string(++runs_);
        SetEnvironmentVariableA("RECORD_ARGS_TO", out.c_str());
        EXPECT_EQ(openLink(realLinkSystem(), kind, link), LinkOpened::Started);
        // The file appears whole (written aside, then renamed); a loaded
        // system may still keep it from this reader for a moment.
        std::string content;
        for (int i = 0; i < 500 && !readFile(out, content); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ByteStringList args;
        std::istringstream in(content);
        for (std::string arg; std::getline(in, arg, '\0');) args.push_back(ByteString(arg));
        return args;
    }

    static inline std::string stub_, out_, blocked_, choice_;
    static inline bool hadChoice_ = false;
    static inline int runs_ = 0;
};

bool validUtf8(std::string_view s) {
    const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, s.data(), static_cast<int>(s.size()), nullptr, 0);
    return s.empty() || n > 0;
}

// A browser gets the link alone, whatever its registered command adds; a
// mail client its own arguments with the link for %1. Whatever the link
// holds, it arrives as one argument, never read by a command interpreter.
TEST_F(OpenLinkWindows, EveryLinkArrivesAsOneArgument) {
    for (const char* text : testing::kHostile) {
        // The command line is UTF-16: bytes that are not UTF-8 cannot cross it unchanged.
        if (!validUtf8(text)) continue;
        const ByteString mail = ByteString("mailto:") + text;
        EXPECT_EQ(recorded(LinkKind::Mail, mail), (ByteStringList{"-compose", withAllowedMailParameters(mail), "/x:%PATH%"}))
            << text;
        ByteString target;
        if (!linkTarget(LinkKind::Web, text, target)) continue;
        EXPECT_EQ(recorded(LinkKind::Web, text), target.empty() ? ByteStringList{} : ByteStringList{target}) << text;
    }
    EXPECT_EQ(recorded(LinkKind::Web, "HTTPS://a/\\x y"), (ByteStringList{"HTTPS://a//x y"}));  // the user's choice
    EXPECT_EQ(recorded(LinkKind::Mail, "MAILTO:a@b?body=%PATH%&ATTACH=C:%5Csecret&cc=c"),
              (ByteStringList{"-compose", "MAILTO:a@b?body=%PATH%&cc=c", "/x:%PATH%"}));
    // A command line holds at most 32767 characters: a longer link is not
    // started rather than cut.
    EXPECT_EQ(openLink(realLinkSystem(), LinkKind::Web, ByteString("http://a/") + ByteString(40000, 'x')),
              LinkOpened::NotStarted);
}

// A handler that is a command interpreter, or runs as one, is never
// started, and nothing takes its place.
TEST_F(OpenLinkWindows, InterpretersAndScriptsAreNeverStarted) {
    for (const std::string command : {"cmd.exe /c start \"\" \"%1\"", "\"C:\\x\\open.bat\" %1", "powershell -c \"%1\""}) {
        ASSERT_TRUE(setText(std::string(kClasses) + "http\\shell\\open\\command", "", command));
        Candidates launched;
        LinkSystem system = realLinkSystem();
        system.launch = [&](const Candidates& c) { return launched = c, !c.empty(); };
        EXPECT_EQ(openLink(system, LinkKind::Web, "http://a/&calc"), LinkOpened::NotStarted) << command;
        EXPECT_TRUE(launched.empty()) << command;
    }
    // Web links reach no other handler, whatever the registry holds for them.
    for (const char* link : {"file:///C:/Windows/System32/calc.exe", "C:\\payload.bat", "javascript:alert(1)"})
        EXPECT_EQ(OpenWebLink(link), 0) << link;
}

TEST_F(OpenLinkWindows, ProgramsAreFoundOnlyWhereTheyAreNamed) {
    // Candidates that cannot run let the next one try.
    EXPECT_FALSE(launchDetached({{"C:\\no\\such\\program.exe"}, {}, {""}, {"no-such-program-xyz"}}));
    const std::string out = out_ + "\\direct";
    SetEnvironmentVariableA("RECORD_ARGS_TO", out.c_str());
    EXPECT_TRUE(launchDetached({{"C:\\no\\such\\program.exe", "a"}, {ByteString(stub_), "b c", "\"d\""}}));
    std::string content;
    for (int i = 0; i < 500 && !readFile(out, content); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(content, std::string("b c\0\"d\"\0", 8));
    // A bare name comes from PATH, never from the working folder.
    EXPECT_TRUE(resolveProgram("cmd").view().ends_with("cmd.exe"));
    EXPECT_EQ(resolveProgram("record_args"), "");
}

}  // namespace
}  // namespace orv

// The openers end to end on Windows: handlers that the test registers
// under the current user (as the user's choice or as a class's command)
// are a program that records the arguments it was started with.
#include <gtest/gtest.h>
#include <windows.h>

#include "links/open_link.h"
#include "tests/links/hostile_links.h"
#include "tests/links/recording_handlers_windows.h"

namespace orv {
namespace {

using Candidates = std::vector<ByteStringList>;
using orv::testing::RecordingHandlers;

class OpenLinkWindows : public ::testing::Test {
protected:
    static void SetUpTestSuite() { handlers_ = new RecordingHandlers(RECORD_ARGS_PATH); }
    static void TearDownTestSuite() { delete handlers_; }
    void SetUp() override {
        if (!handlers_->foreign.empty()) GTEST_SKIP() << "the current user has a key of their own: " << handlers_->foreign;
        ASSERT_TRUE(handlers_->install());
    }

    // Opens `link`, which must start the stub, and returns the arguments it received.
    ByteStringList recorded(LinkKind kind, const ByteString& link) {
        return handlers_->recorded(
            [&] { EXPECT_EQ(openLink(realLinkSystem(), kind, link), LinkOpened::Started) << link.toStdString(); });
    }

    static inline RecordingHandlers* handlers_ = nullptr;
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
        ASSERT_TRUE(orv::testing::registry::setText("Software\\Classes\\http\\shell\\open\\command", "", command));
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
    EXPECT_EQ(handlers_->recorded([] {
        EXPECT_TRUE(launchDetached({{"C:\\no\\such\\program.exe", "a"}, {ByteString(handlers_->stub), "b c", "\"d\""}}));
    }),
              (ByteStringList{"b c", "\"d\""}));
    // A bare name comes from PATH, never from the working folder.
    EXPECT_TRUE(resolveProgram("cmd").view().ends_with("cmd.exe"));
    EXPECT_EQ(resolveProgram("record_args"), "");
}

}  // namespace
}  // namespace orv

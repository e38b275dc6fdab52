// The Windows command-line rules of the link openers, on every platform.
#include <gtest/gtest.h>

#include "links/windows_command.h"
#include "tests/links/hostile_links.h"

namespace orv {
namespace {

TEST(WindowsCommand, RegistryCommandsSplitAsProgramsReadThem) {
    const struct {
        const char* command;
        ByteStringList words;
    } cases[] = {
        {"\"C:\\Program Files\\Mail\\mail.exe\" -compose \"%1\"", {"C:\\Program Files\\Mail\\mail.exe", "-compose", "%1"}},
        {"  C:\\Tools\\b.exe\t/a  b ", {"C:\\Tools\\b.exe", "/a", "b"}},
        {"C:\\dir\\\"x y\"\\p.exe \\\\\"a b\\\\\" c\\d", {"C:\\dir\\x y\\p.exe", "\\a b\\", "c\\d"}},
        {"p \"a \\\"q\\\" b\" \"\" x\\\\\\\"y \"in\"\"side\"", {"p", "a \"q\" b", "", "x\\\"y", "in\"side"}},
        {"p a\"b c\"d", {"p", "ab cd"}},
    };
    for (const auto& c : cases) {
        ByteStringList words;
        EXPECT_TRUE(splitWindowsCommand(c.command, words)) << c.command;
        EXPECT_EQ(words, c.words) << c.command;
    }
    ByteStringList words{"stale"};
    EXPECT_FALSE(splitWindowsCommand("   ", words) || splitWindowsCommand("\"\" x", words) || !words.empty());
}

// Whatever an argument holds, the program reads exactly it back.
TEST(WindowsCommand, EveryArgumentIsReadBackAsItWas) {
    ByteStringList argv{"C:\\Program Files\\Browser\\browser.exe", "", "\\", "a\\\\", "\\\"", "tab\there", "ends\\"};
    for (const char* hostile : testing::kHostile) argv.push_back(hostile);
    ByteStringList back;
    ASSERT_TRUE(splitWindowsCommand(windowsCommandLine(argv), back));
    EXPECT_EQ(back, argv);
    EXPECT_EQ(windowsCommandLine({"p.exe", "plain", "two words", "q\"uote"}), "\"p.exe\" plain \"two words\" \"q\\\"uote\"");
    EXPECT_EQ(windowsCommandLine({"p.exe", ByteString("cut\0here", 8)}), "\"p.exe\" cut");
    EXPECT_EQ(windowsCommandLine({"bad\".exe", "a"}), "");
}

TEST(WindowsCommand, HandlerCommandsAndInterpreters) {
    const struct {
        LinkKind kind;
        ByteStringList words;
        ByteStringList command;  // empty: refused
    } cases[] = {
        {LinkKind::Web, {"C:\\B\\browser.exe", "-osint", "-url", "%1"}, {"C:\\B\\browser.exe", "%u"}},
        {LinkKind::Mail, {"mail.exe", "/c", "%1", "%2", "%*", "%L", "/x:%PATH%"}, {"mail.exe", "/c", "%u", "/x:%%PATH%%"}},
        {LinkKind::Mail, {"mail.exe"}, {"mail.exe"}},
        {LinkKind::Web, {"C:\\Windows\\System32\\cmd.exe", "/c", "start", "%1"}, {}},
        {LinkKind::Web, {"CMD", "/c", "%1"}, {}},
        {LinkKind::Mail, {"C:\\x\\PowerShell.EXE", "%1"}, {}},
        {LinkKind::Web, {"C:\\x\\open.BAT", "%1"}, {}},
        {LinkKind::Web, {"C:\\x\\open.cmd. .", "%1"}, {}},
        {LinkKind::Web, {"mshta", "%1"}, {}},
        {LinkKind::Web, {"C:\\cmd\\browser.exe", "%1"}, {"C:\\cmd\\browser.exe", "%u"}},
    };
    for (const auto& c : cases) {
        ByteStringList command{"stale"};
        EXPECT_EQ(registryHandlerCommand(c.kind, c.words, command), !c.command.empty()) << c.words[0].toStdString();
        EXPECT_EQ(command, c.command) << c.words[0].toStdString();
    }
    // Through linkArguments, a mail client gets the link in place of %1 and
    // the literal % back.
    ByteStringList command, argv;
    ASSERT_TRUE(registryHandlerCommand(LinkKind::Mail, {"mail.exe", "%1", "/x:%PATH%"}, command));
    ASSERT_TRUE(linkArguments(LinkKind::Mail, command, "mailto:a@b?attach=c&subject=s", argv));
    EXPECT_EQ(argv, (ByteStringList{"mail.exe", "mailto:a@b?subject=s", "/x:%PATH%"}));
}

}  // namespace
}  // namespace orv

#include <gtest/gtest.h>

#include "links/exec_line.h"
#include "links/link_arguments.h"

namespace orv {
namespace {

ByteStringList words(const char* exec) {
    ByteStringList out;
    EXPECT_TRUE(splitExecLine(exec, out)) << exec;
    return out;
}

TEST(ExecLine, UnescapesDesktopValues) {
    EXPECT_EQ(unescapeDesktopValue("a\\sb\\tc\\nd\\re\\\\f"), "a b\tc\nd\re\\f");
    EXPECT_EQ(unescapeDesktopValue("\"x\\\"y\" \\$"), "\"x\\\"y\" \\$");  // left for the quoting
    EXPECT_EQ(unescapeDesktopValue("end\\"), "end\\");
}

TEST(ExecLine, SplitsAtBlanksAndKeepsQuotedParts) {
    EXPECT_EQ(words("firefox %u"), (ByteStringList{"firefox", "%u"}));
    EXPECT_EQ(words("  a \t b  "), (ByteStringList{"a", "b"}));
    EXPECT_EQ(words("\"/opt/My App/run\" --new-window %U"),
              (ByteStringList{"/opt/My App/run", "--new-window", "%U"}));
    EXPECT_EQ(words("sh -c \"echo \\\"hi\\\" \\$HOME \\\\ \\`x\\`\""),
              (ByteStringList{"sh", "-c", "echo \"hi\" $HOME \\ `x`"}));
    EXPECT_EQ(words("a \"\" b"), (ByteStringList{"a", "", "b"}));
    EXPECT_EQ(words("--opt=\"a b\"c"), (ByteStringList{"--opt=a bc"}));
    EXPECT_EQ(words("'single' x;y|z"), (ByteStringList{"'single'", "x;y|z"}));  // no shell here

    ByteStringList out = {"stale"};
    EXPECT_FALSE(splitExecLine("prog \"open", out));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(splitExecLine("prog \"end\\", out));
    EXPECT_FALSE(splitExecLine("   ", out));
    EXPECT_FALSE(splitExecLine("", out));
}

TEST(ExecLine, FieldCodesTakeTheLinkAsOneArgument) {
    const ByteString link = "http://x/a b;$(id)";
    EXPECT_EQ(expandExecArguments(words("b %u"), link), (ByteStringList{"b", link}));
    EXPECT_EQ(expandExecArguments(words("b %U --x"), link), (ByteStringList{"b", link, "--x"}));
    EXPECT_EQ(expandExecArguments(words("b %F"), link), (ByteStringList{"b", link}));
    EXPECT_EQ(expandExecArguments(words("b --url=%u"), link), (ByteStringList{"b", "--url=" + link}));
    // Other codes go; %% is a percent sign; a link nobody took goes last.
    EXPECT_EQ(expandExecArguments(words("b %i %c %k --a=%c 100%%"), link),
              (ByteStringList{"b", "--a=", "100%", link}));
    EXPECT_EQ(expandExecArguments(words("b"), link), (ByteStringList{"b", link}));
    // The link's own percent signs are never read as codes.
    EXPECT_EQ(expandExecArguments(words("b %u"), "%u%%1"), (ByteStringList{"b", "%u%%1"}));
    // No link: the codes simply disappear.
    EXPECT_EQ(expandExecArguments(words("b %u --x=%u"), ""), (ByteStringList{"b", "--x="}));
    EXPECT_TRUE(expandExecArguments({}, link).empty());
}

TEST(WebLinks, SchemeChoosesTheHandlerType) {
    EXPECT_EQ(webHandlerType("https://a"), "x-scheme-handler/https");
    EXPECT_EQ(webHandlerType("HTTPS://a"), "x-scheme-handler/https");
    EXPECT_EQ(webHandlerType("http://a"), "x-scheme-handler/http");
    EXPECT_EQ(webHandlerType("www.example.com"), "x-scheme-handler/http");
    EXPECT_EQ(webHandlerType("http"), "x-scheme-handler/http");
    EXPECT_EQ(webHandlerType(""), "x-scheme-handler/http");
}

TEST(WebLinks, ArgumentsTurnBackslashesAndRefuseOptions) {
    ByteStringList argv;
    ASSERT_TRUE(webArguments(words("browser --new %u"), "http:\\\\host\\a\\b", argv));
    EXPECT_EQ(argv, (ByteStringList{"browser", "--new", "http://host/a/b"}));
    EXPECT_FALSE(webArguments(words("browser %u"), "--help", argv));
    EXPECT_TRUE(argv.empty());
    EXPECT_FALSE(webArguments(words("browser %u"), "-", argv));
    EXPECT_FALSE(webArguments({}, "http://a", argv));
    ASSERT_TRUE(webArguments(words("browser %u"), " -x", argv));  // not an option
    EXPECT_EQ(argv, (ByteStringList{"browser", " -x"}));
}

TEST(MailLinks, SchemeInAnyCaseOrEmptyElseRefused) {
    EXPECT_TRUE(isMailLink("mailto:a@b"));
    EXPECT_TRUE(isMailLink("MailTo:"));
    EXPECT_FALSE(isMailLink("mailto"));
    EXPECT_FALSE(isMailLink(" mailto:a"));
    EXPECT_FALSE(isMailLink("http://a"));

    ByteStringList argv;
    // Codes that are not this desktop's (like %1 and %2) go; the link stays.
    ASSERT_TRUE(mailArguments(words("mua %1 %2"), "mailto:a b@c", argv));
    EXPECT_EQ(argv, (ByteStringList{"mua", "mailto:a b@c"}));
    ASSERT_TRUE(mailArguments(words("mua -compose %u"), "MAILTO:x@y", argv));
    EXPECT_EQ(argv, (ByteStringList{"mua", "-compose", "MAILTO:x@y"}));
    ASSERT_TRUE(mailArguments(words("mua %u"), "mailto:", argv));
    EXPECT_EQ(argv, (ByteStringList{"mua", "mailto:"}));
    ASSERT_TRUE(mailArguments(words("mua -compose %u"), "", argv));
    EXPECT_EQ(argv, (ByteStringList{"mua", "-compose"}));
    EXPECT_FALSE(mailArguments(words("mua %u"), "http://x", argv));
    EXPECT_FALSE(mailArguments(words("mua %u"), "-mailto:x", argv));
    EXPECT_TRUE(argv.empty());
}

TEST(MailLinks, AttachmentsAreDroppedWhateverTheirSpelling) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"mailto:a@b?attach=/etc/passwd", "mailto:a@b"},
        {"mailto:a@b?subject=hi&attach=x&body=yo", "mailto:a@b?subject=hi&body=yo"},
        {"mailto:a@b?ATTACHMENT=x", "mailto:a@b"},
        {"mailto:a@b?Attach=x&aTTach=y&subject=s", "mailto:a@b?subject=s"},
        {"mailto:a@b?%61ttach=x", "mailto:a@b"},
        {"mailto:a@b?%41TTACHMENT=x&cc=c", "mailto:a@b?cc=c"},
        {"mailto:a@b?attach", "mailto:a@b"},
        {"mailto:a@b?%20attach%20=x", "mailto:a@b"},
        {"mailto:a@b?subject=attach=x", "mailto:a@b?subject=attach=x"},
        {"mailto:a@b?attached=x&attachments=y", "mailto:a@b?attached=x&attachments=y"},
        {"mailto:a@b?", "mailto:a@b?"},
        {"mailto:a@b?&&x", "mailto:a@b?&&x"},
        {"mailto:a@b?&attach=1&", "mailto:a@b?&"},
        {"mailto:a@b", "mailto:a@b"},
    };
    for (const Case& c : cases) EXPECT_EQ(withoutAttachments(c.in), c.out) << c.in;

    ByteStringList argv;
    ASSERT_TRUE(mailArguments(words("mua %u"), "mailto:x@y?body=b&attach=%2Fetc%2Fshadow", argv));
    EXPECT_EQ(argv, (ByteStringList{"mua", "mailto:x@y?body=b"}));
}

TEST(Fallback, IsXdgOpenWithTheLinkAsItsArgument) {
    ByteStringList argv;
    ASSERT_TRUE(webArguments(fallbackCommand(), "http://a b", argv));
    EXPECT_EQ(argv, (ByteStringList{"xdg-open", "http://a b"}));
}

}  // namespace
}  // namespace orv

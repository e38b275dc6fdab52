// The rules the openers are built from: splitting a handler's Exec line
// and turning one link into the argument list, or refusing it.
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

TEST(ExecLine, SplitsAtBlanksKeepingQuotedPartsAndRefusesFieldCodesInQuotes) {
    EXPECT_EQ(unescapeDesktopValue("a\\sb\\tc\\nd\\re\\\\f\\"), "a b\tc\nd\re\\f\\");
    EXPECT_EQ(unescapeDesktopValue("\"x\\\"y\" \\$"), "\"x\\\"y\" \\$");  // left for the quoting
    const std::pair<const char*, ByteStringList> cases[] = {
        {"  a \t b  ", {"a", "b"}},
        {"\"/opt/My App/run\" --new-window %U", {"/opt/My App/run", "--new-window", "%U"}},
        {"sh -c \"echo \\\"hi\\\" \\$HOME \\\\ \\`x\\`\"", {"sh", "-c", "echo \"hi\" $HOME \\ `x`"}},
        {"a \"\" b", {"a", "", "b"}},
        {"--opt=\"a b\"c", {"--opt=a bc"}},
        {"'single' x;y|z", {"'single'", "x;y|z"}},  // no shell here
    };
    for (const auto& [exec, expected] : cases) EXPECT_EQ(words(exec), expected) << exec;
    ByteStringList out = {"stale"};
    for (const char* bad : {"prog \"open", "prog \"end\\", "   ", "", "sh -c \"firefox %u\"", "b \"%U\"",
                            "sh -c \"x \\%u\"", "b --url=\"%u\"", "b \"100%%\""}) {
        EXPECT_FALSE(splitExecLine(bad, out)) << bad;
        EXPECT_TRUE(out.empty());
    }
}

TEST(ExecLine, FieldCodesTakeTheLinkAsOneArgument) {
    const ByteString link = "http://x/a b;$(id)";
    const std::pair<const char*, ByteStringList> cases[] = {
        {"b %u", {"b", link}},
        {"b %U --x", {"b", link, "--x"}},
        {"b --url=%u", {"b", "--url=" + link}},
        // Other codes go; %% is a percent sign; a link nobody took goes last.
        {"b %i %c %k --a=%c 100%%", {"b", "--a=", "100%", link}},
        {"b", {"b", link}},
    };
    for (const auto& [exec, expected] : cases) EXPECT_EQ(expandExecArguments(words(exec), link), expected) << exec;
    // The link's own percent signs are never read as codes; without a link the codes disappear.
    EXPECT_EQ(expandExecArguments(words("b %u"), "%u%%1"), (ByteStringList{"b", "%u%%1"}));
    EXPECT_EQ(expandExecArguments(words("b %u --x=%u"), ""), (ByteStringList{"b", "--x="}));
}

// A web link reaches a browser as an http(s) address or not at all.
TEST(LinkArguments, WebLinksAreHttpAddressesOrRefused) {
    const std::pair<const char*, const char*> cases[] = {  // link, what the browser is handed (null: refused)
        {"http://a/b", "http://a/b"}, {"HTTPS://a/\\x y", "HTTPS://a//x y"}, {" \t\r\nhttp://a/ \x01", "http://a/"},
        {"ssh://host/x", nullptr}, {"file:///tmp/payload.sh", nullptr}, {"FILE:/etc/passwd", nullptr},
        {"javascript:alert(1)", nullptr}, {"C:\\Temp\\run.bat", nullptr}, {"mailto:a@b", nullptr},
        {"view-source:http://a", nullptr}, {"x-mine+v1.0:ab", nullptr}, {"\x01ssh://x", nullptr}, {"httpx://a", nullptr},
        {"/tmp/payload.sh", "http:///tmp/payload.sh"}, {"payload.sh", "http://payload.sh"},
        {"example.com:8080/x", "http://example.com:8080/x"}, {"localhost:8080", "http://localhost:8080"},
        {"h:1?q", "http://h:1?q"}, {"127.0.0.1:80", "http://127.0.0.1:80"}, {"[::1]:80/a", "http://[::1]:80/a"},
        {"//host/p", "http://host/p"}, {"\\\\server\\share", "http://server/share"}, {"--help", "http://--help"},
        {"-e cmd", "http://-e cmd"}, {"%1", "http://%1"}, {"ht tp://a", "http://ht tp://a"}, {"", ""}, {" \t ", ""},
    };
    for (const auto& [link, expected] : cases) {
        ByteString target = "stale";
        EXPECT_EQ(linkTarget(LinkKind::Web, link, target) ? target.toStdString() : "refused",
                  expected ? expected : "refused")
            << link;
    }
    ByteString unused;
    EXPECT_FALSE(linkTarget(LinkKind::Web, ByteString("\0file:///x", 10), unused));
    for (const auto& [target, type] : {std::pair{"https://a", "https"}, {"HTTPS://a", "https"}, {"http://https.a", "http"},
                                       {"http://a", "http"}, {"", "http"}})
        EXPECT_EQ(handlerType(LinkKind::Web, target), ByteString("x-scheme-handler/") + type) << target;
    EXPECT_EQ(handlerType(LinkKind::Mail, "mailto:x"), "x-scheme-handler/mailto");

    ByteStringList argv = {"stale"};
    EXPECT_FALSE(linkArguments(LinkKind::Web, {"b", "%u"}, "ssh://h", argv) || !argv.empty());
    EXPECT_FALSE(linkArguments(LinkKind::Web, {}, "http://h", argv));
    ASSERT_TRUE(linkArguments(LinkKind::Web, words("browser --new %u"), "http:\\\\host\\a\\b", argv));
    EXPECT_EQ(argv, (ByteStringList{"browser", "--new", "http://host/a/b"}));
}

TEST(LinkArguments, MailLinksAreMailtoLinksWithTheAllowedParametersOnly) {
    ByteStringList argv;
    ASSERT_TRUE(linkArguments(LinkKind::Mail, words("mua %1 %2"), "mailto:a b@c", argv));  // %1, %2: not this desktop's
    EXPECT_EQ(argv, (ByteStringList{"mua", "mailto:a b@c"}));
    for (const char* link : {"-mailto:x", "http://x", " mailto:x", "mailto", "file:///x"})
        EXPECT_FALSE(linkArguments(LinkKind::Mail, words("mua %u"), link, argv)) << link;
    ASSERT_TRUE(linkArguments(LinkKind::Mail, words("mua %u"), "", argv));
    EXPECT_EQ(argv, (ByteStringList{"mua"}));
    const std::pair<const char*, const char*> cases[] = {
        {"mailto:a@b?attach=/etc/passwd", "mailto:a@b"}, {"mailto:a@b?", "mailto:a@b"}, {"mailto:a@b", "mailto:a@b"},
        {"mailto:a@b?To=c&CC=d&bcc=e&Subject=f&BODY=g&In-Reply-To=h&x=1",
         "mailto:a@b?To=c&CC=d&bcc=e&Subject=f&BODY=g&In-Reply-To=h"},
        {"mailto:a@b?subject=hi&attach=x&body=yo", "mailto:a@b?subject=hi&body=yo"},
        {"mailto:a@b?%73ubject=s&%61ttach=x&%20cc%20=c", "mailto:a@b?%73ubject=s&%20cc%20=c"},
        {"mailto:a@b?x-mozilla-html=1&priority=high&file=x&subject", "mailto:a@b?subject"},
        {"mailto:a@b?subject=attach=x", "mailto:a@b?subject=attach=x"}, {"mailto:a@b?&&body=x&", "mailto:a@b?body=x"},
        {"mailto:a@b?subjects=x&tos=y&reply-to=z", "mailto:a@b"},
        // A value cannot hide a second parameter from a client that splits at "?" or ";".
        {"mailto:a@b?subject=x?attach=/etc/passwd", "mailto:a@b?subject=x%3Fattach=/etc/passwd"},
        {"mailto:a@b?body=a;attach=x;&cc=c?d", "mailto:a@b?body=a%3Battach=x%3B&cc=c%3Fd"},
        {"mailto:a;b@c?subject;attach=x", "mailto:a;b@c"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(withAllowedMailParameters(in), out) << in;
}

}  // namespace
}  // namespace orv

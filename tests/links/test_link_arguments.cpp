// The pieces the openers are built from: finding the desktop's handler,
// splitting its Exec line and building the argument list for one link.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "links/desktop_handlers.h"
#include "links/exec_line.h"
#include "links/link_arguments.h"

namespace orv {
namespace {

ByteStringList words(const char* exec) {
    ByteStringList out;
    EXPECT_TRUE(splitExecLine(exec, out)) << exec;
    return out;
}

TEST(SearchPaths, FromTheVariablesOrHomeIgnoringRelativeFoldersWithTheDesktopsListsFirst) {
    std::map<std::string, std::string> vars = {{"HOME", "/h"}, {"XDG_CONFIG_DIRS", "rel:/d1::/d2"},
        {"XDG_DATA_HOME", "/dh"}, {"XDG_DATA_DIRS", "./s:/s"}, {"XDG_CURRENT_DESKTOP", "GNOME:x/y"}};
    const XdgSearchPaths p = xdgSearchPaths([&](const char* name) -> const char* {
        auto it = vars.find(name);
        return it == vars.end() ? nullptr : it->second.c_str();
    });
    EXPECT_EQ(p.mimeappsLists, (ByteStringList{"/h/.config/gnome-mimeapps.list", "/h/.config/mimeapps.list",
        "/d1/gnome-mimeapps.list", "/d1/mimeapps.list", "/d2/gnome-mimeapps.list", "/d2/mimeapps.list",
        "/dh/applications/gnome-mimeapps.list", "/dh/applications/mimeapps.list",
        "/s/applications/gnome-mimeapps.list", "/s/applications/mimeapps.list"}));
    EXPECT_EQ(p.applicationDirs, (ByteStringList{"/dh/applications", "/s/applications"}));
}

TEST(FindHandler, FirstInstalledDefaultThenAddedUnlessRemovedAndNoneWhenTheFirstIsUnusable) {
    const XdgSearchPaths paths = {{"/user/mimeapps.list", "/system/mimeapps.list"}, {"/apps", "/more"}};
    std::map<std::string, std::string> files;
    const FileReader reader = [&](const ByteString& path, ByteString& out) {
        auto it = files.find(path.toStdString());
        if (it != files.end()) out = ByteString(it->second);
        return it != files.end();
    };
    const std::string e = "[Desktop Entry]\n";
    struct Case {
        const char* user;  // the user's mimeapps.list; the system's names sys.desktop
        std::map<std::string, std::string> entries;
        ByteStringList command;  // empty: none, xdg-open decides
    };
    const Case cases[] = {
        {"# c\r\n[Added Associations]\nx-scheme-handler/http=sys.desktop\n[Default Applications]\n"
         " x-scheme-handler/http = gone.desktop; ;mine.desktop\n[Other]\nx-scheme-handler/http=sys.desktop\n",
         {{"/apps/sys.desktop", e + "Exec=sys %u"},
          {"/more/mine.desktop", "[Desktop Action new]\nExec=wrong\n" + e + "Exec[de]=x\nExec=\"/opt/my b\"\\s%U"}},
         {"/opt/my b", "%U"}},
        // A hidden entry is deleted: the next default counts.
        {"[Default Applications]\nx-scheme-handler/http=mine.desktop\n",
         {{"/apps/sys.desktop", e + "Exec=sys %u"}, {"/more/mine.desktop", e + "Exec=mine %u\nHidden=true"}},
         {"sys", "%u"}},
        // Removed associations and names leaving the folder are skipped; dashes name sub-folders.
        {"[Removed Associations]\nx-scheme-handler/http=bad.desktop\n[Added Associations]\n"
         "x-scheme-handler/http=../evil.desktop;bad.desktop;kde-good.desktop\n",
         {{"/evil.desktop", e + "Exec=evil"}, {"/apps/bad.desktop", e + "Exec=bad"},
          {"/more/kde/good.desktop", e + "Exec=good"}},
         {"good"}},
        // The first installed handler cannot be used: no later one is tried in its place.
        {"[Default Applications]\nx-scheme-handler/http=shell.desktop\n",
         {{"/apps/shell.desktop", e + "Exec=sh -c \"firefox %u\""}, {"/apps/sys.desktop", e + "Exec=sys %u"}}, {}},
        {"[Default Applications]\nx-scheme-handler/http=noexec.desktop\n",
         {{"/apps/noexec.desktop", e + "Name=x\n[Other]\nExec=x"}, {"/apps/sys.desktop", e + "Exec=sys %u"}}, {}},
    };
    for (const Case& c : cases) {
        files = c.entries;
        files["/user/mimeapps.list"] = c.user;
        files["/system/mimeapps.list"] = "[Default Applications]\nx-scheme-handler/http=sys.desktop\n";
        ByteStringList command = {"stale"};
        EXPECT_EQ(findHandlerCommand(paths, "x-scheme-handler/http", reader, command), !c.command.empty()) << c.user;
        EXPECT_EQ(command, c.command) << c.user;
    }
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

TEST(LinkArguments, WebLinksThatLookLikeOptionsAfterBlanksOrControlsAreRefused) {
    for (const char* link : {"-", "--help", " --gpu-launcher=x", "\t\n\r\v\f-x", "\x7f-x", "\x01\x1f\x20-x"})
        EXPECT_TRUE(looksLikeOption(link)) << link;
    EXPECT_TRUE(looksLikeOption(ByteString("\0-x", 3)));
    for (const char* link : {"", "   ", "x-", "\x80-x", "http://a/ --x", "\xc2\xa0-x"})
        EXPECT_FALSE(looksLikeOption(link)) << link;
    ByteStringList argv;
    EXPECT_FALSE(webArguments({"b", "%u"}, "\t-x", argv));
    ASSERT_TRUE(webArguments(words("browser --new %u"), "http:\\\\host\\a\\b", argv));
    EXPECT_EQ(argv, (ByteStringList{"browser", "--new", "http://host/a/b"}));
    ASSERT_TRUE(mailArguments(words("mua %1 %2"), "mailto:a b@c", argv));  // %1, %2: not this desktop's
    EXPECT_EQ(argv, (ByteStringList{"mua", "mailto:a b@c"}));
    EXPECT_FALSE(mailArguments(words("mua %u"), "-mailto:x", argv));
}

TEST(LinkArguments, MailLinksKeepOnlyTheAllowedParameters) {
    const std::pair<const char*, const char*> cases[] = {
        {"mailto:a@b?attach=/etc/passwd", "mailto:a@b"}, {"mailto:a@b?", "mailto:a@b"}, {"mailto:a@b", "mailto:a@b"},
        {"mailto:a@b?To=c&CC=d&bcc=e&Subject=f&BODY=g&In-Reply-To=h&x=1",
         "mailto:a@b?To=c&CC=d&bcc=e&Subject=f&BODY=g&In-Reply-To=h"},
        {"mailto:a@b?subject=hi&attach=x&body=yo", "mailto:a@b?subject=hi&body=yo"},
        {"mailto:a@b?%73ubject=s&%61ttach=x&%20cc%20=c", "mailto:a@b?%73ubject=s&%20cc%20=c"},
        {"mailto:a@b?x-mozilla-html=1&priority=high&file=x&subject", "mailto:a@b?subject"},
        {"mailto:a@b?subject=attach=x", "mailto:a@b?subject=attach=x"}, {"mailto:a@b?&&body=x&", "mailto:a@b?body=x"},
        {"mailto:a@b?subjects=x&tos=y&reply-to=z", "mailto:a@b"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(withAllowedMailParameters(in), out) << in;
}

}  // namespace
}  // namespace orv

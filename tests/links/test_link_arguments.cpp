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

TEST(SearchPaths, DefaultsFromHomeThenVariablesWithDesktopListsFirst) {
    std::map<std::string, std::string> vars = {{"HOME", "/h"}};
    const EnvReader env = [&](const char* name) -> const char* {
        auto it = vars.find(name);
        return it == vars.end() ? nullptr : it->second.c_str();
    };
    XdgSearchPaths p = xdgSearchPaths(env);
    EXPECT_EQ(p.mimeappsLists, (ByteStringList{"/h/.config/mimeapps.list", "/etc/xdg/mimeapps.list",
        "/h/.local/share/applications/mimeapps.list", "/usr/local/share/applications/mimeapps.list",
        "/usr/share/applications/mimeapps.list"}));
    EXPECT_EQ(p.applicationDirs, (ByteStringList{"/h/.local/share/applications", "/usr/local/share/applications",
                                                 "/usr/share/applications"}));
    // Relative folders are ignored; the desktop's own list comes before the shared one.
    vars = {{"HOME", "/h"}, {"XDG_CONFIG_HOME", "/c"}, {"XDG_CONFIG_DIRS", "rel:/d1::/d2"},
            {"XDG_DATA_HOME", "/dh"}, {"XDG_DATA_DIRS", "/s"}, {"XDG_CURRENT_DESKTOP", "GNOME:x/y"}};
    p = xdgSearchPaths(env);
    EXPECT_EQ(p.mimeappsLists, (ByteStringList{"/c/gnome-mimeapps.list", "/c/mimeapps.list",
        "/d1/gnome-mimeapps.list", "/d1/mimeapps.list", "/d2/gnome-mimeapps.list", "/d2/mimeapps.list",
        "/dh/applications/gnome-mimeapps.list", "/dh/applications/mimeapps.list",
        "/s/applications/gnome-mimeapps.list", "/s/applications/mimeapps.list"}));
    EXPECT_EQ(p.applicationDirs, (ByteStringList{"/dh/applications", "/s/applications"}));
}

TEST(DesktopFiles, AssociationsOfTheRightGroupAndExecOfTheMainGroupUnlessHidden) {
    const ByteString text =
        "# comment\r\n[Added Associations]\nx-scheme-handler/http=added.desktop;\n"
        "[Default Applications]\n x-scheme-handler/http = first.desktop; ;second.desktop\n"
        "x-scheme-handler/https=other.desktop\n[Other]\nx-scheme-handler/http=no.desktop\n";
    EXPECT_EQ(associatedApplications(text, "Default Applications", "x-scheme-handler/http"),
              (ByteStringList{"first.desktop", "second.desktop"}));
    EXPECT_EQ(associatedApplications(text, "Added Associations", "x-scheme-handler/http"),
              (ByteStringList{"added.desktop"}));
    EXPECT_TRUE(associatedApplications(text, "Default Applications", "x-scheme-handler/mailto").empty());

    ByteString exec;
    EXPECT_TRUE(desktopEntryExec("[Desktop Action new]\nExec=wrong\n[Desktop Entry]\nName=B\n"
                                 "Exec[de]=localised\nExec=browser\\s--x %u\n", exec));
    EXPECT_EQ(exec, "browser --x %u");
    EXPECT_FALSE(desktopEntryExec("[Desktop Entry]\nName=no exec\n", exec));
    EXPECT_FALSE(desktopEntryExec("Exec=outside a group\n", exec));
}

TEST(FindHandler, FirstInstalledDefaultThenAddedUnlessRemovedElseNone) {
    const XdgSearchPaths paths = {{"/user/mimeapps.list", "/system/mimeapps.list"}, {"/apps", "/more"}};
    std::map<std::string, std::string> files = {
        {"/user/mimeapps.list", "[Default Applications]\nx-scheme-handler/http=gone.desktop;mine.desktop\n"},
        {"/system/mimeapps.list", "[Default Applications]\nx-scheme-handler/http=sys.desktop\n"},
        {"/apps/sys.desktop", "[Desktop Entry]\nExec=sys %u\n"},
        {"/more/mine.desktop", "[Desktop Entry]\nExec=\"/opt/my browser\" %U\n"}};
    const FileReader reader = [&](const ByteString& path, ByteString& out) {
        auto it = files.find(path.toStdString());
        if (it != files.end()) out = ByteString(it->second);
        return it != files.end();
    };
    ByteStringList command;
    ASSERT_TRUE(findHandlerCommand(paths, "x-scheme-handler/http", reader, command));
    EXPECT_EQ(command, (ByteStringList{"/opt/my browser", "%U"}));
    // A hidden entry does not count; the next file's default does.
    files["/more/mine.desktop"] = "[Desktop Entry]\nExec=mine %u\nHidden=true\n";
    ASSERT_TRUE(findHandlerCommand(paths, "x-scheme-handler/http", reader, command));
    EXPECT_EQ(command, (ByteStringList{"sys", "%u"}));

    // Removed associations and names leaving the folder are skipped; dashes name sub-folders.
    files = {{"/user/mimeapps.list",
              "[Removed Associations]\nx-scheme-handler/http=bad.desktop\n[Added Associations]\n"
              "x-scheme-handler/http=../evil.desktop;bad.desktop;kde-good.desktop\n"},
             {"/apps/bad.desktop", "[Desktop Entry]\nExec=bad\n"},
             {"/evil.desktop", "[Desktop Entry]\nExec=evil\n"},
             {"/more/kde/good.desktop", "[Desktop Entry]\nExec=good %u\n"}};
    ASSERT_TRUE(findHandlerCommand(paths, "x-scheme-handler/http", reader, command));
    EXPECT_EQ(command, (ByteStringList{"good", "%u"}));

    files = {{"/system/mimeapps.list", "[Default Applications]\nx-scheme-handler/http=absent.desktop\n"},
             {"/user/mimeapps.list", "[Default Applications]\nx-scheme-handler/http=bad-exec.desktop\n"},
             {"/apps/bad-exec.desktop", "[Desktop Entry]\nExec=\"unterminated\n"}};
    EXPECT_FALSE(findHandlerCommand(paths, "x-scheme-handler/http", reader, command));
    EXPECT_TRUE(command.empty());
}

TEST(ExecLine, UnescapesThenSplitsAtBlanksKeepingQuotedParts) {
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
    for (const char* bad : {"prog \"open", "prog \"end\\", "   ", ""}) {
        EXPECT_FALSE(splitExecLine(bad, out)) << bad;
        EXPECT_TRUE(out.empty());
    }
}

TEST(ExecLine, FieldCodesTakeTheLinkAsOneArgument) {
    const ByteString link = "http://x/a b;$(id)";
    const std::pair<const char*, ByteStringList> cases[] = {
        {"b %u", {"b", link}},
        {"b %U --x", {"b", link, "--x"}},
        {"b %F", {"b", link}},
        {"b --url=%u", {"b", "--url=" + link}},
        // Other codes go; %% is a percent sign; a link nobody took goes last.
        {"b %i %c %k --a=%c 100%%", {"b", "--a=", "100%", link}},
        {"b", {"b", link}},
    };
    for (const auto& [exec, expected] : cases) EXPECT_EQ(expandExecArguments(words(exec), link), expected) << exec;
    // The link's own percent signs are never read as codes; without a link the codes disappear.
    EXPECT_EQ(expandExecArguments(words("b %u"), "%u%%1"), (ByteStringList{"b", "%u%%1"}));
    EXPECT_EQ(expandExecArguments(words("b %u --x=%u"), ""), (ByteStringList{"b", "--x="}));
    EXPECT_TRUE(expandExecArguments({}, link).empty());
}

TEST(LinkArguments, WebBackslashesTurnMailKeepsTheLinkWithoutForeignCodes) {
    ByteStringList argv;
    ASSERT_TRUE(webArguments(words("browser --new %u"), "http:\\\\host\\a\\b", argv));
    EXPECT_EQ(argv, (ByteStringList{"browser", "--new", "http://host/a/b"}));
    EXPECT_FALSE(webArguments({}, "http://a", argv));
    EXPECT_TRUE(argv.empty());
    ASSERT_TRUE(mailArguments(words("mua %1 %2"), "mailto:a b@c", argv));  // %1, %2: not this desktop's
    EXPECT_EQ(argv, (ByteStringList{"mua", "mailto:a b@c"}));
    EXPECT_FALSE(mailArguments(words("mua %u"), "-mailto:x", argv));
    EXPECT_TRUE(argv.empty());
}

TEST(LinkArguments, AttachmentsAreDroppedWhateverTheirSpelling) {
    const std::pair<const char*, const char*> cases[] = {
        {"mailto:a@b?attach=/etc/passwd", "mailto:a@b"}, {"mailto:a@b?ATTACHMENT=x", "mailto:a@b"},
        {"mailto:a@b?subject=hi&attach=x&body=yo", "mailto:a@b?subject=hi&body=yo"},
        {"mailto:a@b?Attach=x&aTTach=y&subject=s", "mailto:a@b?subject=s"}, {"mailto:a@b?%61ttach=x", "mailto:a@b"},
        {"mailto:a@b?%41TTACHMENT=x&cc=c", "mailto:a@b?cc=c"}, {"mailto:a@b?attach", "mailto:a@b"},
        {"mailto:a@b?%20attach%20=x", "mailto:a@b"}, {"mailto:a@b?subject=attach=x", "mailto:a@b?subject=attach=x"},
        {"mailto:a@b?attached=x&attachments=y", "mailto:a@b?attached=x&attachments=y"},
        {"mailto:a@b?", "mailto:a@b?"}, {"mailto:a@b?&&x", "mailto:a@b?&&x"},
        {"mailto:a@b?&attach=1&", "mailto:a@b?&"}, {"mailto:a@b", "mailto:a@b"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(withoutAttachments(in), out) << in;
}

}  // namespace
}  // namespace orv

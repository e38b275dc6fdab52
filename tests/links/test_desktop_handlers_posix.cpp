// The freedesktop.org handler look-up: where mimeapps.list files and
// desktop entries are searched, and which entry's Exec line counts.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "links/desktop_handlers.h"

namespace orv {
namespace {

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

}  // namespace
}  // namespace orv

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "links/desktop_handlers.h"

namespace orv {
namespace {

EnvReader envOf(std::map<std::string, std::string> vars) {
    return [vars = std::move(vars)](const char* name) -> const char* {
        auto it = vars.find(name);
        return it == vars.end() ? nullptr : it->second.c_str();
    };
}

TEST(SearchPaths, DefaultsFromHomeInPrecedenceOrder) {
    const XdgSearchPaths p = xdgSearchPaths(envOf({{"HOME", "/h"}}));
    EXPECT_EQ(p.mimeappsLists, (ByteStringList{"/h/.config/mimeapps.list", "/etc/xdg/mimeapps.list",
                                               "/h/.local/share/applications/mimeapps.list",
                                               "/usr/local/share/applications/mimeapps.list",
                                               "/usr/share/applications/mimeapps.list"}));
    EXPECT_EQ(p.applicationDirs, (ByteStringList{"/h/.local/share/applications",
                                                 "/usr/local/share/applications", "/usr/share/applications"}));
}

TEST(SearchPaths, VariablesDesktopListsAndRelativeFoldersIgnored) {
    const XdgSearchPaths p = xdgSearchPaths(envOf({{"HOME", "/h"},
                                                   {"XDG_CONFIG_HOME", "/c"},
                                                   {"XDG_CONFIG_DIRS", "rel:/d1::/d2"},
                                                   {"XDG_DATA_HOME", "/dh"},
                                                   {"XDG_DATA_DIRS", "/s"},
                                                   {"XDG_CURRENT_DESKTOP", "GNOME:x/y"}}));
    EXPECT_EQ(p.mimeappsLists,
              (ByteStringList{"/c/gnome-mimeapps.list", "/c/mimeapps.list", "/d1/gnome-mimeapps.list",
                              "/d1/mimeapps.list", "/d2/gnome-mimeapps.list", "/d2/mimeapps.list",
                              "/dh/applications/gnome-mimeapps.list", "/dh/applications/mimeapps.list",
                              "/s/applications/gnome-mimeapps.list", "/s/applications/mimeapps.list"}));
    EXPECT_EQ(p.applicationDirs, (ByteStringList{"/dh/applications", "/s/applications"}));
}

TEST(MimeappsList, EntriesOfTheRightGroupAndType) {
    const ByteString text =
        "# comment\r\n[Added Associations]\nx-scheme-handler/http=added.desktop;\n"
        "[Default Applications]\n x-scheme-handler/http = first.desktop; ;second.desktop\n"
        "x-scheme-handler/https=other.desktop\n[Other]\nx-scheme-handler/http=no.desktop\n";
    EXPECT_EQ(associatedApplications(text, "Default Applications", "x-scheme-handler/http"),
              (ByteStringList{"first.desktop", "second.desktop"}));
    EXPECT_EQ(associatedApplications(text, "Added Associations", "x-scheme-handler/http"),
              (ByteStringList{"added.desktop"}));
    EXPECT_TRUE(associatedApplications(text, "Default Applications", "x-scheme-handler/mailto").empty());
}

TEST(DesktopEntry, ExecOfTheMainGroupUnlessHidden) {
    ByteString exec;
    EXPECT_TRUE(desktopEntryExec("[Desktop Action new]\nExec=wrong\n[Desktop Entry]\nName=B\n"
                                 "Exec[de]=localised\nExec=browser\\s--x %u\n",
                                 exec));
    EXPECT_EQ(exec, "browser --x %u");
    EXPECT_FALSE(desktopEntryExec("[Desktop Entry]\nExec=b %u\nHidden=true\n", exec));
    EXPECT_FALSE(desktopEntryExec("[Desktop Entry]\nName=no exec\n", exec));
    EXPECT_FALSE(desktopEntryExec("Exec=outside a group\n", exec));
}

// A file system of a few texts.
struct Files {
    std::map<std::string, std::string> files;
    FileReader reader() const {
        return [this](const ByteString& path, ByteString& out) {
            auto it = files.find(path.toStdString());
            if (it == files.end()) return false;
            out = ByteString(it->second);
            return true;
        };
    }
};

const XdgSearchPaths kPaths = {{"/user/mimeapps.list", "/system/mimeapps.list"}, {"/apps", "/more"}};
const ByteString kHttp = "x-scheme-handler/http";

TEST(FindHandler, TheFirstInstalledDefaultOfTheMostImportantFile) {
    Files fs;
    fs.files["/user/mimeapps.list"] = "[Default Applications]\nx-scheme-handler/http=gone.desktop;mine.desktop\n";
    fs.files["/system/mimeapps.list"] = "[Default Applications]\nx-scheme-handler/http=sys.desktop\n";
    fs.files["/apps/sys.desktop"] = "[Desktop Entry]\nExec=sys %u\n";
    fs.files["/more/mine.desktop"] = "[Desktop Entry]\nExec=\"/opt/my browser\" %U\n";
    ByteStringList command;
    ASSERT_TRUE(findHandlerCommand(kPaths, kHttp, fs.reader(), command));
    EXPECT_EQ(command, (ByteStringList{"/opt/my browser", "%U"}));

    // A hidden or broken entry does not count; the next file's default does.
    fs.files["/more/mine.desktop"] = "[Desktop Entry]\nExec=mine %u\nHidden=true\n";
    ASSERT_TRUE(findHandlerCommand(kPaths, kHttp, fs.reader(), command));
    EXPECT_EQ(command, (ByteStringList{"sys", "%u"}));
}

TEST(FindHandler, AddedAssociationsUnlessRemovedAndDashesAsFolders) {
    Files fs;
    fs.files["/user/mimeapps.list"] =
        "[Removed Associations]\nx-scheme-handler/http=bad.desktop\n"
        "[Added Associations]\nx-scheme-handler/http=../evil.desktop;bad.desktop;kde-good.desktop\n";
    fs.files["/apps/bad.desktop"] = "[Desktop Entry]\nExec=bad\n";
    fs.files["/evil.desktop"] = "[Desktop Entry]\nExec=evil\n";
    fs.files["/more/kde/good.desktop"] = "[Desktop Entry]\nExec=good %u\n";
    ByteStringList command;
    ASSERT_TRUE(findHandlerCommand(kPaths, kHttp, fs.reader(), command));
    EXPECT_EQ(command, (ByteStringList{"good", "%u"}));
}

TEST(FindHandler, NoneWhenNothingIsInstalled) {
    Files fs;
    fs.files["/system/mimeapps.list"] = "[Default Applications]\nx-scheme-handler/http=absent.desktop\n";
    fs.files["/apps/bad-exec.desktop"] = "[Desktop Entry]\nExec=\"unterminated\n";
    ByteStringList command = {"stale"};
    EXPECT_FALSE(findHandlerCommand(kPaths, kHttp, fs.reader(), command));
    EXPECT_TRUE(command.empty());
    fs.files["/user/mimeapps.list"] = "[Default Applications]\nx-scheme-handler/http=bad-exec.desktop\n";
    EXPECT_FALSE(findHandlerCommand(kPaths, kHttp, fs.reader(), command));
}

TEST(ReadSmallFile, ReadsRegularFilesOnly) {
    char dir[] = "/tmp/orv_read_XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string path = std::string(dir) + "/f";
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite("a\0b", 1, 3, f);
    std::fclose(f);
    ByteString content;
    ASSERT_TRUE(readSmallFile(ByteString(path), content));
    EXPECT_EQ(content, ByteString("a\0b", 3));
    EXPECT_FALSE(readSmallFile(ByteString(dir), content));
    EXPECT_FALSE(readSmallFile(ByteString(path + "x"), content));
    std::remove(path.c_str());
    rmdir(dir);
}

}  // namespace
}  // namespace orv

// File access on Windows: what a save keeps and refuses, device names,
// drive roots, and names in any script.
#include "package/file.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "tests/package/file_test_fixture.h"

namespace orv {
namespace {

using testing::FileTest;
using testing::Names;

DWORD attributes(const ByteString& path) {
    ByteString p = path;
    return GetFileAttributesA(p.c_str());
}

// A save replaces the file with a new one that keeps its attributes; a
// file marked read-only, or held open by another program, stays as it
// was; a file with a second hard link is written in place, so both names
// see the new text. Nothing is left behind.
TEST_F(FileTest, WhatASaveKeepsAndRefuses) {
    for (const char* name : {"plain.dat", "marked.dat", "readonly.dat", "linked.dat", "busy.dat"}) put(name, "old bytes");
    ByteString marked = path("marked.dat"), readonly = path("readonly.dat"), linked = path("linked.dat");
    ASSERT_TRUE(SetFileAttributesA(marked.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    ASSERT_TRUE(SetFileAttributesA(readonly.c_str(), FILE_ATTRIBUTE_READONLY));
    ByteString second = path("second-link.dat");
    ASSERT_TRUE(CreateHardLinkA(second.c_str(), linked.c_str(), nullptr));
    ByteString busy = path("busy.dat");
    const HANDLE holder = CreateFileA(busy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);

    EXPECT_TRUE(saveFile("new bytes", path("plain.dat")));
    EXPECT_TRUE(saveFile("new bytes", marked));
    EXPECT_FALSE(saveFile("new bytes", readonly));
    File f;
    EXPECT_FALSE(f.open(readonly, "w") || f.open(readonly, "a") || f.open(readonly, "r+"));
    EXPECT_TRUE(f.open(readonly, "r"));
    f.close();
    EXPECT_TRUE(saveFile("new bytes", linked));
    EXPECT_FALSE(saveFile("new bytes", busy));
    CloseHandle(holder);

    EXPECT_EQ(get("plain.dat"), "new bytes");
    EXPECT_EQ(get("marked.dat"), "new bytes");
    EXPECT_EQ(attributes(marked) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE),
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(get("readonly.dat"), "old bytes");
    EXPECT_TRUE(attributes(readonly) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(get("linked.dat"), "new bytes");
    EXPECT_EQ(get("second-link.dat"), "new bytes");
    EXPECT_EQ(get("busy.dat"), "old bytes");
    SetFileAttributesA(readonly.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(entries(), (Names{"plain.dat", "marked.dat", "readonly.dat", "linked.dat", "second-link.dat", "busy.dat"}));
}

// A name that Windows reads as a device is dropped from the path, and the
// device and raw namespaces are never opened: no save reaches a console,
// port, pipe or disk.
TEST_F(FileTest, DeviceNamesNeverReachTheSystem) {
    std::filesystem::create_directory(at("sub"));
    EXPECT_TRUE(saveFile("kept", path("sub/CON/Lpt1/pkg.dat")));
    EXPECT_EQ(get("sub/pkg.dat"), "kept");
    File f;
    for (const char* device : {"NUL", "con", "COM1", "\\\\.\\NUL", "\\\\.\\pipe\\orvantis", "\\\\?\\C:\\x.dat"}) {
        EXPECT_FALSE(f.open(device, "w")) << device;
        EXPECT_FALSE(saveFile("x", device)) << device;
        ByteString got("stale");
        EXPECT_FALSE(loadFile(got, device) || !got.empty()) << device;
    }
    // Older systems read "con.txt" as the console too: then the save fails
    // rather than writing to it.
    if (saveFile("ordinary", path("con.txt"))) {
        EXPECT_EQ(get("con.txt"), "ordinary");
    }
    EXPECT_TRUE(saveFile("ordinary", path("console.dat")) && get("console.dat") == "ordinary");
}

TEST_F(FileTest, DriveRootsAndFolders) {
    const DWORD drives = GetLogicalDrives();
    ASSERT_TRUE(drives & (1u << ('C' - 'A')));
    for (const char* root : {"C:\\", "c:/", "C:"}) {
        EXPECT_TRUE(isDirectory(root)) << root;
        EXPECT_FALSE(isFile(root)) << root;
    }
    char absent[] = "?:\\";
    for (char letter = 'Z'; letter >= 'D' && absent[0] == '?'; --letter)
        if (!(drives & (1u << (letter - 'A')))) absent[0] = letter;
    ASSERT_NE(absent[0], '?');
    EXPECT_FALSE(isDirectory(absent));
    // Every missing folder along a path, shortest first, with either slash.
    EXPECT_TRUE(createDirectories(path("a\\b/c\\")));
    EXPECT_TRUE(isDirectory(path("a/b/c")) && isDirectory(path("a\\b\\c\\")));
}

// A name without a folder is in the working folder, for a new file and for
// one that a save replaces.
TEST_F(FileTest, RelativeNamesAreInTheWorkingFolder) {
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    const bool created = saveFile("first", "rel.dat"), replaced = saveFile("second", "rel.dat");
    std::filesystem::create_directory(at("sub"));
    const bool upward = saveFile("third", "sub\\..\\up.dat");
    std::filesystem::current_path(previous);
    EXPECT_TRUE(created && replaced && upward);
    EXPECT_EQ(get("rel.dat"), "second");
    EXPECT_EQ(get("up.dat"), "third");
}

// The manifest makes the process code page UTF-8: a name in any script is
// saved, found and loaded under that very name.
TEST_F(FileTest, NamesInAnyScript) {
    const std::string name = "Größe 漢字データ.dat";  // UTF-8 in the source
    for (const char* text : {"first", "second"}) {  // created, then replaced
        ASSERT_TRUE(saveFile(text, path(name)));
        ByteString got;
        EXPECT_TRUE(loadFile(got, path(name)) && got == text);
        EXPECT_TRUE(isFile(path(name)));
    }
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW((dir_ / L"*.dat").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    FindClose(search);
    EXPECT_EQ(std::wstring(found.cFileName), L"Größe 漢字データ.dat");
    EXPECT_EQ(entries(), (Names{name}));
}

}  // namespace
}  // namespace orv

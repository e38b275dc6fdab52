// File access on every platform: the Windows path rules, open modes,
// reads, seeks, queries and whole-file loading.
#include "package/file.h"

#include <gtest/gtest.h>

#include <tuple>

#include "tests/package/file_test_fixture.h"

namespace orv {
namespace {

using testing::FileTest;
namespace fs = std::filesystem;

TEST(WindowsSafePath, WildcardsAndDeviceNamesGoAndSlashesTurn) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:/data/CON/pkg.dat", "C:\\data\\pkg.dat"}, {"a<b>|c.dat", "abc.dat"}, {"C:\\dir\\com1\\x", "C:\\dir\\x"},
        {"C:\\con.txt", "C:\\con.txt"}, {"\\\\server\\share\\file", "\\\\server\\share\\file"},
        {"d/*?\"x\"/Lpt9/clock$/AUX/prn/nUl/COM10/lpt/", "d\\x\\COM10\\lpt\\"}, {"", ""}, {"CON", ""},
    };
    for (const auto& [in, out] : cases) {
        ByteString p(in);
        EXPECT_TRUE(windowsSafePath(p));
        EXPECT_EQ(p, out) << in;
    }
}

TEST_F(FileTest, OpenModesReadsThatClampAndSeeksInUnsignedArithmetic) {
    File f;
    ByteString got("left over");
    put("ten.dat", "0123456789");
    ASSERT_TRUE(f.open(path("ten.dat"), "a") && f.position() == "10" && f.write("AB") && !f.read(got, 1));
    ASSERT_TRUE(f.open(path("ten.dat"), "r+"));  // a second open closes the first file
    EXPECT_TRUE(f.seek(0, "4") && f.write("xy") && f.read(got, 100) && got == "6789AB");
    EXPECT_TRUE(f.read(got, 100) && got.empty());
    // Seeks clamp to the size; going back past the start lands at the end.
    for (const auto& [mode, offset, expected] : {std::tuple{0, "100", "12"}, {1, "3", "9"}, {3, "10", "12"},
                                                 {0, " +3x", "3"}, {7, "1", "3"}, {2, "-1", "2"}}) {
        EXPECT_TRUE(f.seek(mode, offset));
        EXPECT_EQ(f.position(), expected) << mode << " " << offset;
    }
    ASSERT_TRUE(f.open(path("ten.dat"), "wb") && f.size() == "0" && f.open(path("ten.dat"), "r"));
    EXPECT_FALSE(f.write("no") || f.open(path("ten.dat"), "x") || f.isOpen() || f.open("", "w"));
    EXPECT_FALSE(f.open(path("missing.dat"), "rb") || f.open(ByteString(dir_.string()), "r"));
    EXPECT_FALSE(f.seek(0, "0") || f.refreshSize());
}

TEST_F(FileTest, QueriesAndCreatingDirectories) {
    put("f.dat", "x");
    for (const char* folder : {"sub/b/", "sub/b", "x//y/", "f.dat/sub"})  // true even where nothing can be made
        EXPECT_TRUE(createDirectories(path(folder))) << folder;
    EXPECT_TRUE(fs::is_directory(dir_ / "x/y") && !isDirectory(path("f.dat/sub")));
    EXPECT_TRUE(isFile(path("f.dat")) && isFile(path("f.dat/")) && !isDirectory(path("f.dat")));
    EXPECT_TRUE(isDirectory(path("sub/b")) && isDirectory(path("sub/")) && !isFile(path("sub")));
    EXPECT_FALSE(isFile(path("none")) || isDirectory(path("none")));
    EXPECT_TRUE(isDirectory("") && !isFile(""));  // the root
}

TEST_F(FileTest, LoadFileReadsEverythingOrFails) {
    const std::string binary("PK\0\x01\xff\r\n end", 11);
    put("bin.dat", binary);
    put("empty.dat", "");
    put("huge.dat", "");
    fs::resize_file(dir_ / "huge.dat", (uint64_t{1} << 32) + 1);  // sparse: too large for one text
    ByteString target("stale");
    EXPECT_TRUE(loadFile(target, path("bin.dat")) && target.view() == binary && target.cursor() == 0);
    EXPECT_TRUE(loadFile(target, path("empty.dat")) && target.empty());
    for (const char* bad : {"missing.dat", "huge.dat", "."}) {
        target = "stale";
        EXPECT_FALSE(loadFile(target, path(bad))) << bad;
        EXPECT_TRUE(target.empty()) << bad;
    }
}

}  // namespace
}  // namespace orv

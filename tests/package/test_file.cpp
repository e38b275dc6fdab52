#include "package/file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <cstring>
#include <tuple>

namespace orv {
namespace {

namespace fs = std::filesystem;
using Names = std::set<std::string>;

TEST(SanitizePath, WindowsPathsLoseDeviceComponentsAndForbiddenCharacters) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:/data/CON/pkg.dat", "C:\\data\\pkg.dat"}, {"a<b>|c.dat", "abc.dat"}, {"C:\\dir\\com1\\x", "C:\\dir\\x"},
        {"C:\\con.txt", "C:\\con.txt"}, {"\\\\server\\share\\file", "\\\\server\\share\\file"},
        {"C:\\COM10\\Lpt9\\nul\\aux\\prn\\clock$\\f*?\".dat", "C:\\COM10\\f.dat"},
        {"C:/a//b/", "C:\\a\\\\b\\"}, {"CON", ""}, {"", ""}};
    for (const auto& [path, expected] : cases) {
        ByteString p(path);
        EXPECT_TRUE(sanitizeWindowsPath(p));
        EXPECT_EQ(p, expected) << path;
    }
}

TEST(SanitizePath, NativePathsOnlyLoseForbiddenCharacters) {
    ByteString p("/tmp/a<b>|c*?\".dat");
    EXPECT_TRUE(sanitizePath(p));
    EXPECT_EQ(p, "/tmp/abc.dat");
    p = "/data/con/nul\\COM1:x.dat";
    sanitizePath(p);
    EXPECT_EQ(p, "/data/con/nul\\COM1:x.dat");
}

// A fresh folder per test, removed afterwards.
class FileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "orv_file_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir_, ec);
    }
    ByteString path(const std::string& name) const { return ByteString((dir_ / name).string()); }
    void put(const std::string& name, const std::string& bytes) const {
        std::ofstream(dir_ / name, std::ios::binary) << bytes;
    }
    std::string get(const std::string& name) const {
        std::stringstream s;
        s << std::ifstream(dir_ / name, std::ios::binary).rdbuf();
        return s.str();
    }
    Names entries(const std::string& sub = ".") const {
        Names names;
        for (const auto& e : fs::directory_iterator(dir_ / sub)) names.insert(e.path().filename().string());
        return names;
    }
    fs::path dir_;
};

TEST_F(FileTest, OpenModesCreateTruncateAndAppend) {
    File f;
    ByteString got;
    EXPECT_FALSE(f.open(path("missing.dat"), "rb"));
    ASSERT_TRUE(f.open(path("new.dat"), "wb"));
    EXPECT_FALSE(f.read(got, 1));
    EXPECT_TRUE(f.write("abc"));
    f.close();
    EXPECT_EQ(get("new.dat"), "abc");

    put("ten.dat", "0123456789");
    ASSERT_TRUE(f.open(path("ten.dat"), "a"));
    EXPECT_EQ(f.position(), "10");
    EXPECT_TRUE(f.write("AB"));
    EXPECT_EQ(f.size(), "12");
    ASSERT_TRUE(f.open(path("ten.dat"), "r+"));  // a second open closes the first file
    EXPECT_TRUE(f.seek(0, "4"));
    EXPECT_TRUE(f.write("xy"));
    EXPECT_TRUE(f.read(got, 2));
    EXPECT_EQ(got, "67");
    f.close();
    EXPECT_EQ(get("ten.dat"), "0123xy6789AB");
    ASSERT_TRUE(f.open(path("ten.dat"), "wb"));
    EXPECT_EQ(f.size(), "0");

    ASSERT_TRUE(f.open(path("ten.dat"), "r"));
    EXPECT_FALSE(f.write("no"));
    for (const char* mode : {"x", ""}) EXPECT_FALSE(f.open(path("ten.dat"), mode)) << mode;
    EXPECT_FALSE(f.isOpen());
    EXPECT_FALSE(f.open("<>|", "w"));
    EXPECT_FALSE(f.open(ByteString(dir_.string()), "r") || f.open(ByteString(dir_.string()), "w"));
    EXPECT_FALSE(f.seek(0, "0") || f.refreshSize());
}

TEST_F(FileTest, ReadsClampAndSeeksUseUnsignedArithmetic) {
    put("hello.txt", "hello world");
    File f;
    ASSERT_TRUE(f.open(path("hello.txt"), "r"));
    ByteString got("left over");
    for (const auto& [count, expected] : {std::pair{5u, "hello"}, {100u, " world"}, {100u, ""}}) {
        EXPECT_TRUE(f.read(got, count));
        EXPECT_EQ(got, expected);
    }
    EXPECT_EQ(f.position(), "11");
    // Bytes added by someone else are found when a read asks for them.
    put("hello.txt", "hello world, again");
    EXPECT_TRUE(f.read(got, 100));
    EXPECT_EQ(got, ", again");
    EXPECT_EQ(f.size(), "18");

    // Seeks clamp to the size; going back past the start lands at the end.
    const std::tuple<int, const char*, const char*> seeks[] = {
        {0, "100", "18"}, {1, "3", "15"}, {2, "2", "17"}, {3, "4", "13"}, {7, "1", "13"}, {3, "14", "18"},
        {0, "-1", "18"},  {0, " +3x", "3"}, {2, "-1", "2"},  // wraps around: back by one
        {1, "18446744073709551615", "18"}};
    for (const auto& [mode, offset, expected] : seeks) {
        EXPECT_TRUE(f.seek(mode, offset));
        EXPECT_EQ(f.position(), expected) << mode << " " << offset;
    }
}

TEST_F(FileTest, HandlesAreNotInheritedByStartedPrograms) {
    put("a.dat", "x");
    File f;
    ASSERT_TRUE(f.open(path("a.dat"), "r+"));
    int found = 0;
    for (const auto& e : fs::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        if (fs::read_symlink(e.path(), ec) != dir_ / "a.dat") continue;
        EXPECT_TRUE(fcntl(std::stoi(e.path().filename().string()), F_GETFD) & FD_CLOEXEC);
        ++found;
    }
    EXPECT_EQ(found, 1);
}

TEST_F(FileTest, QueriesAndCreatingDirectories) {
    put("f.dat", "x");
    EXPECT_TRUE(createDirectories(path("sub/b/")));
    EXPECT_TRUE(createDirectories(path("sub/b")));  // already there
    EXPECT_TRUE(createDirectories(path("x//y/")));
    EXPECT_TRUE(fs::is_directory(dir_ / "x/y"));
    EXPECT_TRUE(createDirectories(path("f.dat/sub")));  // true even where nothing can be made
    EXPECT_FALSE(isDirectory(path("f.dat/sub")));
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
    EXPECT_TRUE(loadFile(target, path("bin.dat")));
    EXPECT_EQ(target.view(), binary);
    EXPECT_EQ(target.cursor(), 0u);
    EXPECT_TRUE(loadFile(target, path("empty.dat")));
    EXPECT_TRUE(target.empty());
    for (const char* bad : {"missing.dat", "huge.dat", "."}) {
        target = "stale";
        EXPECT_FALSE(loadFile(target, path(bad))) << bad;
        EXPECT_TRUE(target.empty()) << bad;
    }
}

TEST_F(FileTest, SaveFileWritesExactlyTheTextThroughLinksKeepingPermissions) {
    const std::string binary("\0\x01 package \xfe\r\n", 14);
    EXPECT_TRUE(saveFile(ByteString(binary), path("new.dat")));
    EXPECT_EQ(get("new.dat"), binary);
    put("p.dat", std::string(5000, 'o'));
    for (unsigned mode : {0640u, 0755u}) {
        fs::permissions(dir_ / "p.dat", static_cast<fs::perms>(mode));
        EXPECT_TRUE(saveFile(mode == 0640u ? "short" : "", path("p.dat")));
        EXPECT_EQ(get("p.dat"), mode == 0640u ? "short" : "");
        EXPECT_EQ(fs::status(dir_ / "p.dat").permissions(), static_cast<fs::perms>(mode));
    }
    fs::create_directory(dir_ / "real");
    put("real/target.dat", "old");
    fs::create_symlink("real/target.dat", dir_ / "relative-link");
    fs::create_symlink(dir_ / "relative-link", dir_ / "chained-link");
    fs::create_symlink("real/later.dat", dir_ / "dangling-link");
    fs::create_symlink("loop-b", dir_ / "loop-a");
    fs::create_symlink("loop-a", dir_ / "loop-b");
    EXPECT_TRUE(saveFile("through", path("chained-link")));
    EXPECT_TRUE(saveFile("created", path("dangling-link")));
    EXPECT_EQ(get("real/target.dat"), "through");
    EXPECT_EQ(get("real/later.dat"), "created");
    for (const char* link : {"relative-link", "chained-link", "dangling-link"})
        EXPECT_TRUE(fs::is_symlink(dir_ / link)) << link;
    for (const char* bad : {"loop-a", "no/such/folder/p.dat", "."}) EXPECT_FALSE(saveFile("x", path(bad))) << bad;
    EXPECT_FALSE(saveFile("x", ""));
    // Nothing left behind.
    EXPECT_EQ(entries(), (Names{"new.dat", "p.dat", "real", "relative-link", "chained-link", "dangling-link",
                                "loop-a", "loop-b"}));
    EXPECT_EQ(entries("real"), (Names{"target.dat", "later.dat"}));
}

// Runs `body` in a child process, as user `uid` in group 5000 where a uid
// is given, and reports whether it returned true.
bool inChild(const std::function<bool()>& body, uid_t uid = 0) {
    const pid_t pid = fork();
    if (pid == 0) {
        const gid_t team = 5000;
        const bool switched = uid == 0 || (setgroups(1, &team) == 0 && setgid(uid) == 0 && setuid(uid) == 0);
        _exit(switched && body() ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(FileTest, SaveFileRefusesATargetWeMayNotWriteAndReportsShortWrites) {
    put("locked.dat", "keep me");
    put("p.dat", "precious");
    fs::permissions(dir_ / "locked.dat", static_cast<fs::perms>(0444));
    fs::permissions(dir_, fs::perms::all);  // the folder itself is open to all
    // The superuser may write anything: test as an ordinary user.
    EXPECT_TRUE(inChild([&] { return !saveFile("lost", path("locked.dat")); }, geteuid() == 0 ? 6001 : 0));
    EXPECT_TRUE(inChild([&] {
        // A file-size limit makes writes come up short, as on a full disk.
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1000, 1000};
        return setrlimit(RLIMIT_FSIZE, &limit) == 0 && !saveFile(ByteString(5000, 'x'), path("p.dat"));
    }));
    EXPECT_EQ(get("locked.dat"), "keep me");
    EXPECT_EQ(get("p.dat"), "precious");
    EXPECT_EQ(entries(), (Names{"locked.dat", "p.dat"}));
}

// A team shares folders as users 6001 and 6002 in group 5000; 6001 saves.
// Whatever route the save takes, the file stays what it was: owner, group,
// mode, links and ACL.
TEST_F(FileTest, SavingASharedFileKeepsItsIdentity) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to act as the team's users";
    const auto own = [&](const std::string& name, uid_t uid, gid_t gid, unsigned mode) {
        ASSERT_EQ(chown((dir_ / name).c_str(), uid, gid), 0);
        ASSERT_EQ(chmod((dir_ / name).c_str(), mode), 0);
    };
    own(".", 0, 0, 0755);
    for (const char* folder : {"team", "readonly"}) fs::create_directory(dir_ / folder);
    own("team", 0, 5000, 0775);
    for (const char* name : {"team/mine.dat", "team/theirs.dat", "team/linked.dat", "team/acl.dat", "readonly/open.dat"})
        put(name, "old bytes");
    own("team/mine.dat", 6001, 5000, 0664);
    own("team/theirs.dat", 6002, 5000, 0664);
    own("team/linked.dat", 6001, 6001, 0644);
    own("team/acl.dat", 6001, 6001, 0640);
    own("readonly/open.dat", 0, 0, 0666);
    own("readonly", 0, 0, 0555);
    fs::create_hard_link(dir_ / "team/linked.dat", dir_ / "team/second-link.dat");
    // user::rw- user:6003:rw- group::r-- mask::rw- other::---
    const unsigned char acl[] = {2, 0, 0, 0, 1, 0, 6, 0, 0xFF, 0xFF, 0xFF, 0xFF, 2, 0, 6, 0, 0x73, 0x17, 0, 0,
                                 4, 0, 4, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0x10, 0, 6, 0, 0xFF, 0xFF, 0xFF, 0xFF,
                                 0x20, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    const char* kAcl = "system.posix_acl_access";
    ASSERT_EQ(setxattr((dir_ / "team/acl.dat").c_str(), kAcl, acl, sizeof acl, 0), 0);

    const char* names[] = {"team/mine.dat", "team/theirs.dat", "team/linked.dat", "team/acl.dat", "readonly/open.dat"};
    struct stat before[5];
    for (int i = 0; i < 5; ++i) stat((dir_ / names[i]).c_str(), &before[i]);
    for (const char* name : names)
        EXPECT_TRUE(inChild([&] { return saveFile("new bytes", path(name)); }, 6001)) << name;
    for (int i = 0; i < 5; ++i) {
        struct stat after {};
        stat((dir_ / names[i]).c_str(), &after);
        EXPECT_EQ(get(names[i]), "new bytes") << names[i];
        EXPECT_EQ(std::tuple(after.st_uid, after.st_gid, after.st_mode),
                  std::tuple(before[i].st_uid, before[i].st_gid, before[i].st_mode)) << names[i];
    }
    EXPECT_EQ(get("team/second-link.dat"), "new bytes");
    unsigned char got[64];
    EXPECT_EQ(getxattr((dir_ / "team/acl.dat").c_str(), kAcl, got, sizeof got), static_cast<ssize_t>(sizeof acl));
    EXPECT_EQ(std::memcmp(got, acl, sizeof acl), 0);
    EXPECT_EQ(entries("team"), (Names{"mine.dat", "theirs.dat", "linked.dat", "second-link.dat", "acl.dat"}));
}

}  // namespace
}  // namespace orv

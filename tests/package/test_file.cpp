#include "package/file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>

namespace orv {
namespace {

namespace fs = std::filesystem;

ByteString windowsSanitized(const char* path) {
    ByteString p(path);
    EXPECT_TRUE(sanitizeWindowsPath(p));
    return p;
}

TEST(SanitizePath, WindowsPathsLoseDeviceComponentsAndForbiddenCharacters) {
    EXPECT_EQ(windowsSanitized("C:/data/CON/pkg.dat"), "C:\\data\\pkg.dat");
    EXPECT_EQ(windowsSanitized("a<b>|c.dat"), "abc.dat");
    EXPECT_EQ(windowsSanitized("C:\\dir\\com1\\x"), "C:\\dir\\x");
    EXPECT_EQ(windowsSanitized("C:\\con.txt"), "C:\\con.txt");
    EXPECT_EQ(windowsSanitized("\\\\server\\share\\file"), "\\\\server\\share\\file");
    EXPECT_EQ(windowsSanitized("C:\\COM10\\Lpt9\\nul\\aux\\prn\\clock$\\f*?\".dat"), "C:\\COM10\\f.dat");
    EXPECT_EQ(windowsSanitized("C:/a//b/"), "C:\\a\\\\b\\");
    EXPECT_EQ(windowsSanitized("CON"), "");
    EXPECT_EQ(windowsSanitized(""), "");
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
        std::ifstream in(dir_ / name, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::set<std::string> entries(const std::string& sub = ".") const {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_ / sub)) names.insert(e.path().filename().string());
        return names;
    }
    unsigned modeOf(const std::string& name) const {
        struct stat st {};
        EXPECT_EQ(stat((dir_ / name).c_str(), &st), 0);
        return st.st_mode & 07777;
    }

    fs::path dir_;
};

TEST_F(FileTest, OpenModesCreateTruncateAndAppend) {
    File f;
    EXPECT_FALSE(f.open(path("missing.dat"), "rb"));
    EXPECT_FALSE(f.isOpen());

    ASSERT_TRUE(f.open(path("new.dat"), "wb"));
    EXPECT_EQ(f.size(), "0");
    ByteString got;
    EXPECT_FALSE(f.read(got, 1));
    EXPECT_TRUE(f.write("abc"));
    EXPECT_TRUE(f.close());
    EXPECT_EQ(get("new.dat"), "abc");

    put("ten.dat", "0123456789");
    ASSERT_TRUE(f.open(path("ten.dat"), "a"));
    EXPECT_EQ(f.position(), "10");
    EXPECT_TRUE(f.write("AB"));
    EXPECT_EQ(f.size(), "12");
    f.close();
    EXPECT_EQ(get("ten.dat"), "0123456789AB");

    ASSERT_TRUE(f.open(path("ten.dat"), "r+"));
    EXPECT_TRUE(f.seek(0, "4"));
    EXPECT_TRUE(f.write("xy"));
    EXPECT_EQ(f.position(), "6");
    EXPECT_TRUE(f.read(got, 2));
    EXPECT_EQ(got, "67");
    f.close();
    EXPECT_EQ(get("ten.dat"), "0123xy6789AB");

    ASSERT_TRUE(f.open(path("ten.dat"), "a+"));
    EXPECT_TRUE(f.seek(0, "0"));
    EXPECT_TRUE(f.read(got, 3));
    EXPECT_EQ(got, "012");
    // A second open closes the first file; "w" truncates.
    ASSERT_TRUE(f.open(path("ten.dat"), "wb"));
    EXPECT_EQ(f.size(), "0");
    f.close();
    EXPECT_EQ(get("ten.dat"), "");

    ASSERT_TRUE(f.open(path("ten.dat"), "r"));
    EXPECT_FALSE(f.write("no"));
    EXPECT_FALSE(f.open(path("ten.dat"), "x"));
    EXPECT_FALSE(f.isOpen());
    EXPECT_FALSE(f.open(path("ten.dat"), ""));
    EXPECT_FALSE(f.open("<>|", "w"));
    EXPECT_FALSE(f.open(ByteString(dir_.string()), "r"));
    EXPECT_FALSE(f.open(ByteString(dir_.string()), "w"));
    EXPECT_FALSE(f.seek(0, "0"));
    EXPECT_FALSE(f.refreshSize());
}

TEST_F(FileTest, ReadsClampToWhatIsLeft) {
    put("hello.txt", "hello world");
    File f;
    ASSERT_TRUE(f.open(path("hello.txt"), "r"));
    ByteString got("left over");
    EXPECT_TRUE(f.read(got, 5));
    EXPECT_EQ(got, "hello");
    EXPECT_TRUE(f.read(got, 100));
    EXPECT_EQ(got, " world");
    EXPECT_TRUE(f.read(got, 100));
    EXPECT_EQ(got, "");
    EXPECT_EQ(f.position(), "11");
    // Bytes added by someone else are found when a read asks for them.
    put("hello.txt", "hello world, again");
    EXPECT_TRUE(f.read(got, 100));
    EXPECT_EQ(got, ", again");
    EXPECT_EQ(f.size(), "18");
}

TEST_F(FileTest, SeekUsesUnsignedArithmeticAndClampsToTheSize) {
    put("ten.dat", "0123456789");
    File f;
    ASSERT_TRUE(f.open(path("ten.dat"), "r"));
    auto at = [&](int mode, const char* offset) {
        EXPECT_TRUE(f.seek(mode, offset));
        return f.position();
    };
    EXPECT_EQ(at(0, "100"), "10");
    EXPECT_EQ(at(1, "3"), "7");
    EXPECT_EQ(at(2, "2"), "9");
    EXPECT_EQ(at(3, "4"), "5");
    EXPECT_EQ(at(7, "1"), "5");
    EXPECT_EQ(at(3, "6"), "10");  // back past the start lands at the end
    EXPECT_EQ(at(0, "-1"), "10");
    EXPECT_EQ(at(0, " +3x"), "3");
    EXPECT_EQ(at(2, "-1"), "2");   // wraps around: back by one
    EXPECT_EQ(at(1, "18446744073709551615"), "10");
}

TEST_F(FileTest, HandlesAreNotInheritedByStartedPrograms) {
    put("a.dat", "x");
    File f;
    ASSERT_TRUE(f.open(path("a.dat"), "r+"));
    int found = 0;
    for (const auto& e : fs::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        if (fs::read_symlink(e.path(), ec) != dir_ / "a.dat") continue;
        const int fd = std::stoi(e.path().filename().string());
        EXPECT_TRUE(fcntl(fd, F_GETFD) & FD_CLOEXEC);
        ++found;
    }
    EXPECT_EQ(found, 1);
}

TEST_F(FileTest, FileAndDirectoryQueries) {
    put("f.dat", "x");
    fs::create_directory(dir_ / "sub");
    EXPECT_TRUE(isFile(path("f.dat")));
    EXPECT_TRUE(isFile(path("f.dat/")));
    EXPECT_FALSE(isDirectory(path("f.dat")));
    EXPECT_TRUE(isDirectory(path("sub")));
    EXPECT_TRUE(isDirectory(path("sub/")));
    EXPECT_FALSE(isFile(path("sub")));
    EXPECT_FALSE(isFile(path("none")) || isDirectory(path("none")));
    EXPECT_TRUE(isDirectory(""));  // the root
    EXPECT_FALSE(isFile(""));
}

TEST_F(FileTest, CreateDirectoriesCreatesEveryMissingLevel) {
    fs::create_directory(dir_ / "a");
    EXPECT_TRUE(createDirectories(path("a/b/c")));
    EXPECT_TRUE(fs::is_directory(dir_ / "a/b/c"));
    EXPECT_TRUE(createDirectories(path("a/b/c/")));  // already there
    EXPECT_TRUE(createDirectories(path("x//y/")));
    EXPECT_TRUE(fs::is_directory(dir_ / "x/y"));
    put("plain", "x");
    EXPECT_FALSE(createDirectories(path("plain/sub")));
}

TEST_F(FileTest, LoadFileReadsEverythingOrFails) {
    ByteString target("stale");
    EXPECT_FALSE(loadFile(target, path("missing.dat")));
    EXPECT_TRUE(target.empty());

    put("empty.dat", "");
    target = "stale";
    EXPECT_TRUE(loadFile(target, path("empty.dat")));
    EXPECT_TRUE(target.empty());

    const std::string binary("PK\0\x01\xff\r\n end", 11);
    put("bin.dat", binary);
    EXPECT_TRUE(loadFile(target, path("bin.dat")));
    EXPECT_EQ(target.view(), binary);
    EXPECT_EQ(target.cursor(), 0u);

    EXPECT_FALSE(loadFile(target, ByteString(dir_.string())));
    EXPECT_TRUE(target.empty());
}

TEST_F(FileTest, LoadFileRefusesAFileTooLargeForOneText) {
    // A sparse file: 4 GiB plus one byte, taking no disk space.
    put("huge.dat", "");
    fs::resize_file(dir_ / "huge.dat", (uint64_t{1} << 32) + 1);
    ByteString target("stale");
    EXPECT_FALSE(loadFile(target, path("huge.dat")));
    EXPECT_TRUE(target.empty());
}

TEST_F(FileTest, SaveFileWritesExactlyTheTextAndLeavesNothingElse) {
    const std::string binary("\0\x01 package \xfe\r\n", 14);
    EXPECT_TRUE(saveFile(ByteString(binary), path("new.dat")));
    EXPECT_EQ(get("new.dat"), binary);
    put("old.dat", std::string(5000, 'o'));
    EXPECT_TRUE(saveFile("short", path("old.dat")));
    EXPECT_EQ(get("old.dat"), "short");
    EXPECT_TRUE(saveFile("", path("old.dat")));
    EXPECT_EQ(get("old.dat"), "");
    EXPECT_EQ(entries(), (std::set<std::string>{"new.dat", "old.dat"}));

    EXPECT_FALSE(saveFile("x", path("no/such/folder/p.dat")));
    EXPECT_FALSE(saveFile("x", ByteString(dir_.string())));  // a directory
    EXPECT_FALSE(saveFile("x", ""));
    EXPECT_EQ(entries(), (std::set<std::string>{"new.dat", "old.dat"}));
}

TEST_F(FileTest, SaveFileKeepsPermissionsAndWritesThroughLinks) {
    put("p.dat", "old");
    fs::permissions(dir_ / "p.dat", static_cast<fs::perms>(0640));
    EXPECT_TRUE(saveFile("new", path("p.dat")));
    EXPECT_EQ(modeOf("p.dat"), 0640u);
    fs::permissions(dir_ / "p.dat", static_cast<fs::perms>(0755));
    EXPECT_TRUE(saveFile("newer", path("p.dat")));
    EXPECT_EQ(modeOf("p.dat"), 0755u);

    fs::create_directory(dir_ / "real");
    put("real/target.dat", "old");
    fs::create_symlink("real/target.dat", dir_ / "relative-link");
    fs::create_symlink(dir_ / "relative-link", dir_ / "chained-link");
    EXPECT_TRUE(saveFile("through", path("chained-link")));
    EXPECT_TRUE(fs::is_symlink(dir_ / "relative-link"));
    EXPECT_TRUE(fs::is_symlink(dir_ / "chained-link"));
    EXPECT_EQ(get("real/target.dat"), "through");

    fs::create_symlink("real/later.dat", dir_ / "dangling-link");
    EXPECT_TRUE(saveFile("created", path("dangling-link")));
    EXPECT_EQ(get("real/later.dat"), "created");
    EXPECT_TRUE(fs::is_symlink(dir_ / "dangling-link"));

    fs::create_symlink("loop-b", dir_ / "loop-a");
    fs::create_symlink("loop-a", dir_ / "loop-b");
    EXPECT_FALSE(saveFile("x", path("loop-a")));
    // Nothing left behind.
    EXPECT_EQ(entries(), (std::set<std::string>{"p.dat", "real", "relative-link", "chained-link", "dangling-link",
                                                "loop-a", "loop-b"}));
    EXPECT_EQ(entries("real"), (std::set<std::string>{"target.dat", "later.dat"}));
}

// Runs `body` in a child process and reports whether it returned true.
bool inChild(const std::function<bool()>& body) {
    const pid_t pid = fork();
    if (pid == 0) _exit(body() ? 0 : 1);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(FileTest, SaveFileRefusesATargetWeMayNotWrite) {
    put("locked.dat", "keep me");
    fs::permissions(dir_ / "locked.dat", static_cast<fs::perms>(0444));
    fs::permissions(dir_, fs::perms::all);  // the folder itself is open to all
    const ByteString target = path("locked.dat");
    EXPECT_TRUE(inChild([&] {
        // The superuser may write anything: test as an ordinary user.
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return false;
        return !saveFile("lost", target);
    }));
    EXPECT_EQ(get("locked.dat"), "keep me");
    EXPECT_EQ(entries(), (std::set<std::string>{"locked.dat"}));
}

TEST_F(FileTest, SaveFileFailsOnAShortWriteAndKeepsTheOldContent) {
    put("p.dat", "precious");
    const ByteString target = path("p.dat");
    EXPECT_TRUE(inChild([&] {
        // A file-size limit makes writes come up short, as on a full disk.
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1000, 1000};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return false;
        return !saveFile(ByteString(5000, 'x'), target);
    }));
    EXPECT_EQ(get("p.dat"), "precious");
    EXPECT_EQ(entries(), (std::set<std::string>{"p.dat"}));
}

}  // namespace
}  // namespace orv

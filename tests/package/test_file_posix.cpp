// File access on POSIX: names, links, permissions, ACLs and other users.
#include "package/file.h"

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

#include "tests/package/file_test_fixture.h"

namespace orv {
namespace {

using testing::FileTest;
using testing::Names;
namespace fs = std::filesystem;

// Another program may write the file while it is open here (Windows lets
// nobody): a read past the size learnt finds what was added.
TEST_F(FileTest, BytesAddedMeanwhileAreFound) {
    put("ten.dat", "0123456789");
    File f;
    ByteString got;
    ASSERT_TRUE(f.open(path("ten.dat"), "r") && f.read(got, 100) && got == "0123456789");
    put("ten.dat", "0123456789, again");
    EXPECT_TRUE(f.read(got, 100) && got == ", again");
}

// Characters that Windows reserves are ordinary in a POSIX name: a name
// holding one is its own file, never the one without it.
TEST_F(FileTest, NamesStayNames) {
    put("ab.dat", "other");
    for (const char c : {'*', '?', '"', '<', '>', '|', '\\', ':'}) {
        const std::string name = std::string("a") + c + "b.dat";
        ByteString got;
        EXPECT_FALSE(loadFile(got, path(name)) || isFile(path(name))) << name;
        EXPECT_TRUE(saveFile(ByteString(name), path(name))) << name;
        EXPECT_TRUE(loadFile(got, path(name)) && got == ByteString(name)) << name;
        EXPECT_EQ(get(name), name);
    }
    EXPECT_EQ(get("ab.dat"), "other");
    EXPECT_EQ(entries().size(), 9u);
}

TEST_F(FileTest, SaveFileWritesExactlyTheTextThroughLinksKeepingPermissions) {
    const std::string binary("\0\x01 package \xfe\r\n", 14);
    EXPECT_TRUE(saveFile(ByteString(binary), path("new.dat")));
    EXPECT_EQ(get("new.dat"), binary);
    put("p.dat", std::string(5000, 'o'));  // the shared-folder test checks what else is kept
    EXPECT_TRUE(saveFile("", path("p.dat")));
    EXPECT_EQ(get("p.dat"), "");
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

TEST_F(FileTest, AShortWriteFailsTheSaveAndLeavesTheFileAsItWas) {
    put("p.dat", "precious");
    EXPECT_TRUE(inChild([&] {
        // A file-size limit makes writes come up short, as on a full disk.
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1000, 1000};
        return setrlimit(RLIMIT_FSIZE, &limit) == 0 && !saveFile(ByteString(5000, 'x'), path("p.dat"));
    }));
    EXPECT_EQ(get("p.dat"), "precious");
    EXPECT_EQ(entries(), (Names{"p.dat"}));
}

// A team shares folders as users 6001 and 6002 in group 5000; 6001 saves.
// Whatever route the save takes, the file stays what it was: owner, group,
// mode, links and ACL. A file 6001 may not write is refused.
TEST_F(FileTest, SavingASharedFileKeepsItsIdentity) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to act as the team's users";
    const auto own = [&](const std::string& name, uid_t uid, gid_t gid, unsigned mode) {
        ASSERT_EQ(chown((dir_ / name).c_str(), uid, gid), 0);
        ASSERT_EQ(chmod((dir_ / name).c_str(), mode), 0);
    };
    const struct {
        const char* name;
        uid_t uid;
        gid_t gid;
        unsigned mode;
    } files[] = {{"team/mine.dat", 6001, 5000, 0664}, {"team/theirs.dat", 6002, 5000, 0664},
                 {"team/linked.dat", 6001, 6001, 0644}, {"team/acl.dat", 6001, 6001, 0660},
                 {"readonly/open.dat", 0, 0, 0666}, {"team/locked.dat", 0, 5000, 0444}};
    for (const char* folder : {"team", "readonly"}) fs::create_directory(dir_ / folder);
    for (const auto& f : files) {
        put(f.name, "old bytes");
        own(f.name, f.uid, f.gid, f.mode);
    }
    own(".", 0, 0, 0755);
    own("team", 0, 5000, 0775);
    own("readonly", 0, 0, 0555);
    fs::create_hard_link(dir_ / "team/linked.dat", dir_ / "team/second-link.dat");
    // user::rw- user:6003:rw- group::r-- mask::rw- other::---
    const unsigned char acl[] = {2, 0, 0, 0, 1, 0, 6, 0, 0xFF, 0xFF, 0xFF, 0xFF, 2, 0, 6, 0, 0x73, 0x17, 0, 0,
                                 4, 0, 4, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0x10, 0, 6, 0, 0xFF, 0xFF, 0xFF, 0xFF,
                                 0x20, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    const char* kAcl = "system.posix_acl_access";
    ASSERT_EQ(setxattr((dir_ / "team/acl.dat").c_str(), kAcl, acl, sizeof acl, 0), 0);

    for (const auto& f : files) {
        const bool locked = f.mode == 0444;
        EXPECT_NE(inChild([&] { return saveFile("new bytes", path(f.name)); }, 6001), locked) << f.name;
        struct stat after {};
        stat((dir_ / f.name).c_str(), &after);
        EXPECT_EQ(get(f.name), locked ? "old bytes" : "new bytes") << f.name;
        EXPECT_EQ(std::tuple(after.st_uid, after.st_gid, after.st_mode & 07777), std::tuple(f.uid, f.gid, f.mode))
            << f.name;
    }
    EXPECT_EQ(get("team/second-link.dat"), "new bytes");
    unsigned char got[64];
    EXPECT_EQ(getxattr((dir_ / "team/acl.dat").c_str(), kAcl, got, sizeof got), static_cast<ssize_t>(sizeof acl));
    EXPECT_EQ(std::memcmp(got, acl, sizeof acl), 0);
    EXPECT_EQ(entries("team"),
              (Names{"mine.dat", "theirs.dat", "linked.dat", "second-link.dat", "acl.dat", "locked.dat"}));
}

// Sets fs.protected_symlinks to 0 (the kernel then follows every link, as
// many systems are set) for its lifetime; off() tells whether it could.
struct KernelLinkProtectionOff {
    static bool write(const std::string& value) {
        return static_cast<bool>(std::ofstream("/proc/sys/fs/protected_symlinks") << value << std::flush);
    }
    KernelLinkProtectionOff() { std::ifstream("/proc/sys/fs/protected_symlinks") >> old; }
    ~KernelLinkProtectionOff() { write(old); }
    bool off() const { return old == "0" || write("0"); }
    std::string old = "1";
};

// Links at the end of a saved path, as the kernel would judge them: in a
// sticky folder that all may write (like /tmp), another user's link is not
// followed (it was planted to make us write elsewhere); our own links, the
// folder owner's and links in other folders are. Users: 6001 saves, 6002
// plants.
TEST_F(FileTest, LinksPlantedInSharedFoldersAreNotFollowed) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to act as other users";
    const KernelLinkProtectionOff kernel;
    if (!kernel.off()) GTEST_SKIP() << "fs.protected_symlinks cannot be set to 0 here, so the kernel's protection would hide a fault";
    ASSERT_EQ(chmod(dir_.c_str(), 0755), 0);
    for (const auto& [folder, group, mode] : {std::tuple{"shared", 0u, 01777u}, {"team", 5000u, 0775u}}) {
        fs::create_directory(dir_ / folder);
        ASSERT_EQ(chown((dir_ / folder).c_str(), 0, group), 0);
        ASSERT_EQ(chmod((dir_ / folder).c_str(), mode), 0);
    }
    const struct {
        const char* link;
        const char* target;  // relative to the link's folder
        uid_t linkOwner, saver;
        bool followed;
    } cases[] = {
        {"shared/planted.dat", "../victim.dat", 6002, 0, false},
        {"shared/dangling.dat", "../created.dat", 6002, 0, false},
        {"shared/planted-for-6001.dat", "../victim.dat", 6002, 6001, false},
        {"shared/chain.dat", "planted.dat", 6001, 6001, false},  // the second link is judged too
        {"shared/mine.dat", "../mine.dat", 6001, 6001, true},
        {"shared/folder-owners.dat", "../mine.dat", 0, 6001, true},
        {"team/theirs.dat", "../mine.dat", 6002, 6001, true},
    };
    put("victim.dat", "victim");
    put("mine.dat", "old");
    ASSERT_EQ(chown((dir_ / "mine.dat").c_str(), 6001, 6001), 0);
    ASSERT_EQ(chown((dir_ / "victim.dat").c_str(), 6001, 6001), 0);
    for (const auto& c : cases) {
        fs::create_symlink(c.target, dir_ / c.link);
        ASSERT_EQ(lchown((dir_ / c.link).c_str(), c.linkOwner, c.linkOwner), 0);
    }
    for (const auto& c : cases) {
        const bool saved = c.saver == 0 ? saveFile("new", path(c.link))
                                        : inChild([&] { return saveFile("new", path(c.link)); }, c.saver);
        EXPECT_EQ(saved, c.followed) << c.link;
        const bool refused = c.saver == 0 ? isRefusedLink(path(c.link))
                                          : inChild([&] { return isRefusedLink(path(c.link)); }, c.saver);
        EXPECT_EQ(refused, !c.followed) << c.link;
        EXPECT_TRUE(fs::is_symlink(dir_ / c.link)) << c.link;
        EXPECT_EQ(get("mine.dat"), c.followed ? "new" : "old") << c.link;
        put("mine.dat", "old");
    }
    EXPECT_EQ(get("victim.dat"), "victim");
    EXPECT_EQ(entries(), (Names{"shared", "team", "victim.dat", "mine.dat"}));
    EXPECT_EQ(entries("shared").size(), 6u);
}

}  // namespace
}  // namespace orv

// digest, feed and check --online as a publisher runs them, against a
// private nginx, with the feeds read by the programs that consume them:
// feedparser for the appcast, appstreamcli for the AppStream releases,
// Python's XML parser for PAD.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>

#include "package/format.h"
#include "tests/net/nginx_server.h"

namespace orv {
namespace {

struct Result {
    int status = -1;
    std::string out, err;
};

std::string slurp(const std::string& path) {
    std::ostringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

class CliFeeds : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testing::nginxInstalled()) GTEST_SKIP() << "nginx is not installed";
        for (const char* tool : {"/usr/bin/appstreamcli", "/usr/lib/python3/dist-packages/feedparser"})
            if (::access(tool, F_OK) != 0) GTEST_SKIP() << tool << " is missing (scripts/setup.sh installs it)";
        dir_ = nginx_.root() + "/..";
        nginx_.writeFile("setup-1.0.exe", 300000), nginx_.writeFile("setup-1.1.exe", 200000);
        nginx_.writeFile("setup-2.0.dmg", 100000);
        base_ = "http://127.0.0.1:" + std::to_string(nginx_.addServer("")) + "/";
        ASSERT_TRUE(nginx_.start());
    }

    // Runs a program (the command-line program unless `args` names
    // another) with its outputs in files, in the C.UTF-8 locale.
    Result run(std::vector<std::string> args) {
        if (args[0][0] != '/') args.insert(args.begin(), ORV_CLI);
        posix_spawn_file_actions_t io;
        posix_spawn_file_actions_init(&io);
        posix_spawn_file_actions_addopen(&io, 1, (dir_ + "/out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&io, 2, (dir_ + "/err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<std::string> vars = {"LC_ALL=C.UTF-8", "PATH=/usr/bin:/bin"};
        for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"})
            if (const char* value = std::getenv(name)) vars.push_back(std::string(name) + "=" + value);
        std::vector<char*> env;
        for (std::string& v : vars) env.push_back(v.data());
        env.push_back(nullptr);
        pid_t pid = 0;
        Result r;
        if (posix_spawn(&pid, argv[0], &io, nullptr, argv.data(), env.data()) == 0 && waitpid(pid, &r.status, 0) == pid)
            r.status = WIFEXITED(r.status) ? WEXITSTATUS(r.status) : 128 + WTERMSIG(r.status);
        posix_spawn_file_actions_destroy(&io);
        r.out = slurp(dir_ + "/out"), r.err = slurp(dir_ + "/err");
        return r;
    }
    Result python(const std::string& script) { return run({"/usr/bin/python3", "-c", script}); }

    // Three versions; the newest fixes a crash and carries texts that are
    // markup, control bytes and bytes that are no UTF-8.
    std::string package() {
        Package p;
        p.common.product = "Tide <b>&amp;";
        p.common.productDescription = "Copies your documents.";
        const char* files[] = {"setup-1.0.exe", "setup-1.1.exe", "setup-2.0.dmg"};
        for (uint32_t i = 0; i < 3; ++i) {
            VersionRecord v;
            v.id = i + 1, v.version = i < 2 ? ByteString("1." + std::to_string(i)) : "2.0";
            v.location = ByteString(base_ + files[i]);
            v.releaseDate = ByteString("2024-0" + std::to_string(i + 1) + "-15 00:00:00");
            p.versions.append(v);
        }
        p.versions[1].freeUpgrades = {1};
        FeatureRecord f;
        f.id = 1, f.title = "Snapshots ]]> <script>x</script>\x01\xFF", f.versions = {3};
        p.features.append(f);
        BugRecord b;
        b.id = 1, b.title = "Crash on \"empty\" & 'odd' names", b.severity = 5, b.fixed = 3, b.introduced = 1;
        p.bugs.append(b);
        ByteString bytes;
        EXPECT_TRUE(writePackage(p, bytes));
        std::ofstream(dir_ + "/p.dat", std::ios::binary).write(bytes.data(), bytes.length());
        return dir_ + "/p.dat";
    }

    testing::NginxServer nginx_;
    std::string dir_, base_;
};

TEST_F(CliFeeds, DigestThenEachFeedPassesItsConsumer) {
    const std::string dat = package();
    ASSERT_EQ(std::system(("openssl genpkey -algorithm ed25519 -out " + dir_ + "/key.pem").c_str()), 0);
    Result r = run({"digest", dat, "--sign-key", dir_ + "/key.pem"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("version 2.0: 100000 bytes, sha256 "), std::string::npos) << r.out;
    ASSERT_EQ(run({"digest", dat}).status, 0);  // unchanged bytes keep their signatures

    r = run({"feed", dat, "--format", "appcast", "-o", dir_ + "/appcast.xml"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("warning: feature 1 title: bytes that are not UTF-8 were replaced"), std::string::npos) << r.err;
    r = python("import feedparser, json\n"
               "d = feedparser.parse('" + dir_ + "/appcast.xml')\n"
               "s = json.load(open('" + dat + ".digests.json'))['downloads']\n"
               "print(d.bozo, len(d.entries))\n"
               "for e in d.entries:\n"
               "  n = e.enclosures[0]\n"
               "  print(e.title, e.sparkle_version, n.href[-13:], n.length, n.get('sparkle:os'),\n"
               "        n['sparkle:edsignature'] == s[n.href]['edSignature'], 'sparkle_criticalupdate' in e,\n"
               "        e.get('sparkle_minimumautoupdateversion'))\n"
               "print('<script>' in d.entries[0].summary, '&lt;script&gt;' in d.entries[0].summary)");
    EXPECT_EQ(r.out, "False 3\n"
                     "Tide <b>&amp; 2.0 2.0 setup-2.0.dmg 100000 macos True True 2.0\n"  // paid from 1.1
                     "Tide <b>&amp; 1.1 1.1 setup-1.1.exe 200000 windows True False None\n"
                     "Tide <b>&amp; 1.0 1.0 setup-1.0.exe 300000 windows True False None\n"
                     "False True\n") << r.err;

    r = run({"feed", dat, "--format", "appstream"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::string releases = r.out.substr(r.out.find("<releases>"));
    std::ofstream(dir_ + "/org.example.Tide.metainfo.xml")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<component type=\"desktop-application\">\n"
           "<id>org.example.tide</id><metadata_license>CC0-1.0</metadata_license><project_license>MIT</project_license>"
           "<name>Tide</name><summary>Backs up documents</summary><description><p>Copies your documents to any disk "
           "or network share, keeps older copies and restores them with two clicks.</p></description>"
           "<launchable type=\"desktop-id\">org.example.tide.desktop</launchable><developer_name>Northwind"
           "</developer_name><content_rating type=\"oars-1.1\"/>\n" << releases << "</component>\n";
    r = run({"/usr/bin/appstreamcli", "validate", "--no-net", dir_ + "/org.example.Tide.metainfo.xml"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(releases.find("urgency=\"high\""), std::string::npos);
    EXPECT_NE(releases.find("<size type=\"download\">100000</size>"), std::string::npos);

    r = run({"feed", dat, "--format", "pad", "-o", dir_ + "/pad.xml"});
    ASSERT_EQ(r.status, 0) << r.err;
    r = python("import xml.etree.ElementTree as E, re\n"
               "r = E.parse('" + dir_ + "/pad.xml').getroot()\n"
               "for p in ['MASTER_PAD_VERSION_INFO/MASTER_PAD_VERSION', 'Program_Info/Program_Version',\n"
               "          'Program_Info/Program_Release_Year', 'Program_Info/File_Info/File_Size_Bytes',\n"
               "          'Program_Info/File_Info/File_Size_K', 'Web_Info/Download_URLs/Primary_Download_URL']:\n"
               "  print(r.find(p).text)\n"
               "print(r.tag, len(r.find('Program_Info/Program_Change_Info').text) <= 300)");
    EXPECT_EQ(r.out, "4.0\n2.0\n2024\n100000\n98\n" + base_ + "setup-2.0.dmg\nXML_DIZ_INFO True\n") << r.err;
}

TEST_F(CliFeeds, VerifyAndCheckFindADownloadChangedAtTheSameSize) {
    const std::string dat = package();
    ASSERT_EQ(run({"digest", dat}).status, 0);
    std::fstream changed(nginx_.root() + "/setup-1.1.exe", std::ios::in | std::ios::out | std::ios::binary);
    changed.seekp(1000) << 'b';
    changed.close();
    const std::string stamp = "touch -d 2001-01-01 " + nginx_.root() + "/setup-1.1.exe";
    ASSERT_EQ(std::system(stamp.c_str()), 0);

    Result r = run({"digest", dat, "--verify"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out, "version 1.0: unchanged\n"
                     "version 1.1: changed: the same size (200000 bytes) but other bytes\n"
                     "version 2.0: unchanged\n");
    r = run({"check", dat, "--online", "--json"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.out.find("\"fault\": \"changed-since-digest\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("setup-1.1.exe\\\" changed since its digest: ETag was"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("setup-1.0.exe\\\" changed"), std::string::npos) << r.out;
}

TEST_F(CliFeeds, TheDigestFileIsSharedLikeThePackageAndNoPlantedLinkIsFollowed) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to plant another user's link";
    const std::string dat = package();
    ASSERT_EQ(::chmod(dat.c_str(), 0664), 0);
    const std::string side = dat + ".digests.json", target = dir_ + "/elsewhere";
    ASSERT_EQ(::symlink(target.c_str(), side.c_str()), 0);
    ASSERT_EQ(::lchown(side.c_str(), 6001, 6001), 0);
    Result r = run({"digest", dat});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "orvantis-cli: '" + side + "' is a symbolic link of another user; it is not followed\n");
    EXPECT_NE(::access(target.c_str(), F_OK), 0);

    ASSERT_EQ(::unlink(side.c_str()), 0);
    ASSERT_EQ(run({"digest", dat}).status, 0);
    struct stat st {};
    ASSERT_EQ(::stat(side.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0664u);
}

}  // namespace
}  // namespace orv

// digest, feed and check --online as a publisher runs them, against a
// private nginx, with the feeds read by the programs that consume them:
// feedparser for the appcast, appstreamcli for the AppStream releases,
// Python's XML parser for PAD.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <nlohmann/json.hpp>
#include <thread>

#include "package/file_lock.h"
#include "package/format.h"
#include "tests/cli/cli_runner.h"
#include "tests/net/nginx_server.h"

namespace orv {
namespace {

using testing::Result;
using testing::slurp;
using Json = nlohmann::json;

class CliFeeds : public testing::CliTest {
protected:
    void SetUp() override {
        if (!testing::nginxInstalled()) GTEST_SKIP() << "nginx is not installed";
        for (const char* tool : {"/usr/bin/appstreamcli", "/usr/lib/python3/dist-packages/feedparser"})
            if (::access(tool, F_OK) != 0) GTEST_SKIP() << tool << " is missing (scripts/setup.sh installs it)";
        CliTest::SetUp();
        nginx_.writeFile("setup-1.0.exe", 300000), nginx_.writeFile("setup-1.1.exe", 200000);
        nginx_.writeFile("setup-2.0.dmg", 100000);
        base_ = "http://127.0.0.1:" + std::to_string(nginx_.addServer("")) + "/";
        ASSERT_TRUE(nginx_.start());
    }

    Result python(const std::string& script) { return runTool({"/usr/bin/python3", "-c", script}); }

    // Three versions; the newest fixes a crash and carries texts that are
    // markup, control bytes and a byte that is not UTF-8 (so the package
    // reads as windows-1252).
    std::string package(const char* name = "p.dat") {
        Package p;
        p.common.product = "Tide <b>&amp;";
        p.common.productDescription = "Copies your documents.";
        const char* files[] = {"setup-1.0.exe", "setup-1.1.exe", "setup-2.0.dmg"};
        const char* sizes[] = {"300000", "200000", "100000"};
        for (uint32_t i = 0; i < 3; ++i) {
            VersionRecord v;
            v.id = i + 1, v.version = i < 2 ? ByteString("1." + std::to_string(i)) : "2.0";
            v.location = ByteString(base_ + files[i]);
            v.fileSize = sizes[i];
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
        std::ofstream(file(name), std::ios::binary).write(bytes.data(), bytes.length());
        return file(name);
    }

    testing::NginxServer nginx_;
    std::string base_;
};

TEST_F(CliFeeds, DigestThenEachFeedPassesItsConsumer) {
    const std::string dat = package();
    ASSERT_EQ(std::system(("openssl genpkey -algorithm ed25519 -out " + file("key.pem") + " 2>/dev/null").c_str()), 0);
    ::chmod(file("key.pem").c_str(), 0600);
    Result r = run({"digest", dat, "--sign-key", file("key.pem")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("version 2.0 (id 3): 100000 bytes, sha256 "), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "");
    ASSERT_EQ(run({"digest", dat}).status, 0);  // unchanged bytes keep their signatures

    r = run({"feed", dat, "--format", "appcast", "-o", file("appcast.xml")});
    ASSERT_EQ(r.status, 0) << r.err;
    // Read as windows-1252 (one text is not UTF-8): only the control is dropped.
    EXPECT_EQ(r.err, "orvantis-cli: warning: feature Snapshots ]]> <script>x</script>\\x01\xC3\xBF (id 1) title: "
                     "control characters that XML cannot carry were dropped\n");
    r = python("import feedparser, json\n"
               "d = feedparser.parse('" + file("appcast.xml") + "')\n"
               "s = json.load(open('" + dat + ".digests.json'))['downloads']\n"
               "print(d.bozo, len(d.entries))\n"
               "for e in d.entries:\n"
               "  n = e.enclosures[0]\n"
               "  print(e.title, e.sparkle_version, n.href[-13:], n.length, n.get('sparkle:os'),\n"
               "        n['sparkle:edsignature'] == s[n.href]['edSignature'], 'sparkle_criticalupdate' in e,\n"
               "        e.get('sparkle_minimumautoupdateversion'))\n"
               "print('<script>' in d.entries[0].summary, '&lt;script&gt;' in d.entries[0].summary,\n"
               "      '\\u00ff' in d.entries[0].summary)");
    EXPECT_EQ(r.out, "False 3\n"
                     "Tide <b>&amp; 2.0 2.0 setup-2.0.dmg 100000 macos True True 2.0\n"  // paid from 1.1
                     "Tide <b>&amp; 1.1 1.1 setup-1.1.exe 200000 windows True False None\n"
                     "Tide <b>&amp; 1.0 1.0 setup-1.0.exe 300000 windows True False None\n"
                     "False True True\n") << r.err;

    r = run({"feed", dat, "--format", "appstream"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::string releases = r.out.substr(r.out.find("<releases>"));
    std::ofstream(file("org.example.Tide.metainfo.xml"))
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<component type=\"desktop-application\">\n"
           "<id>org.example.tide</id><metadata_license>CC0-1.0</metadata_license><project_license>MIT</project_license>"
           "<name>Tide</name><summary>Backs up documents</summary><description><p>Copies your documents to any disk "
           "or network share, keeps older copies and restores them with two clicks.</p></description>"
           "<launchable type=\"desktop-id\">org.example.tide.desktop</launchable><developer_name>Northwind"
           "</developer_name><content_rating type=\"oars-1.1\"/>\n" << releases << "</component>\n";
    r = runTool({"/usr/bin/appstreamcli", "validate", "--no-net", file("org.example.Tide.metainfo.xml")});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(releases.find("urgency=\"high\""), std::string::npos);
    EXPECT_NE(releases.find("<size type=\"download\">100000</size>"), std::string::npos);

    r = run({"feed", dat, "--format", "pad", "-o", file("pad.xml")});
    ASSERT_EQ(r.status, 0) << r.err;
    r = python("import xml.etree.ElementTree as E, re\n"
               "r = E.parse('" + file("pad.xml") + "').getroot()\n"
               "for p in ['MASTER_PAD_VERSION_INFO/MASTER_PAD_VERSION', 'Program_Info/Program_Version',\n"
               "          'Program_Info/Program_Release_Year', 'Program_Info/File_Info/File_Size_Bytes',\n"
               "          'Program_Info/File_Info/File_Size_K', 'Web_Info/Download_URLs/Primary_Download_URL']:\n"
               "  print(r.find(p).text)\n"
               "print(r.tag, len(r.find('Program_Info/Program_Change_Info').text) <= 300)");
    EXPECT_EQ(r.out, "4.0\n2.0\n2024\n100000\n98\n" + base_ + "setup-2.0.dmg\nXML_DIZ_INFO True\n") << r.err;
}

TEST_F(CliFeeds, JsonResultsAndErrorsFollowTheCommonShapes) {
    const std::string dat = package();
    Result r = run({"digest", dat, "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    Json j = Json::parse(r.out);
    EXPECT_EQ(j["digests"], dat + ".digests.json");
    EXPECT_EQ(j["digested"], 3);
    EXPECT_EQ(j["written"], true);
    ASSERT_EQ(j["versions"].size(), 3u);
    EXPECT_EQ(j["versions"][2]["version"], "2.0");
    EXPECT_EQ(j["versions"][2]["id"], 3);
    EXPECT_EQ(j["versions"][2]["size"], 100000);
    EXPECT_EQ(j["versions"][2]["status"], "digested");

    // The feed goes into the document when it goes to standard output;
    // warnings are JSON objects on standard error.
    r = run({"feed", dat, "--format", "pad", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    j = Json::parse(r.out);
    EXPECT_EQ(j["encoding"], "windows-1252");
    EXPECT_EQ(j["feed"].get<std::string>().find("<XML_DIZ_INFO>"), 39u);
    r = run({"feed", dat, "--format", "appcast", "--json", "-o", file("a.xml")});
    j = Json::parse(r.out);
    EXPECT_EQ(j["output"], file("a.xml"));
    EXPECT_FALSE(j.contains("feed"));
    EXPECT_EQ(j["bytes"], std::filesystem::file_size(file("a.xml")));
    EXPECT_EQ(Json::parse(r.err)["warning"]["subject"], "feature Snapshots ]]> <script>x</script>\\x01\xC3\xBF (id 1) title");

    // A download that fails is one error line naming the version; the
    // others are recorded, and the status says it failed.
    std::filesystem::remove(nginx_.root() + "/setup-1.1.exe");
    r = run({"digest", dat});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "orvantis-cli: '" + base_ + "setup-1.1.exe': cannot download version 1.1 (id 2): the server answered 404 Not Found\n");
    r = run({"digest", dat, "--json", "--verbose"});
    const Json error = Json::parse(r.err)["error"];
    EXPECT_EQ(error["command"], "digest");
    EXPECT_EQ(error["failed"], "cannot download version 1.1 (id 2)");
    EXPECT_NE(error["detail"].get<std::string>().find("Received:  404 Not Found"), std::string::npos) << r.err;
    j = Json::parse(r.out);
    EXPECT_EQ(j["failed"], 1);
    EXPECT_EQ(j["versions"][1]["status"], "failed");

    const std::pair<std::vector<std::string>, std::string> refused[] = {
        {{"digest", "-"}, "standard input: cannot be digested: the digests are kept beside a package file"},
        {{"digest", dat, "--sign-key", dat}, "--sign-key '" + dat + "': refused: "},
        {{"feed", file("missing.dat"), "--format", "pad"}, "'" + file("missing.dat") + "': cannot read: No such file or directory"},
    };
    for (const auto& [args, message] : refused) {
        r = run(args);
        EXPECT_EQ(r.err.rfind("orvantis-cli: " + message, 0), 0u) << r.err;
        EXPECT_EQ(r.out, "");
    }
    std::ofstream(dat + ".digests.json") << "{\"format\": 7}";
    r = run({"feed", dat, "--format", "pad"});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err.rfind("orvantis-cli: '" + dat + ".digests.json': cannot read: not a digest file: ", 0), 0u) << r.err;
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
    EXPECT_EQ(r.out, "version 1.0 (id 1): unchanged\n"
                     "version 1.1 (id 2): changed: the same size (200000 bytes) but other bytes\n"
                     "version 2.0 (id 3): unchanged\n");
    r = run({"check", dat, "--online", "--json"});
    EXPECT_EQ(r.status, 1) << r.err;
    const Json findings = Json::parse(r.out)["findings"];
    ASSERT_EQ(findings.size(), 1u) << r.out;
    EXPECT_EQ(findings[0]["fault"], "changed-since-digest");
    EXPECT_EQ(findings[0]["name"], "1.1");
    EXPECT_NE(findings[0]["message"].get<std::string>().find("setup-1.1.exe\" changed since its digest: ETag was"),
              std::string::npos);
}

// The side file is read again and written under the package's lock, so a
// digest that another one (or one after an add-version) overtook keeps
// what that one recorded.
TEST_F(CliFeeds, ADigestThatWasOvertakenKeepsWhatTheOtherRecorded) {
    const std::string dat = package();
    FileLock held;
    ASSERT_EQ(held.lock(ByteString(dat), std::chrono::milliseconds(0)), LockResult::Locked);
    const pid_t slow = start({"digest", dat}, "", "C.UTF-8", "slow");
    // Its downloads done, it waits for the lock.
    for (int i = 0; i < 500 && slurp(file("stdoutslow")).find("version 2.0") == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    // Meanwhile another run recorded a location the slow one never saw.
    const std::string other = "{\"format\": {\"name\": \"orvantis-digests\", \"version\": 1}, \"downloads\": "
                              "{\"http://h/new.exe\": {\"size\": 5, \"sha256\": \"" + std::string(64, 'a') +
                              "\", \"sha512\": \"" + std::string(128, 'b') + "\"}}}";
    std::ofstream(dat + ".digests.json") << other;
    held.unlock();
    const Result r = finish(slow, "slow");
    ASSERT_EQ(r.status, 0) << r.err;
    const Json downloads = Json::parse(slurp(dat + ".digests.json"))["downloads"];
    EXPECT_EQ(downloads.size(), 4u);
    EXPECT_EQ(downloads["http://h/new.exe"]["size"], 5);
    EXPECT_EQ(downloads[base_ + "setup-2.0.dmg"]["size"], 100000);
}

TEST_F(CliFeeds, TheDigestFileIsSharedLikeThePackageAndNoPlantedLinkIsFollowed) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to plant another user's link";
    // A shared folder, sticky and writable by all, as /tmp is.
    const std::string shared = file("shared");
    std::filesystem::create_directory(shared);
    ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
    std::filesystem::rename(package(), shared + "/p.dat");
    const std::string dat = shared + "/p.dat", side = dat + ".digests.json", target = file("elsewhere");
    ASSERT_EQ(::chmod(dat.c_str(), 0664), 0);
    ASSERT_EQ(::symlink(target.c_str(), side.c_str()), 0);
    ASSERT_EQ(::lchown(side.c_str(), 6001, 6001), 0);
    Result r = run({"digest", dat});
    EXPECT_EQ(r.status, 3);
    // Refused before anything is downloaded.
    EXPECT_EQ(r.err, "orvantis-cli: '" + side + "': cannot write (nothing was downloaded): "
                     "a link another user made in a shared folder, which is not followed\n");
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(std::filesystem::exists(target));

    ASSERT_EQ(::unlink(side.c_str()), 0);
    ASSERT_EQ(run({"digest", dat}).status, 0);
    struct stat st {};
    ASSERT_EQ(::stat(side.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0664u);
}

}  // namespace
}  // namespace orv

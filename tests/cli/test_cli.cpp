// orvantis-cli run as a user runs it: arguments, standard input and output,
// exit status, files before and after.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <random>
#include <set>
#include <thread>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "app/package_json_fields.h"
#include "app/text_codec.h"
#include "net/socket.h"
#include "net/socket_errors.h"
#include "package/file_lock.h"
#include "package/format.h"
#include "support/numbers.h"
#include "support/system_error.h"
#include "tests/cli/cli_runner.h"
#include "tests/net/script_server.h"

using namespace orv;

// Records are built with designated initializers, naming only what matters.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
using Json = nlohmann::json;

namespace {

using orv::testing::Result;
using orv::testing::slurp;

// The system's words for the failures the tests provoke.
#ifdef _WIN32
const std::string kNoSuchFile = systemErrorText(ERROR_FILE_NOT_FOUND).toStdString();
const std::string kNoSuchFolder = systemErrorText(ERROR_PATH_NOT_FOUND).toStdString();
const std::string kIsAFolder = "Is a folder";
#else
const std::string kNoSuchFile = systemErrorText(ENOENT).toStdString();
const std::string kNoSuchFolder = kNoSuchFile;
const std::string kIsAFolder = systemErrorText(EISDIR).toStdString();
#endif

class Cli : public orv::testing::CliTest {
protected:
    void SetUp() override {
        CliTest::SetUp();
        std::filesystem::copy_file(ORV_SAMPLE, sample_ = file("sample.dat"));
    }

    std::string write(const char* name, const Package& p) {
        ByteString bytes;
        EXPECT_TRUE(writePackage(p, bytes));
        std::ofstream(file(name), std::ios::binary).write(bytes.data(), bytes.length());
        return file(name);
    }

    std::string sample_;
};

using orv::testing::ScriptServer;

std::string url(const ScriptServer& s, const char* path = "/setup.exe") {
    return "http://127.0.0.1:" + std::to_string(s.port()) + path;
}

ByteString randomText(std::mt19937& rng) {
    static const char* const kSamples[] = {"", "Tidewater", "Gr\xC3\xBC\xC3\x9F" "e", "\xE6\x97\xA5\xE6\x9C\xAC",
                                           "caf\xE9", "\x1B(Bx", "\x1B]0;owned\x07", "\xE2\x80\xAEtxt.exe", "a\r\nb"};
    if (rng() % 2) return kSamples[rng() % std::size(kSamples)];
    ByteString t;
    for (uint32_t n = rng() % 9; n > 0; --n) t.append(static_cast<char>(rng()));
    return t;
}

template <typename R, size_t N>
void fill(RecordArray<R>& records, const JsonField<R> (&fields)[N], std::mt19937& rng) {
    for (uint32_t i = rng() % 4; i > 0; --i) {
        R r;
        for (const auto& f : fields) {
            if (f.text) r.*f.text = randomText(rng);
            else if (f.number) r.*f.number = rng() % 2 ? rng() % 10 : static_cast<uint32_t>(rng());
            else for (uint32_t k = rng() % 3; k > 0; --k) (r.*f.ids).append(static_cast<uint32_t>(rng()));
        }
        records.append(r);
    }
}

Package randomPackage(std::mt19937& rng) {
    Package p;
    for (uint32_t i = 0; i < CommonInfo::kFieldCount; ++i) p.common.field(i) = randomText(rng);
    for (int b = 0; b < 256; ++b) p.common.company.append(static_cast<char>(b));
    fill(p.versions, kVersionJsonFields, rng);
    fill(p.features, kFeatureJsonFields, rng);
    fill(p.bugs, kBugJsonFields, rng);
    return p;
}

bool hasControlBytes(const std::string& s, bool ascii) {
    return std::any_of(s.begin(), s.end(), [&](char c) {
        const auto b = static_cast<unsigned char>(c);
        return (b < 0x20 && c != '\n' && c != '\t') || b == 0x7F || (ascii && b >= 0x80);
    });
}

}  // namespace

// ---- export and import ------------------------------------------------------

TEST_F(Cli, ExportThenImportGivesBackTheSameFileWhateverTheTextsHold) {
    std::mt19937 rng(11);
    for (const char* encoding : {"", "windows-1252", "UTF-16LE", "ISO-2022-JP"}) {
        if (*encoding && !TextCodec().open(encoding)) continue;  // Wine has no ISO-2022-JP
        for (int round = 0; round < 3; ++round) {
            const std::string dat = write("in.dat", randomPackage(rng));
            std::vector<std::string> args = {"export", dat};
            if (*encoding) args.insert(args.end(), {"--encoding", encoding});
            const Result json = run(args);
            ASSERT_EQ(json.status, 0) << json.err;
            const Result back = run({"import", "-", "-o", file("out.dat")}, json.out);
            ASSERT_EQ(back.status, 0) << back.err;
            EXPECT_EQ(slurp(file("out.dat")), slurp(dat)) << "encoding " << encoding << ", round " << round;
            // Whatever the texts hold, nothing printed can drive a terminal.
            const Result shown = run({"show", dat}, "", round ? "C.UTF-8" : "C");
            EXPECT_EQ(shown.status, 0);
            EXPECT_FALSE(hasControlBytes(shown.out, false)) << shown.out;
        }
    }
}

TEST_F(Cli, ExportIsTheSameBytesInAnyLocaleAndReadsTextsAsUtf8OrWindows1252) {
    // Every text UTF-8: read as UTF-8, whatever the locale says.
    Package p;
    p.common.company = "Gr\xC3\xBC\xC3\x9F" "e";
    const std::string utf8 = write("u.dat", p);
    const Result c = run({"export", utf8}, "", "C"), en = run({"export", utf8}, "", "C.UTF-8");
    EXPECT_EQ(c.out, en.out);
    Json j = Json::parse(c.out);
    EXPECT_EQ(j["encoding"], "UTF-8");
    EXPECT_EQ(j["common"]["company"], "Grüße");
    EXPECT_NE(run({"show", utf8}, "", "C").out.find("Company: Grüße\n"), std::string::npos);
    // One text that is not UTF-8: the package was made on Windows.
    p.common.product = "caf\xE9";
    j = Json::parse(run({"export", write("w.dat", p)}, "", "C").out);
    EXPECT_EQ(j["encoding"], "windows-1252");
    EXPECT_EQ(j["common"]["product"], "café");
    // --encoding overrides; what does not decode is kept as Base64.
    j = Json::parse(run({"export", file("w.dat"), "--encoding", "UTF-8"}).out);
    EXPECT_EQ(j["common"]["product"], Json({{"base64", "Y2Fm6Q=="}}));
    // Without "encoding" the JSON's strings are written as UTF-8, in any locale.
    const std::string json = R"({"format": {"name": "orvantis-package", "version": 1}, "common": {"company": "Grüße"}})";
    ASSERT_EQ(run({"import", "-", "-o", file("i.dat")}, json, "C").status, 0);
    Package back;
    ASSERT_TRUE(readPackage(back, ByteString(slurp(file("i.dat")))));
    EXPECT_EQ(back.common.company, "Gr\xC3\xBC\xC3\x9F" "e");
}

// ---- show -------------------------------------------------------------------

TEST_F(Cli, ShowPrintsEveryFieldWithReferencesByName) {
    const Result text = run({"show", sample_});
    EXPECT_EQ(text.status, 0);
    for (const char* part : {"  4. 2.0 (2008-01-21)  [id 4]\n     Version: 2.0\n     Release Date: 2008-01-21\n",
                             "  Company Address: Northwind Utilities\n                   12 Harbour Road\n",
                             "     Thumbnail: http://www.example.com/tidewater/shots/1.2-small.png\n"
                             "     Free Upgrades From: 1.0, 1.1\n     Free-Upgrade Days: 45\n",
                             "     Versions: 1.1, 1.2, 2.0\n",
                             "     Introduced: 1.1\n     Discovered: 1.2\n     Fixed: None/Unknown\n"
                             "     Affected Features: Restore older versions\n"})
        EXPECT_NE(text.out.find(part), std::string::npos) << part;
    const Json j = Json::parse(run({"show", sample_, "--json"}).out);
    const Json& v = j["versions"][2];
    EXPECT_EQ(v["freeUpgrades"], Json::parse(R"([{"id":1,"version":"1.0"},{"id":2,"version":"1.1"}])"));
    EXPECT_EQ(v["thumbnail"], "http://www.example.com/tidewater/shots/1.2-small.png");
    EXPECT_EQ(v["freeUpgradeDays"], 45);
    EXPECT_EQ(j["features"][1]["versions"].size(), 3u);
    for (const Json& b : j["bugs"]) {
        EXPECT_TRUE(b["introduced"].is_null() || b["introduced"].contains("version"));
        EXPECT_TRUE(b["affectedFeatures"].is_array() && b.contains("severity") && b.contains("type"));
    }
    EXPECT_EQ(j["common"]["company"], "Northwind Utilities");
}

// ---- check ------------------------------------------------------------------

TEST_F(Cli, CheckReportsEachPlantedFaultByVersionTextAndId) {
    const Result made = run({"import", "-", "-o", file("faulty.dat")}, R"j({"format": {"name": "orvantis-package",
        "version": 1}, "common": {"productLink": "www.example.com", "companyEmail": "sales at example.com",
        "salesEmail": "mailto:sales@example.com", "techSupportEmail": "help@example.com", "companyLink": "HTTPS://x/"},
      "versions": [{"id": 3, "version": "1.0", "releaseDate": "2007-05-14 00:00:00", "location": "http://x/a", "fileSize": "1", "freeUpgrades": [3]},
        {"id": 3, "version": "1.1", "releaseDate": "2007-04-01 00:00:00", "location": "ftp://x/a", "fileSize": "12 MB", "freeUpgrades": [9]},
        {"id": 0, "version": "1.2", "releaseDate": "2007-02-30 00:00:00", "thumbnail": "javascript:alert(1)", "location": "http://x/b", "fileSize": "0"},
        {"id": 5, "location": "https://x/c", "fileSize": "007"}, {"id": 6, "version": "1.0", "location": "http://x/d", "fileSize": "-5"}],
      "features": [{"id": 1, "screenshot": "http://x/s.png", "versions": [3, 7]}, {"id": 1}],
      "bugs": [{"id": 1, "introduced": 3, "fixed": 8, "affectedFeatures": [2], "severity": 9},
               {"id": 2, "severity": 5, "type": "Bug"}, {"id": 3, "severity": 0, "type": "Crash"}]})j");
    ASSERT_EQ(made.status, 0) << made.err;
    const Result r = run({"check", file("faulty.dat"), "--json"});
    EXPECT_EQ(r.status, 1) << r.err;
    std::set<std::string> found;
    const Json report = Json::parse(r.out);
    for (const Json& f : report["findings"])
        found.insert(f["kind"].get<std::string>() + " " + f.value("name", "") + " " + f["field"].get<std::string>() +
                     " " + f["fault"].get<std::string>() + (f["level"] == "warning" ? " (warning)" : ""));
    EXPECT_EQ(found, (std::set<std::string>{
                         "common  productLink bad-link", "common  companyEmail bad-link", "common  salesEmail bad-link",
                         "version 1.0 freeUpgrades self-upgrade", "version 1.1 id duplicate-id",
                         "version 1.1 freeUpgrades missing-reference", "version 1.1 releaseDate date-order",
                         "version 1.1 fileSize bad-file-size", "version 1.1 location bad-link", "version 1.2 id zero-id",
                         "version 1.2 releaseDate bad-date", "version 1.2 thumbnail bad-link",
                         "version 1.2 fileSize bad-file-size", "version  version empty-version",
                         "version 1.0 version duplicate-version", "version 1.0 fileSize bad-file-size",
                         "feature  versions missing-reference", "feature  id duplicate-id",
                         "bug  fixed missing-reference", "bug  affectedFeatures missing-reference",
                         "bug  severity bad-severity", "bug  type unknown-type (warning)"}));
    EXPECT_EQ(report["faults"], 22);  // the two bugs without a title each have a bad severity
    EXPECT_EQ(report["warnings"], 1);
    const Result text = run({"check", file("faulty.dat")});
    EXPECT_EQ(text.status, 1);
    for (const char* line : {"version 1.1 (id 3) freeUpgrades: names version id 9, which no version holds\n",
                             "version 1.1 (id 3) id: id 3 is also held by version \"1.0\"\n",
                             "version 1.0 (id 6) version: the same version text as version \"1.0\" (id 3)\n",
                             "version at position 4 (id 5) version: no version text\n",
                             "bug at position 2 (id 2) type: warning: not one of the editor's four types: \"Bug\"\n"})
        EXPECT_NE(text.out.find(line), std::string::npos) << line << text.out;
    // A warning alone does not fail the check.
    Package warned;
    warned.bugs = {BugRecord{.id = 1, .title = "T", .type = "Cosmetic"}};
    EXPECT_EQ(run({"check", write("warned.dat", warned)}).status, 0);
}

TEST_F(Cli, CutAndPaddedFilesAreFaultsForCheckAndWarningsForShowAndExport) {
    const std::string good = slurp(sample_);
    const struct {
        std::string bytes;
        const char* fault;
    } cases[] = {{good.substr(0, 1000), "ended-early"},
                 {good.substr(0, good.size() - 1), "ended-early"},
                 {good + "PADDING", "trailing-bytes"}};
    for (const auto& c : cases) {
        std::ofstream(file("bad.dat"), std::ios::binary) << c.bytes;
        const Result check = run({"check", file("bad.dat"), "--json"});
        EXPECT_EQ(check.status, 1) << check.out;
        EXPECT_EQ(Json::parse(check.out)["findings"][0]["fault"], c.fault);
        for (const char* command : {"show", "export"}) {
            const Result r = run({command, file("bad.dat")});
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
            EXPECT_NE(r.err.find("orvantis-cli: warning: '" + file("bad.dat") + "': "), std::string::npos) << r.err;
        }
    }
    EXPECT_EQ(run({"check", sample_}).status, 0);
}

TEST_F(Cli, CheckGroupsARunOfOneFaultIntoOneFinding) {
    Package p;
    p.versions = {VersionRecord{.id = 1, .version = "1.0", .location = "http://x/", .fileSize = "1"}};
    p.versions[0].freeUpgrades.setCount(100000);  // 100,000 times id 0
    const Result r = run({"check", write("ids.dat", p)});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "version 1.0 (id 1) freeUpgrades: names version id 0, which no version holds (100,000 times)\n");
    EXPECT_EQ(Json::parse(run({"check", file("ids.dat"), "--json"}).out)["findings"][0]["count"], 100000);
}

// ---- add-version ------------------------------------------------------------

TEST_F(Cli, EightWritersAtOnceKeepEveryVersionEachWithItsOwnId) {
    std::vector<orv::testing::Child> jobs;
    for (int i = 0; i < 8; ++i) {
        const std::string v = "3." + std::to_string(i);
        jobs.push_back(start({"add-version", sample_, "--version", v, "--location", "http://x/" + v, "--size", "10"}, "",
                             "C.UTF-8", std::to_string(i)));
    }
    std::set<std::string> ids;
    for (int i = 0; i < 8; ++i) {
        const Result r = finish(jobs[i], std::to_string(i));
        EXPECT_EQ(r.status, 0) << r.err;
        ids.insert(r.out.substr(r.out.find("(id ")));
    }
    EXPECT_EQ(ids.size(), 8u);
    Package p;
    ASSERT_TRUE(readPackage(p, ByteString(slurp(sample_))));
    EXPECT_EQ(p.versions.count(), 12u);
    EXPECT_EQ(nextVersionId(p), 13u);
}

TEST_F(Cli, AWriterWaitsForTheLockThenGivesUpBusy) {
    FileLock held;
    ASSERT_EQ(held.lock(ByteString(sample_), std::chrono::milliseconds(0)), LockResult::Locked);
    const std::vector<std::string> add = {"add-version", sample_, "--version", "3.0", "--location", "http://x/", "--size", "1"};
    std::vector<std::string> args = add;
    args.insert(args.end(), {"--wait", "0.2"});
    const Result busy = run(args);
    EXPECT_EQ(busy.status, 3);
    EXPECT_EQ(busy.err, "orvantis-cli: '" + sample_ + "': busy: another program kept it locked for 0.2 seconds (see --wait)\n");
    // Released while the writer waits: it goes on.
    const orv::testing::Child waiting = start(add, "", "C.UTF-8", "w");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    held.unlock();
    EXPECT_EQ(finish(waiting, "w").status, 0);
}

TEST_F(Cli, AddVersionRefusesWhatCheckWouldAndDryRunWritesNothing) {
    const std::string before = slurp(sample_);
    const std::vector<std::string> base = {"add-version", sample_};
    const struct {
        std::vector<std::string> more;
        int status;
        const char* err;
    } cases[] = {
        {{"--version", "", "--location", "http://x/", "--size", "1"}, 2, "--version '': refused: a version needs a version text"},
        {{"--version", "3.0", "--location", "ftp://x/a", "--size", "1"}, 2, "--location 'ftp://x/a': refused: not an http or https URL"},
        {{"--version", "3.0", "--location", "x/a", "--size", "1"}, 2, "not an http or https URL"},
        {{"--version", "3.0", "--location", "http://x/", "--size", "0"}, 2, "--size '0': refused: not a positive number of bytes"},
        {{"--version", "3.0", "--location", "http://x/"}, 2, "refused version '3.0': fileSize: no file size"},
        {{"--version", "3.0", "--location", "http://x/", "--size", "1", "--thumbnail", "javascript:x"}, 2, "thumbnail: not a web link"},
        {{"--version", "3.0", "--location", "http://x/", "--size", "1", "--date", "2001-01-01"}, 2, "releaseDate: released 2001-01-01, before"},
        {{"--location", "http://x/", "--size", "1", "--version", "2.0"}, 1, "holds version '2.0' already"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = base;
        args.insert(args.end(), c.more.begin(), c.more.end());
        const Result r = run(args);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
    std::vector<std::string> dry = base;
    dry.insert(dry.end(), {"--version", "3.0", "--location", "http://x/3.0", "--size", "5", "--dry-run"});
    const Result text = run(dry);
    EXPECT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(text.out.rfind("would add version 3.0 (id 5) to '" + sample_ + "'\n  5. 3.0 (", 0), 0u) << text.out;
    dry.push_back("--json");
    const Json j = Json::parse(run(dry).out);
    EXPECT_EQ(j["written"], false);
    EXPECT_EQ(j["added"]["fileSize"], "5");
    EXPECT_EQ(slurp(sample_), before);
}

// ---- notes and eligible -----------------------------------------------------

TEST_F(Cli, NotesListMostSevereFirstAndEligibilityNeedsAnUpgrade) {
    const struct {
        std::vector<std::string> args;
        int status;
        std::string out;
    } cases[] = {
        {{"notes", sample_, "--version", "2.0"}, 0,
         "2.0 (2008-01-21)\n\nNew\n  - Backup reports by e-mail\n    Sends a short report after each scheduled backup.\n\n"
         "Fixed\n  - Password shown in log\n    The share password appears in plain text in the backup log.\n\n"
         "Known issues\n  - Report sent twice (severity 3, Usability)\n    Some mail servers receive every report twice.\n"
         "  - Restore button hard to find (severity 1, Usability)\n"},
        {{"notes", sample_, "--version", "1.2", "--format", "markdown"}, 0,
         "### Known issues\n\n- Password shown in log (severity 4, Security)  \n"
         "  The share password appears in plain text in the backup log.\n- Restore button hard to find (severity 1, Usability)  \n"},
        {{"eligible", sample_, "--owned", "1.0", "--purchased", "2007-11-22"}, 0,
         "free: bought on 2007-11-22, on or after 2007-11-22 (60 days before 2.0 was released on 2008-01-21)\n"},
        {{"eligible", sample_, "--owned", "1.0", "--purchased", "2007-11-21"}, 1, "paid: 1.0 is not in the"},
        {{"eligible", sample_, "--owned", "1.2", "--purchased", "2000-01-01"}, 0, "free: 1.2 is in the free-upgrade list of 2.0"},
        {{"eligible", sample_, "--owned", "1.0", "--purchased", "today"}, 0, "free: bought on 2"},
        {{"eligible", sample_, "--owned", "2.0", "--purchased", "2008-01-01"}, 2, ""},
        {{"eligible", sample_, "--owned", "1.2", "--purchased", "2008-01-01", "--for", "1.1"}, 2, ""},
    };
    for (const auto& c : cases) {
        const Result r = run(c.args);
        EXPECT_EQ(r.status, c.status) << c.args[0] << r.err;
        EXPECT_NE(r.out.find(c.out), std::string::npos) << r.out;
        EXPECT_TRUE(c.out.empty() == r.out.empty()) << r.out;
        if (c.status == 2) {
            EXPECT_NE(r.err.find("not an upgrade"), std::string::npos) << r.err;
        }
    }
    const Json notes = Json::parse(run({"notes", sample_, "--version", "2.0", "--json"}).out);
    EXPECT_EQ(notes["knownIssues"][0]["severity"], 3);
    EXPECT_EQ(notes["new"][0]["description"], "Sends a short report after each scheduled backup.");
    const Json e = Json::parse(run({"eligible", sample_, "--owned", "1.0", "--purchased", "2007-11-22", "--json"}).out);
    EXPECT_EQ(e["free"], true);
    EXPECT_EQ(e["reason"], "purchased-in-window");
    EXPECT_EQ(e["windowStart"], "2007-11-22");
}

// ---- size and the network ---------------------------------------------------

TEST_F(Cli, SizeTakesOnlyOneDecimalContentLengthAndWritesNothingElse) {
    const struct {
        const char* head;
        const char* out;
    } cases[] = {
        {"Content-Length: 4321", "4321\n"},
        {"content-length:  007", "7\n"},
        {"Content-Length: 10\r\nContent-Length: 10", "10\n"},
        {"Content-Length: abc", nullptr},
        {"Content-Length: -5", nullptr},
        {"Content-Length: 7.5", nullptr},
        {"Content-Length: 10, 20", nullptr},
        {"Content-Length: ", nullptr},
        {"Content-Length: 10\r\nContent-Length: 20", nullptr},
        {"Content-Length: 18446744073709551616", nullptr},
    };
    for (const auto& c : cases) {
        ScriptServer server({ByteString("HTTP/1.1 200 OK\r\n") + c.head + "\r\n\r\n"});
        const Result r = run({"size", url(server)});
        if (c.out) {
            EXPECT_EQ(r.status, 0) << c.head << r.err;
            EXPECT_EQ(r.out, c.out);
            continue;
        }
        EXPECT_EQ(r.status, 3) << c.head;
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("cannot determine the size: the server's Content-Length is not a size: \""), std::string::npos)
            << r.err;
    }
    const std::string digits(60000, '7');
    ScriptServer huge({ByteString("HTTP/1.1 200 OK\r\nContent-Length: ") + ByteString(digits) + "\r\n\r\n"});
    EXPECT_EQ(run({"size", url(huge)}).status, 3);
    // add-version writes nothing on such an answer.
    const std::string before = slurp(sample_);
    ScriptServer lying({"HTTP/1.1 200 OK\r\nContent-Length: 10\r\nContent-Length: 20\r\n\r\n"});
    EXPECT_EQ(run({"add-version", sample_, "--version", "2.1", "--location", url(lying), "--size-from-url"}).status, 3);
    EXPECT_EQ(slurp(sample_), before);
    ScriptServer sized({"HTTP/1.1 200 OK\r\nContent-Length: 4321\r\n\r\n"});
    EXPECT_EQ(Json::parse(run({"size", url(sized), "--json"}).out), Json::parse(R"({"url": ")" + url(sized) + R"(", "size": 4321})"));
}

TEST_F(Cli, AddVersionAndOnlineCheckAskTheServer) {
    const ByteString ok4321 = "HTTP/1.1 200 OK\r\nContent-Length: 4321\r\n\r\n";
    ScriptServer server({ok4321});
    const Result added = run({"add-version", sample_, "--version", "2.1", "--location", url(server), "--size-from-url",
                              "--date", "2008-06-01", "--free-from", "1.2,2.0", "--associate-features"});
    EXPECT_EQ(added.status, 0) << added.err;
    EXPECT_EQ(added.out, "added version 2.1 (id 5) to '" + sample_ + "'\n");
    const Json json = Json::parse(run({"export", sample_}).out);
    const Json& v = json["versions"].back();
    EXPECT_EQ(v["fileSize"], "4321");
    EXPECT_EQ(v["releaseDate"], "2008-06-01 00:00:00");
    EXPECT_EQ(v["freeUpgrades"], Json({3, 4}));
    for (const Json& f : json["features"]) EXPECT_EQ(f["versions"].back(), 5);

    ScriptServer location({ok4321}), screenshot({"HTTP/1.1 500 Oops\r\n\r\n"});
    Package p;
    p.versions = {VersionRecord{.id = 1, .version = "1.0", .location = ByteString(url(location)), .fileSize = "4320",
                                .screenshot = ByteString(url(screenshot, "/s.png"))}};
    const Result online = run({"check", write("online.dat", p), "--online"});
    EXPECT_EQ(online.status, 1);
    EXPECT_EQ(online.out, "version 1.0 (id 1) fileSize: \"4320\" bytes, but the download location reports \"4321\"\n"
                          "version 1.0 (id 1) screenshot: \"" + url(screenshot, "/s.png") +
                          "\" does not answer: the server answered 500 Oops\n");
}

// ---- errors -----------------------------------------------------------------

TEST_F(Cli, ErrorsAreOneLineInTheSystemsWordsOrOneJsonObject) {
    // A port nobody listens on.
    uint16_t port = 0;
    {
        SocketHandle bound;
        ASSERT_TRUE(bound.Connect("127.0.0.1", 0, 1));
        port = bound.LocalPort();
    }
    const std::string closed = "http://127.0.0.1:" + std::to_string(port) + "/x";
    std::vector<std::string> asOther;
#ifndef _WIN32
    // A folder the writer may not write in: as another user when we are root.
    ::chmod(dir_.c_str(), 0755);
    std::filesystem::create_directory(file("locked"));
    ::chmod(file("locked").c_str(), 0555);
    if (::geteuid() == 0) asOther = {"/usr/bin/setpriv", "--reuid=6001", "--regid=6001", "--clear-groups"};
#endif
    const std::string json = run({"export", sample_}).out;
    const struct {
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {{"show", file("missing.dat")}, "'" + file("missing.dat") + "': cannot read: " + kNoSuchFile},
        {{"size", closed}, "'" + closed + "': cannot determine the size: " + socketErrorReason(kSocketConnRefused).toStdString()},
        {{"import", "-", "-o", file("locked/out.dat")}, "'" + file("locked/out.dat") + "': cannot write (any old file was left as it was): Permission denied"},
    };
    for (const auto& c : cases) {
#ifdef _WIN32
        if (c.args[0] == "import") continue;  // a folder nobody may write in needs another user
#endif
        const Result r = finish(start(c.args, json, "C.UTF-8", "", asOther), "");
        EXPECT_EQ(r.status, 3);
        EXPECT_EQ(r.err, "orvantis-cli: " + c.err + "\n");
        std::vector<std::string> args = c.args;
        args.push_back("--json");
        const Result j = finish(start(args, json, "C.UTF-8", "", asOther), "");
        const Json error = Json::parse(j.err)["error"];
        EXPECT_EQ(error["status"], 3);
        EXPECT_EQ(error["meaning"], "failure");
        EXPECT_EQ(error["message"], c.err);
        EXPECT_EQ(j.out, "");
    }
    // --verbose adds the full text the editor would show.
    const Result verbose = run({"size", closed, "--verbose"});
    EXPECT_NE(verbose.err.find("\nError sending request to the server.\n"), std::string::npos) << verbose.err;
    EXPECT_FALSE(std::filesystem::exists(file("locked/out.dat")));
}

TEST_F(Cli, UsageFileAndFormatErrorsSayWhatIsWrongAndWriteNothing) {
    const std::string before = slurp(sample_);
    std::ofstream(file("damaged.dat")) << "\x01\x00\x00\x00\x0fVelmorandistriX";
    const std::string head = R"({"format": {"name": "orvantis-package", "version": 1}, )";
    const std::string out = file("out.dat");
    const struct {
        std::vector<std::string> args;
        std::string input;
        int status;
        std::string err;
    } cases[] = {
        {{}, "", 2, "A subcommand is required"},
        {{"frobnicate"}, "", 2, "unknown command 'frobnicate'"},
        {{"show"}, "", 2, "FILE is required"},
        {{"notes", sample_, "--version", "9.9"}, "", 2, "holds no version '9.9'"},
        {{"eligible", sample_, "--owned", "1.0", "--purchased", "2007-02-30"}, "", 2, "not a date"},
        {{"add-version", sample_, "--version", "3.0", "--location", "http://x/", "--size", "12 MB"}, "", 2, "positive number"},
        {{"export", sample_, "--encoding", "no-such-code"}, "", 2, "unknown encoding 'no-such-code'"},
        {{"show", dir_}, "", 3, kIsAFolder},
        // A name that starts with "/" is a file on Windows too, never an option.
        {{"show", "/orv-no-such-folder/x.dat"}, "", 3, "'/orv-no-such-folder/x.dat': cannot read"},
        {{"check", file("damaged.dat")}, "", 3, "damaged.dat': cannot read: not a package file"},
        {{"export", sample_, "-o", file("no/such/folder/x.json")}, "", 3,
         "cannot write (any old file was left as it was): " + kNoSuchFolder},
        {{"import", "-", "-o", out}, "{\"format\": ", 3, "standard input: cannot import: not valid JSON: parse error at line 1"},
        {{"import", "-", "-o", out}, R"({"versions": []})", 3, "not an exported package"},
        {{"import", "-", "-o", out}, head + R"("versions": [{"id": -1}]})", 3, "at .versions[0].id: expected a whole"},
        {{"import", "-", "-o", out}, head + R"("bugs": [{}, {"titel": ""}]})", 3, "at .bugs[1]: unknown member \"titel\""},
        {{"import", "-", "-o", out}, head + R"("common": {"company": {"base64": "!"}}})", 3, "not valid Base64"},
        {{"import", "-", "-o", out}, head + R"("common": {"product": "日本"}, "encoding": "windows-1252"})", 3,
         "at .common.product: the text cannot be written in windows-1252"},
        {{"import", "-", "-o", out}, R"({"format": {"name": "orvantis-package", "version": 2}})", 3, "format version 2"},
        {{"import", "-", "-o", out}, head + "\"versions\": " + std::string(100000, '['), 3, "expected a record"},
    };
    for (const auto& c : cases) {
        const Result r = run(c.args, c.input);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        EXPECT_EQ(r.err.rfind("orvantis-cli: ", 0), 0u) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(slurp(sample_), before);
    EXPECT_FALSE(std::filesystem::exists(out));
}

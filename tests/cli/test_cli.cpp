// orvantis-cli run as a user runs it: arguments, standard input and output,
// exit status, files before and after.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <random>
#include <set>
#include <sstream>

#include "app/package_json_fields.h"
#include "package/format.h"
#include "support/numbers.h"
#include "tests/net/script_server.h"

using namespace orv;
using Json = nlohmann::json;

namespace {

struct Result {
    int status = -1;
    std::string out, err;
};

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class Cli : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = std::filesystem::temp_directory_path() / "orv-cli-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        std::filesystem::copy_file(ORV_SAMPLE, sample_ = file("sample.dat"));
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string file(const char* name) const { return dir_ + "/" + name; }

    std::string write(const char* name, const Package& p) {
        ByteString bytes;
        EXPECT_TRUE(writePackage(p, bytes));
        std::ofstream(file(name), std::ios::binary).write(bytes.data(), bytes.length());
        return file(name);
    }

    // Runs the program with `input` on standard input in the given locale.
    Result run(std::vector<std::string> args, const std::string& input = "", const char* locale = "C.UTF-8") {
        std::ofstream(file("stdin"), std::ios::binary) << input;
        posix_spawn_file_actions_t io;
        posix_spawn_file_actions_init(&io);
        posix_spawn_file_actions_addopen(&io, 0, file("stdin").c_str(), O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&io, 1, file("stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&io, 2, file("stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        args.insert(args.begin(), ORV_CLI);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<std::string> vars = {std::string("LC_ALL=") + locale};
        for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"})  // sanitizer runs
            if (const char* value = std::getenv(name)) vars.push_back(std::string(name) + "=" + value);
        std::vector<char*> env;
        for (std::string& v : vars) env.push_back(v.data());
        env.push_back(nullptr);
        pid_t pid = 0;
        Result r;
        if (posix_spawn(&pid, ORV_CLI, &io, nullptr, argv.data(), env.data()) == 0 && waitpid(pid, &r.status, 0) == pid)
            r.status = WIFEXITED(r.status) ? WEXITSTATUS(r.status) : 128 + WTERMSIG(r.status);
        posix_spawn_file_actions_destroy(&io);
        r.out = slurp(file("stdout"));
        r.err = slurp(file("stderr"));
        return r;
    }

    std::string dir_, sample_;
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

TEST_F(Cli, ExportThenImportGivesBackTheSameFileWhateverTheTextsHold) {
    std::mt19937 rng(11);
    for (const char* encoding : {"", "windows-1252", "UTF-16LE", "ISO-2022-JP"}) {
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
            EXPECT_FALSE(hasControlBytes(shown.out, round == 0)) << shown.out;
        }
    }
    // A text that decodes is a JSON string, the same for each encoding;
    // one that does not is kept as Base64.
    Package p;
    p.common.company = "Gr\xC3\xBC\xC3\x9F" "e";
    p.common.product = ByteString("\xFF\x00\x01", 3);
    Json utf8 = Json::parse(run({"export", write("u.dat", p)}).out);
    EXPECT_EQ(utf8["common"]["company"], "Grüße");
    EXPECT_EQ(utf8["common"]["product"], Json({{"base64", "/wAB"}}));
    p.common.company = "Gr\xFC\xDF" "e";
    Json latin = Json::parse(run({"export", write("w.dat", p), "--encoding", "windows-1252"}).out);
    EXPECT_EQ(latin["common"]["company"], "Grüße");
    EXPECT_EQ(latin["encoding"], "windows-1252");
}

TEST_F(Cli, CommandsOnTheSamplePackage) {
    const struct {
        std::vector<std::string> args;
        int status;
        std::string out;
    } cases[] = {
        {{"show", sample_}, 0, "  4. 2.0 (2008-01-21)  [id 4]\n     Version: 2.0\n     Release Date: 2008-01-21\n"},
        {{"show", sample_}, 0, "  Company Address: Northwind Utilities\n                   12 Harbour Road\n"},
        {{"notes", sample_, "--version", "2.0"}, 0,
         "2.0 (2008-01-21)\n\nNew\n  - Backup reports by e-mail\n\nFixed\n  - Password shown in log\n\nKnown issues\n"
         "  - Restore button hard to find (severity 1, Usability)\n  - Report sent twice (severity 3, Usability)\n"},
        {{"notes", sample_, "--version", "1.2", "--format", "markdown"}, 0,
         "### Known issues\n\n- Restore button hard to find (severity 1, Usability)\n"
         "- Password shown in log (severity 4, Security)\n"},
        {{"eligible", sample_, "--owned", "1.0", "--purchased", "2007-11-22"}, 0,
         "free: bought on 2007-11-22, on or after 2007-11-22 (60 days before 2.0 was released on 2008-01-21)\n"},
        {{"eligible", sample_, "--owned", "1.0", "--purchased", "2007-11-21"}, 1, "paid: 1.0 is not in the"},
        {{"eligible", sample_, "--owned", "1.2", "--purchased", "2000-01-01"}, 0, "free: 1.2 is in the free-upgrade list of 2.0"},
        {{"check", sample_}, 0, ""},
        {{"add-version", "--help"}, 0, "--size-from-url"},
    };
    for (const auto& c : cases) {
        const Result r = run(c.args);
        EXPECT_EQ(r.status, c.status) << c.args[0] << r.err;
        EXPECT_NE(r.out.find(c.out), std::string::npos) << r.out;
        EXPECT_TRUE(c.out.empty() == r.out.empty()) << r.out;
    }
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
        const char* err;
    } cases[] = {
        {{}, "", 2, "A subcommand is required"},
        {{"frobnicate"}, "", 2, "unknown command 'frobnicate'"},
        {{"show"}, "", 2, "FILE is required"},
        {{"notes", sample_, "--version", "9.9"}, "", 2, "holds no version '9.9'"},
        {{"eligible", sample_, "--owned", "1.0", "--purchased", "2007-02-30"}, "", 2, "not a date"},
        {{"add-version", sample_, "--version", "3.0", "--location", "http://x/", "--size", "12 MB"}, "", 2, "number"},
        {{"add-version", sample_, "--version", "2.0", "--location", "http://x/"}, "", 1, "holds version '2.0' already"},
        {{"export", sample_, "--encoding", "no-such-code"}, "", 2, "unknown encoding 'no-such-code'"},
        {{"show", file("missing.dat")}, "", 3, "missing.dat': No such file or directory"},
        {{"show", dir_}, "", 3, "Is a directory"},
        {{"check", file("damaged.dat")}, "", 3, "damaged.dat' is not a package file"},
        {{"export", sample_, "-o", file("no/such/folder/x.json")}, "", 3, "cannot write"},
        {{"import", "-", "-o", out}, "{\"format\": ", 3, "standard input: not valid JSON: parse error at line 1"},
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
        EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(slurp(sample_), before);
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(Cli, CheckReportsEachPlantedFault) {
    const Result made = run({"import", "-", "-o", file("faulty.dat")}, R"j({"format": {"name": "orvantis-package",
        "version": 1}, "common": {"productLink": "www.example.com", "companyEmail": "sales at example.com",
        "salesEmail": "mailto:sales@example.com", "techSupportEmail": "help@example.com", "companyLink": "HTTPS://x/"},
      "versions": [{"id": 3, "releaseDate": "2007-05-14 00:00:00", "location": "http://x/a", "fileSize": "1", "freeUpgrades": [3]},
        {"id": 3, "releaseDate": "2007-04-01 00:00:00", "location": "ftp://x/a", "fileSize": "12 MB", "freeUpgrades": [9]},
        {"id": 0, "releaseDate": "2007-02-30 00:00:00", "thumbnail": "javascript:alert(1)"}],
      "features": [{"id": 1, "screenshot": "http://x/s.png", "versions": [3, 7]}, {"id": 1}],
      "bugs": [{"id": 1, "introduced": 3, "fixed": 8, "affectedFeatures": [2]}, {"id": 2}]})j");
    ASSERT_EQ(made.status, 0) << made.err;
    const Result r = run({"check", file("faulty.dat"), "--json"});
    EXPECT_EQ(r.status, 1) << r.err;
    std::set<std::string> found;
    const Json report = Json::parse(r.out);
    for (const Json& f : report["findings"])
        found.insert(f["kind"].get<std::string>() + " " + std::to_string(f.value("position", 0)) + " " +
                     f["field"].get<std::string>() + " " + f["fault"].get<std::string>());
    EXPECT_EQ(found, (std::set<std::string>{
                         "common 0 productLink bad-link", "common 0 companyEmail bad-link",
                         "common 0 salesEmail bad-link", "version 1 freeUpgrades self-upgrade",
                         "version 2 id duplicate-id", "version 2 freeUpgrades missing-reference",
                         "version 2 releaseDate date-order", "version 2 fileSize bad-file-size",
                         "version 2 location bad-link", "version 3 id zero-id", "version 3 releaseDate bad-date",
                         "version 3 thumbnail bad-link", "feature 1 versions missing-reference",
                         "feature 2 id duplicate-id", "bug 1 fixed missing-reference",
                         "bug 1 affectedFeatures missing-reference"}));
    const Result text = run({"check", file("faulty.dat")});
    EXPECT_EQ(text.status, 1);
    EXPECT_EQ(std::count(text.out.begin(), text.out.end(), '\n'), 16);
    EXPECT_NE(text.out.find("version 2 (id 3) freeUpgrades: names version id 9, which no version holds\n"),
              std::string::npos);
}

TEST_F(Cli, SizeAndAddVersionAndOnlineCheckAskTheServer) {
    const ByteString ok4321 = "HTTP/1.1 200 OK\r\nContent-Length: 4321\r\n\r\n";
    ScriptServer sizeServer({ok4321});
    EXPECT_EQ(run({"size", url(sizeServer)}).out, "4321\n");

    ScriptServer notFound({"HTTP/1.1 404 Not Found\r\n\r\n"});
    const std::string before = slurp(sample_);
    const Result failed = run({"add-version", sample_, "--version", "2.1", "--location", url(notFound), "--size-from-url"});
    EXPECT_EQ(failed.status, 3);
    EXPECT_NE(failed.err.find("Expected HTTP 200 response to request.\nReceived:  404 Not Found"), std::string::npos);
    EXPECT_EQ(slurp(sample_), before);

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
    p.versions.setCount(1);
    p.versions[0].id = 1;
    p.versions[0].location = ByteString(url(location));
    p.versions[0].fileSize = "4320";
    p.versions[0].screenshot = ByteString(url(screenshot, "/s.png"));
    const Result online = run({"check", write("online.dat", p), "--online"});
    EXPECT_EQ(online.status, 1);
    EXPECT_NE(online.out.find("version 1 (id 1) fileSize: \"4320\" bytes, but the download location reports \"4321\"\n"),
              std::string::npos) << online.out;
    EXPECT_NE(online.out.find("version 1 (id 1) screenshot: \"" + url(screenshot, "/s.png") +
                              "\" does not answer: Expected HTTP 200 response to request. Received:  500 Oops\n"),
              std::string::npos) << online.out;
}

// orvantis-cli as whole processes, the way scripts run it:
// - `orvantis-cli size URL` beside `curl -sI URL` against a private nginx on
//   loopback, in the same run (goal: ours at most 1.2 times curl's time);
// - `export` and `import` of a package of 100,000 records of each kind
//   (goals: each under one second, and import at most 1.2 times export's
//   time, the two alternating in one run);
// - `feed` of a history of 10,000 versions in each format (goal: under
//   0.2 s);
// - `digest` of a 200 MB download from the same nginx beside `curl -s -o
//   /dev/null` of the same file (goal: at least 0.8 times curl's
//   throughput), and beside curl piped into sha256sum and sha512sum, which
//   does the same work as digest.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "package/file.h"
#include "package/format.h"
#include "support/numbers.h"
#include "tests/net/nginx_server.h"

namespace {

using orv::ByteString;

// Runs a program with its output thrown away; true when it exits with 0.
bool runQuiet(std::vector<std::string> args) {
    posix_spawn_file_actions_t io;
    posix_spawn_file_actions_init(&io);
    posix_spawn_file_actions_addopen(&io, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&io, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], &io, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&io);
    int status = 0;
    return rc == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// CPU time (user and system) of the finished child processes so far, in
// milliseconds: what the programs themselves spent, whatever else the
// machine was doing.
double childCpuMs() {
    rusage u {};
    getrusage(RUSAGE_CHILDREN, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

// Runs the command in every iteration and reports its CPU time per run.
void timeRuns(benchmark::State& state, const std::vector<std::string>& args) {
    const double before = childCpuMs();
    for (auto _ : state) {
        if (!runQuiet(args)) return state.SkipWithError("the program failed");
    }
    state.counters["child_cpu_ms"] = (childCpuMs() - before) / static_cast<double>(state.iterations());
}

// The nginx server and the port of its one plain server.
struct Served {
    std::unique_ptr<orv::testing::NginxServer> nginx;
    uint16_t port = 0;
};

Served* server() {
    static std::unique_ptr<Served> s = [] {
        auto made = std::make_unique<Served>();
        if (!orv::testing::nginxInstalled()) return std::unique_ptr<Served>();
        made->nginx = std::make_unique<orv::testing::NginxServer>();
        made->nginx->writeFile("setup.exe", 5 * 1024 * 1024);
        made->port = made->nginx->addServer("");
        if (made->port == 0 || !made->nginx->start()) made.reset();
        return made;
    }();
    return s.get();
}

void sizeOf(benchmark::State& state, const char* program) {
    if (!server()) return state.SkipWithError("nginx is not available");
    const std::string url = "http://127.0.0.1:" + std::to_string(server()->port) + "/setup.exe";
    const std::vector<std::string> args = program ? std::vector<std::string>{ORV_CLI, "size", url}
                                                  : std::vector<std::string>{"curl", "-sI", url};
    timeRuns(state, args);
}
void BM_SizeOrvantisCli(benchmark::State& state) { sizeOf(state, ORV_CLI); }
void BM_SizeCurl(benchmark::State& state) { sizeOf(state, nullptr); }
BENCHMARK(BM_SizeOrvantisCli)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SizeCurl)->Unit(benchmark::kMillisecond)->UseRealTime();

// A package of `n` versions, features and bugs each, of the shape real
// histories have: short version texts, links, descriptions of a few lines.
ByteString bigPackage(uint32_t n) {
    static const char kWords[] =
        "The backup now keeps every older copy of a changed document and restores any of them with two clicks. "
        "Network shares are found without typing their names, and a copy cut short by a lost connection resumes "
        "where it stopped.\r\nLarge folders are scanned in the background so the window stays responsive.";
    orv::Package p;
    p.common.company = "Northwind Utilities";
    p.common.product = "Tidewater Backup";
    p.versions.setCount(n);
    p.features.setCount(n);
    p.bugs.setCount(n);
    for (uint32_t i = 0; i < n; ++i) {
        const ByteString num = orv::textFromU32(i + 1);
        orv::VersionRecord& v = p.versions[i];
        v.id = i + 1;
        v.version = orv::textFromU32(i / 100 + 1) + "." + orv::textFromU32(i % 100);
        v.location = "http://download.example.com/tidewater/setup-" + num + ".exe";
        v.fileSize = orv::textFromU32(1000000 + i * 37);
        v.screenshot = "http://www.example.com/shots/" + num + ".png";
        v.releaseDate = "2007-05-14 00:00:00";
        if (i) v.freeUpgrades.append(i);
        orv::FeatureRecord& f = p.features[i];
        f.id = i + 1;
        f.title = "Resumable copies " + num;
        f.description = ByteString(kWords + i % 100, 150 + i % 100);
        f.versions = {i + 1, i / 2 + 1};
        orv::BugRecord& b = p.bugs[i];
        b.id = i + 1;
        b.title = "Copy stops on a locked file " + num;
        b.description = ByteString(kWords + i % 90, 120 + i % 90);
        b.severity = i % 5 + 1;
        b.introduced = b.discovered = i / 3 + 1;
        b.affectedFeatures = {i + 1};
    }
    ByteString bytes;
    orv::writePackage(p, bytes);
    return bytes;
}

struct BigFiles {
    std::string dir, dat, json, out;
    BigFiles() {
        std::string pattern = std::filesystem::temp_directory_path() / "orv-bench-cli-XXXXXX";
        dir = ::mkdtemp(pattern.data()) ? pattern : "";
        dat = dir + "/big.dat";
        json = dir + "/big.json";
        out = dir + "/out.dat";
        orv::saveFile(bigPackage(100000), ByteString(dat));
        runQuiet({ORV_CLI, "export", dat, "-o", json});
    }
    ~BigFiles() { std::filesystem::remove_all(dir); }
};

const BigFiles& big() {
    static BigFiles files;
    return files;
}

void BM_Export100kEach(benchmark::State& state) {
    timeRuns(state, {ORV_CLI, "export", big().dat, "-o", big().json});
    state.counters["package_MB"] = static_cast<double>(std::filesystem::file_size(big().dat)) / 1e6;
}
void BM_Import100kEach(benchmark::State& state) {
    timeRuns(state, {ORV_CLI, "import", big().json, "-o", big().out});
    state.counters["json_MB"] = static_cast<double>(std::filesystem::file_size(big().json)) / 1e6;
}
BENCHMARK(BM_Export100kEach)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_Import100kEach)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// Export and import in turns, so both meet the same machine: the ratio of
// their wall and CPU times. The export reads the package, the import its
// JSON; both write a file through the safe save.
void BM_ImportAgainstExport(benchmark::State& state) {
    double exportWall = 0, importWall = 0, exportCpu = 0, importCpu = 0;
    auto timed = [](const std::vector<std::string>& args, double& wall, double& cpu) {
        const double cpuBefore = childCpuMs();
        const auto start = std::chrono::steady_clock::now();
        const bool ok = runQuiet(args);
        wall += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        cpu += childCpuMs() - cpuBefore;
        return ok;
    };
    for (auto _ : state) {
        if (!timed({ORV_CLI, "export", big().dat, "-o", big().json}, exportWall, exportCpu) ||
            !timed({ORV_CLI, "import", big().json, "-o", big().out}, importWall, importCpu))
            return state.SkipWithError("the program failed");
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["export_ms"] = exportWall / n;
    state.counters["import_ms"] = importWall / n;
    state.counters["wall_ratio"] = importWall / exportWall;
    state.counters["cpu_ratio"] = importCpu / exportCpu;
}
BENCHMARK(BM_ImportAgainstExport)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(7);

// A release history of `n` versions as real ones grow: each version brings
// a feature or two that later versions keep for a while, fixes the bugs of
// a few versions before, and a Security fix now and then.
ByteString historyPackage(uint32_t n) {
    orv::Package p;
    p.common.product = "Tidewater Backup";
    p.common.productLink = "http://www.example.com/tidewater/";
    p.common.productDescription = "Copies your documents to any disk or network share.";
    p.versions.setCount(n);
    p.features.setCount(n / 2);
    p.bugs.setCount(n);
    for (uint32_t i = 0; i < n; ++i) {
        orv::VersionRecord& v = p.versions[i];
        v.id = i + 1;
        v.version = orv::textFromU32(i / 100 + 1) + "." + orv::textFromU32(i % 100);
        v.location = "http://download.example.com/tidewater/setup-" + orv::textFromU32(i + 1) + ".exe";
        v.fileSize = orv::textFromU32(1000000 + i * 37);
        v.releaseDate = "2007-05-14 00:00:00";
        if (i) v.freeUpgrades.append(i);
        orv::BugRecord& b = p.bugs[i];
        b.id = i + 1;
        b.title = "Copy stops on a locked file " + orv::textFromU32(i + 1);
        b.severity = i % 5 + 1;
        b.type = i % 50 ? "Crash" : "Security";
        b.introduced = b.discovered = i + 1;
        b.fixed = i + 6 <= n ? i + 6 : 0;
    }
    for (uint32_t i = 0; i < n / 2; ++i) {
        orv::FeatureRecord& f = p.features[i];
        f.id = i + 1;
        f.title = "Resumable copies, part " + orv::textFromU32(i + 1);
        for (uint32_t k = 2 * i; k < std::min(n, 2 * i + 20); ++k) f.versions.append(k + 1);
    }
    ByteString bytes;
    orv::writePackage(p, bytes);
    return bytes;
}

struct HistoryFiles {
    std::string dir, dat, out;
    HistoryFiles() {
        std::string pattern = std::filesystem::temp_directory_path() / "orv-bench-feed-XXXXXX";
        dir = ::mkdtemp(pattern.data()) ? pattern : "";
        dat = dir + "/history.dat";
        out = dir + "/feed.xml";
        orv::saveFile(historyPackage(10000), ByteString(dat));
    }
    ~HistoryFiles() { std::filesystem::remove_all(dir); }
};

void BM_Feed10kVersions(benchmark::State& state, const char* format) {
    static HistoryFiles files;
    timeRuns(state, {ORV_CLI, "feed", files.dat, "--format", format, "-o", files.out});
    state.counters["feed_MB"] = static_cast<double>(std::filesystem::file_size(files.out)) / 1e6;
}
BENCHMARK_CAPTURE(BM_Feed10kVersions, appcast, "appcast")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK_CAPTURE(BM_Feed10kVersions, appstream, "appstream")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK_CAPTURE(BM_Feed10kVersions, pad, "pad")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// A package whose one version is a 200 MB file on the nginx.
struct BigDownload {
    static constexpr size_t kBytes = 200u * 1000 * 1000;
    std::string dir, dat, url;
    BigDownload() {
        std::string pattern = std::filesystem::temp_directory_path() / "orv-bench-digest-XXXXXX";
        dir = ::mkdtemp(pattern.data()) ? pattern : "";
        dat = dir + "/one.dat";
        server()->nginx->writeFile("big.bin", kBytes);
        url = "http://127.0.0.1:" + std::to_string(server()->port) + "/big.bin";
        orv::Package p;
        p.versions.setCount(1);
        p.versions[0].id = 1;
        p.versions[0].version = "1.0";
        p.versions[0].location = ByteString(url);
        ByteString bytes;
        orv::writePackage(p, bytes);
        orv::saveFile(bytes, ByteString(dat));
    }
    ~BigDownload() { std::filesystem::remove_all(dir); }
};

void digestOf(benchmark::State& state, int program) {
    if (!server()) return state.SkipWithError("nginx is not available");
    static BigDownload d;
    const std::vector<std::string> args[] = {
        {ORV_CLI, "digest", d.dat},
        {"curl", "-s", "-o", "/dev/null", d.url},
        {"bash", "-c", "curl -s " + d.url + " | tee >(sha256sum >/dev/null) | sha512sum >/dev/null"},
    };
    timeRuns(state, args[program]);
    state.counters["MB_per_s"] =
        benchmark::Counter(static_cast<double>(BigDownload::kBytes) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}
void BM_Digest200MBOrvantisCli(benchmark::State& state) { digestOf(state, 0); }
void BM_Digest200MBCurl(benchmark::State& state) { digestOf(state, 1); }
void BM_Digest200MBCurlSha256Sha512(benchmark::State& state) { digestOf(state, 2); }
BENCHMARK(BM_Digest200MBOrvantisCli)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_Digest200MBCurl)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_Digest200MBCurlSha256Sha512)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace

BENCHMARK_MAIN();

// Reading and writing package files of realistic shape at 1,000, 100,000 and
// 1,000,000 records, beside a plain memcpy of the same bytes, plus the
// reader's memory on the most hostile inputs. Run with the default settings
// of the C library's allocator: fresh memory is part of what reading costs.
//
// Peak memory is the growth of the process's resident size (VmHWM after a
// reset through /proc/self/clear_refs), so blocks mapped directly count as
// well as malloc's; the file's own bytes are counted in, as they stay in
// memory with the package. Windows cannot reset its peak: no figure there.
#include <benchmark/benchmark.h>

#ifndef _WIN32
#include <malloc.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "package/format.h"
#include "support/numbers.h"

using namespace orv;

namespace {

// ---- Peak memory ----------------------------------------------------------

#ifdef _WIN32
template <typename F>
int64_t peakGrowth(F&& work) {
    work();
    return -1;
}
#else
long statusKiB(const char* key) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + std::strlen(key));
    return -1;
}

// Runs `work` and returns how far the resident size rose above where it
// started, in bytes; -1 where the system cannot tell.
template <typename F>
int64_t peakGrowth(F&& work) {
    malloc_trim(0);
    FILE* reset = std::fopen("/proc/self/clear_refs", "w");
    const bool resettable = reset && std::fputs("5", reset) >= 0;
    if (reset) std::fclose(reset);
    const long base = statusKiB("VmRSS:");
    work();
    const long peak = statusKiB("VmHWM:");
    return resettable && base >= 0 && peak >= 0 ? int64_t{peak - base} * 1024 : -1;
}
#endif

// ---- Packages of realistic shape ------------------------------------------

class Shape {
public:
    uint32_t next() {
        state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(state_ >> 33);
    }
    uint32_t between(uint32_t lo, uint32_t hi) { return lo + next() % (hi - lo + 1); }

    ByteString description() {
        static const char kWords[] =
            "The backup now keeps every older copy of a changed document and restores any of them with two "
            "clicks. Network shares are found without typing their names, and a copy that was cut short by a "
            "lost connection is resumed where it stopped instead of starting over from the first file.\r\n"
            "Large folders are scanned in the background so the window stays responsive. Copies to removable "
            "disks check every block they write, and a disk that fills up mid-way asks for the next one "
            "instead of failing. Schedules can now run hourly, daily or at log-off, and each run leaves a "
            "short report that lists what was copied, what was skipped and why.";
        static_assert(sizeof kWords > 400 + 1);
        const uint32_t n = between(150, 400);
        const uint32_t start = next() % (sizeof kWords - 1 - n);
        return ByteString(kWords + start, n);
    }
    ByteString date() {
        char buf[20];
        std::snprintf(buf, sizeof buf, "%04u-%02u-%02u 00:00:00", between(2001, 2025), between(1, 12),
                      between(1, 28));
        return ByteString(buf, 19);
    }
    ByteString url(const char* what, uint32_t id) {
        return "http://www.example.com/products/tidewater/" + ByteString(what) + textFromU32(id) + ".png";
    }

private:
    uint64_t state_ = 88172645463325252ull;
};

// A fifth of the records are versions, the rest features and bugs in equal
// numbers.
Package realisticPackage(uint32_t records) {
    Shape s;
    Package p;
    p.common.company = "Northwind Utilities";
    p.common.product = "Tidewater Backup";
    p.common.productLink = "http://www.example.com/products/tidewater/";
    p.common.productDescription = s.description();
    p.common.companyAddress = "1 Harbour Road\r\nPortsmouth";
    p.common.companyEmail = "info@example.com";
    const uint32_t versions = std::max(1u, records / 5);
    const uint32_t features = (records - versions) / 2;
    const uint32_t bugs = records - versions - features;
    p.versions.setCount(versions);
    for (uint32_t i = 0; i < versions; ++i) {
        VersionRecord& v = p.versions[i];
        v.id = i + 1;
        v.version = textFromU32(i / 100 + 1) + "." + textFromU32(i % 100);
        v.location = "http://download.example.com/tidewater/setup-" + textFromU32(i + 1) + ".exe";
        v.fileSize = textFromU32(s.between(1000000, 90000000));
        v.screenshot = s.url("shot", i);
        v.thumbnail = s.url("thumb", i);
        v.releaseDate = s.date();
        for (uint32_t k = s.between(0, 3); k > 0 && k <= i; --k) v.freeUpgrades.append(i + 1 - k);
    }
    p.features.setCount(features);
    for (uint32_t i = 0; i < features; ++i) {
        FeatureRecord& f = p.features[i];
        f.id = i + 1;
        f.title = "Resumable copies " + textFromU32(i + 1);
        f.description = s.description();
        f.screenshot = s.url("feature", i);
        f.thumbnail = s.url("feature-thumb", i);
        for (uint32_t k = s.between(1, 4); k > 0; --k) f.versions.append(s.between(1, versions));
    }
    static const char* const kTypes[] = {"Usability", "Performance", "Security", "Crash"};
    p.bugs.setCount(bugs);
    for (uint32_t i = 0; i < bugs; ++i) {
        BugRecord& b = p.bugs[i];
        b.id = i + 1;
        b.title = "Copy stops on a locked file " + textFromU32(i + 1);
        b.description = s.description();
        b.severity = s.between(1, 5);
        b.type = kTypes[i % 4];
        b.introduced = s.between(1, versions);
        b.discovered = b.introduced;
        b.fixed = i % 3 ? s.between(1, versions) : 0;
        for (uint32_t k = s.between(0, 2); k > 0; --k) b.affectedFeatures.append(s.between(1, features));
    }
    return p;
}

struct Sample {
    Package package;
    ByteString file;
};

// One sample per size, made once and kept for the whole run.
const Sample& sample(uint32_t records) {
    static std::map<uint32_t, std::unique_ptr<Sample>> samples;
    auto& slot = samples[records];
    if (!slot) {
        slot = std::make_unique<Sample>();
        slot->package = realisticPackage(records);
        writePackage(slot->package, slot->file);
    }
    return *slot;
}

void reportRate(benchmark::State& state, uint64_t bytes, uint32_t records) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
    state.counters["file_MB"] = static_cast<double>(bytes) / 1e6;
    state.counters["time_per_record"] = benchmark::Counter(
        static_cast<double>(records), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// ---- Benchmarks -----------------------------------------------------------
//
// Only the call itself is timed (manual time): making and freeing the
// package around it would otherwise be timed, or, with paused timing, cost
// more than a small read.

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// Into an output text that already has the storage, as when saving again.
void BM_WritePackage(benchmark::State& state) {
    const uint32_t records = static_cast<uint32_t>(state.range(0));
    const Sample& s = sample(records);
    ByteString out;
    writePackage(s.package, out);  // the storage exists before timing starts
    for (auto _ : state) {
        const auto start = Clock::now();
        benchmark::DoNotOptimize(writePackage(s.package, out));
        state.SetIterationTime(seconds(start));
    }
    reportRate(state, s.file.length(), records);
    const int64_t peak = peakGrowth([&] {
        ByteString fresh;
        writePackage(s.package, fresh);
    });
    state.counters["peak_mem_per_file_byte"] = static_cast<double>(peak) / s.file.length();
}

void BM_ReadPackage(benchmark::State& state) {
    const uint32_t records = static_cast<uint32_t>(state.range(0));
    const Sample& s = sample(records);
    {
        // The first use of memory the process never had costs far more than
        // any later one on a virtual machine; memcpy's memory is touched
        // before timing too.
        Package warm;
        readPackage(warm, s.file);
    }
    for (auto _ : state) {
        auto p = std::make_unique<Package>();
        const auto start = Clock::now();
        benchmark::DoNotOptimize(readPackage(*p, s.file));
        state.SetIterationTime(seconds(start));
    }
    reportRate(state, s.file.length(), records);
    std::unique_ptr<Package> p;
    const int64_t peak = peakGrowth([&] {
        p = std::make_unique<Package>();
        readPackage(*p, s.file);
    });
    state.counters["peak_mem_per_file_byte"] = static_cast<double>(peak + s.file.length()) / s.file.length();
}

void BM_Memcpy(benchmark::State& state) {
    const Sample& s = sample(static_cast<uint32_t>(state.range(0)));
    const uint32_t n = s.file.length();
    auto copy = std::make_unique<char[]>(n);
    std::memset(copy.get(), 0, n);  // touch every page before timing
    for (auto _ : state) {
        const auto start = Clock::now();
        std::memcpy(copy.get(), s.file.data(), n);
        benchmark::DoNotOptimize(copy.get());
        benchmark::ClobberMemory();
        state.SetIterationTime(seconds(start));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * n));
}

// The most memory per byte of file that a reader can be made to take: each
// empty 4-byte entry of a versions list is a whole default record.
//   0: a versions list of nothing else: beyond the budget, refused
//   1: as many empty entries as the budget allows, paid for by one long text
//   2: an id list of empty entries (4 bytes of memory each)
//   3: lengths that wrap round 2^32
ByteString hostileFile(uint32_t entries, int variant) {
    auto be32 = [](ByteString& out, uint32_t n) {
        const char b[4] = {static_cast<char>(n >> 24), static_cast<char>(n >> 16), static_cast<char>(n >> 8),
                           static_cast<char>(n)};
        out.append(b, 4);
    };
    auto entry = [&](ByteString& out, const ByteString& content) {
        be32(out, content.length());
        out.append(content);
    };
    ByteString common("\x01"), versions("\x01"), features("\x01");
    if (variant == 0 || variant == 1) versions.append(ByteString(4 * entries, '\0'));
    if (variant == 1) {
        // Records of 4 bytes each need sizeof(VersionRecord) / 4 times their
        // size; a text makes up the rest of the budget's file size.
        const uint64_t need = memoryFootprint(uint64_t{entries} * sizeof(VersionRecord));
        const uint64_t file = (need - (1u << 20) + (64u << 10)) / (kReadMemoryFactor - 1) + 64;  // 64 KiB held back
        entry(common, ByteString(static_cast<uint32_t>(file - 4 * uint64_t{entries}), 'x'));
    }
    if (variant == 2) {
        ByteString ids("\x01"), feature("\x01");
        ids.append(ByteString(4 * entries, '\0'));
        for (int i = 0; i < 5; ++i) be32(feature, 0);
        entry(feature, ids);
        entry(features, feature);
    }
    if (variant == 3)
        for (uint32_t i = 0; i < entries; ++i) be32(features, 0xFFFFFFFFu);
    ByteString file("\x01");
    entry(file, "Velmorandistrix");
    entry(file, "1");
    for (const ByteString* list : {&common, &versions, &features}) entry(file, *list);
    entry(file, "\x01");
    return file;
}

void BM_ReadHostile(benchmark::State& state) {
    const ByteString file = hostileFile(static_cast<uint32_t>(state.range(0)), static_cast<int>(state.range(1)));
    bool accepted = false;
    for (auto _ : state) {
        auto p = std::make_unique<Package>();
        const auto start = Clock::now();
        accepted = readPackage(*p, file);
        state.SetIterationTime(seconds(start));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.length()));
    std::unique_ptr<Package> p;
    const int64_t peak = peakGrowth([&] {
        p = std::make_unique<Package>();
        readPackage(*p, file);
    });
    state.counters["accepted"] = accepted;
    state.counters["peak_mem_per_file_byte"] = static_cast<double>(peak + file.length()) / file.length();
    // The bound every input stays within: 32 times the file plus 1 MiB.
    state.counters["bound_per_file_byte"] = (kReadMemoryFactor * file.length() + (1u << 20)) / double(file.length());
}

}  // namespace

BENCHMARK(BM_Memcpy)->Arg(1000)->Arg(100000)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WritePackage)->Arg(1000)->Arg(100000)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadPackage)->Arg(1000)->Arg(100000)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond);
// Second argument: the variant of hostileFile.
BENCHMARK(BM_ReadHostile)
    ->Args({1000000, 0})
    ->Args({1000000, 1})
    ->Args({1000000, 2})
    ->Args({1000000, 3})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

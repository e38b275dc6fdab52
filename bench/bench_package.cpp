// Reading and writing package files of realistic shape at 1,000, 100,000 and
// 1,000,000 records, beside a plain memcpy of the same bytes, plus the
// reader's memory on the most hostile input. Peak heap use comes from a
// malloc wrapper that counts only while a measurement is on.
//
// Where new pages are expensive (virtual machines), the first touch of fresh
// memory dominates the large runs, memcpy into new memory included. To time
// the code's own work, keep freed memory in the process between iterations:
//   GLIBC_TUNABLES=glibc.malloc.mmap_max=0:glibc.malloc.trim_threshold=68719476736 bench_package
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

#include "package/format.h"
#include "support/numbers.h"

using namespace orv;

// ---- Heap accounting ------------------------------------------------------

#if defined(__SANITIZE_ADDRESS__)
#define ORV_COUNT_HEAP 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer)
#define ORV_COUNT_HEAP 0
#endif
#endif
#ifndef ORV_COUNT_HEAP
#define ORV_COUNT_HEAP 1
#endif

namespace {
std::atomic<bool> g_counting{false};
std::atomic<int64_t> g_inUse{0};
std::atomic<int64_t> g_peak{0};

void counted(void* p, bool allocated) {
    if (!p || !g_counting.load(std::memory_order_relaxed)) return;
    const int64_t n = static_cast<int64_t>(malloc_usable_size(p));
    const int64_t now = g_inUse.fetch_add(allocated ? n : -n, std::memory_order_relaxed) + (allocated ? n : -n);
    int64_t peak = g_peak.load(std::memory_order_relaxed);
    while (now > peak && !g_peak.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
    }
}
}  // namespace

#if ORV_COUNT_HEAP
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void __libc_free(void*);

void* malloc(size_t n) {
    void* p = __libc_malloc(n);
    counted(p, true);
    return p;
}
void* calloc(size_t count, size_t n) {
    void* p = __libc_calloc(count, n);
    counted(p, true);
    return p;
}
void* realloc(void* old, size_t n) {
    counted(old, false);
    void* p = __libc_realloc(old, n);
    counted(p ? p : old, true);
    return p;
}
void free(void* p) {
    counted(p, false);
    __libc_free(p);
}
}
#endif

namespace {

// Runs `work` with the heap counted; the peak heap growth above what was in
// use when it started, in bytes.
template <typename F>
int64_t peakHeapGrowth(F&& work) {
    g_inUse = 0;
    g_peak = 0;
    g_counting = true;
    work();
    g_counting = false;
    return g_peak.load();
}

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

// Into an output text that already has the storage, as when saving again:
// the encoder alone. The fresh variant also pays for the new pages.
void BM_WritePackage(benchmark::State& state) {
    const uint32_t records = static_cast<uint32_t>(state.range(0));
    const Sample& s = sample(records);
    ByteString out;
    writePackage(s.package, out);  // the storage exists before timing starts
    for (auto _ : state) {
        writePackage(s.package, out);
        benchmark::DoNotOptimize(out.data());
    }
    reportRate(state, s.file.length(), records);
#if ORV_COUNT_HEAP
    const int64_t peak = peakHeapGrowth([&] {
        ByteString fresh;
        writePackage(s.package, fresh);
    });
    state.counters["peak_heap_per_file_byte"] = static_cast<double>(peak) / s.file.length();
#endif
}

void BM_WritePackageFresh(benchmark::State& state) {
    const uint32_t records = static_cast<uint32_t>(state.range(0));
    const Sample& s = sample(records);
    for (auto _ : state) {
        ByteString out;
        writePackage(s.package, out);
        benchmark::DoNotOptimize(out.data());
        state.PauseTiming();
        out = ByteString();
        state.ResumeTiming();
    }
    reportRate(state, s.file.length(), records);
}

void BM_ReadPackage(benchmark::State& state) {
    const uint32_t records = static_cast<uint32_t>(state.range(0));
    const Sample& s = sample(records);
    {
        Package warm;  // where freed memory is kept, timing starts with it there
        readPackage(warm, s.file);
    }
    for (auto _ : state) {
        state.PauseTiming();
        auto p = std::make_unique<Package>();
        state.ResumeTiming();
        benchmark::DoNotOptimize(readPackage(*p, s.file));
        state.PauseTiming();
        p.reset();
        state.ResumeTiming();
    }
    reportRate(state, s.file.length(), records);
#if ORV_COUNT_HEAP
    // The file's bytes are in memory throughout; the reader adds the rest.
    std::unique_ptr<Package> p;
    const int64_t peak = peakHeapGrowth([&] {
        p = std::make_unique<Package>();
        readPackage(*p, s.file);
    });
    state.counters["peak_mem_per_file_byte"] = static_cast<double>(peak + s.file.length()) / s.file.length();
#endif
}

void BM_Memcpy(benchmark::State& state) {
    const Sample& s = sample(static_cast<uint32_t>(state.range(0)));
    const uint32_t n = s.file.length();
    auto copy = std::make_unique<char[]>(n);
    std::memset(copy.get(), 0, n);  // touch every page before timing
    for (auto _ : state) {
        std::memcpy(copy.get(), s.file.data(), n);
        benchmark::DoNotOptimize(copy.get());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * n));
}

// Into newly allocated memory each time, like BM_WritePackageFresh.
void BM_MemcpyFresh(benchmark::State& state) {
    const Sample& s = sample(static_cast<uint32_t>(state.range(0)));
    const uint32_t n = s.file.length();
    for (auto _ : state) {
        char* copy = static_cast<char*>(std::malloc(n));
        std::memcpy(copy, s.file.data(), n);
        benchmark::DoNotOptimize(copy);
        benchmark::ClobberMemory();
        state.PauseTiming();
        std::free(copy);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * n));
}

// The reader's worst case per byte of file: a versions list of empty
// entries (4 bytes each, one whole version record each), a features list
// whose lengths wrap round 2^32, and id lists of empty entries.
ByteString hostileFile(uint32_t entries, int variant) {
    auto be32 = [](ByteString& out, uint32_t n) {
        const char b[4] = {static_cast<char>(n >> 24), static_cast<char>(n >> 16), static_cast<char>(n >> 8),
                           static_cast<char>(n)};
        out.append(b, 4);
    };
    ByteString list("\x01");
    if (variant == 0) {
        for (uint32_t i = 0; i < entries; ++i) be32(list, 0);
    } else if (variant == 1) {
        for (uint32_t i = 0; i < entries; ++i) be32(list, 0xFFFFFFFFu);
    } else {
        ByteString ids("\x01");
        for (uint32_t i = 0; i < entries; ++i) be32(ids, 0);
        ByteString feature("\x01");
        for (int i = 0; i < 5; ++i) be32(feature, 0);
        be32(feature, ids.length());
        feature.append(ids);
        be32(list, feature.length());
        list.append(feature);
    }
    ByteString file("\x01");
    for (const char* t : {"Velmorandistrix", "1"}) {
        be32(file, static_cast<uint32_t>(std::strlen(t)));
        file.append(t);
    }
    be32(file, 1);
    file.append('\x01');
    for (int k = 0; k < 3; ++k) {
        const bool here = (variant == 0 && k == 0) || (variant != 0 && k == 1);
        be32(file, here ? list.length() : 1);
        file.append(here ? list : ByteString("\x01"));
    }
    return file;
}

void BM_ReadHostile(benchmark::State& state) {
    const ByteString file = hostileFile(static_cast<uint32_t>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        Package p;
        benchmark::DoNotOptimize(readPackage(p, file));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.length()));
#if ORV_COUNT_HEAP
    std::unique_ptr<Package> p;
    const int64_t peak = peakHeapGrowth([&] {
        p = std::make_unique<Package>();
        readPackage(*p, file);
    });
    state.counters["peak_mem_per_file_byte"] = static_cast<double>(peak + file.length()) / file.length();
#endif
}

}  // namespace

BENCHMARK(BM_Memcpy)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpyFresh)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WritePackage)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WritePackageFresh)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadPackage)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
// Second argument: 0 empty version entries, 1 wrapped lengths, 2 empty ids.
BENCHMARK(BM_ReadHostile)->Args({1000000, 0})->Args({1000000, 1})->Args({1000000, 2})->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

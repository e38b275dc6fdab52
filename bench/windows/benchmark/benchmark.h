// A small timing harness for the Windows build, where Debian has no Google
// Benchmark: the part of its interface that this project's benchmarks use,
// run the same way (iterations grown until a run takes --benchmark_min_time,
// default 0.5 s; --benchmark_repetitions with mean, median and standard
// deviation; --benchmark_filter as a regular expression) and reported in
// the same table, so that both builds' figures read alike.
#pragma once

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace benchmark {

enum TimeUnit { kNanosecond, kMicrosecond, kMillisecond, kSecond };

class Counter {
public:
    enum Flags {
        kDefaults = 0,
        kIsRate = 1 << 0,
        kIsIterationInvariant = 1 << 2,
        kIsIterationInvariantRate = kIsRate | kIsIterationInvariant,
        kInvert = 1 << 31,
    };
    Counter(double v = 0, Flags f = kDefaults) : value(v), flags(f) {}  // NOLINT: as the library's
    double value;
    Flags flags;
};
inline Counter::Flags operator|(Counter::Flags a, Counter::Flags b) {
    return static_cast<Counter::Flags>(static_cast<int>(a) | static_cast<int>(b));
}

class State {
public:
    State(std::vector<int64_t> args, int64_t iterations) : args_(std::move(args)), max_(iterations) {}
    struct __attribute__((unused)) Value {};  // "for (auto _ : state)" leaves it unused
    struct Iterator {
        State* state;
        int64_t left;
        // The loop's end is where the clock stops.
        bool operator!=(const Iterator&) const {
            if (left > 0 && !state->skipped_) return true;
            state->stop();
            return false;
        }
        void operator++() { --left; }
        Value operator*() const { return {}; }
    };
    Iterator begin() {
        start_ = std::chrono::steady_clock::now();
        cpuStart_ = cpuSeconds();
        return {this, max_};
    }
    Iterator end() { return {this, 0}; }
    int64_t range(size_t i = 0) const { return args_.at(i); }
    int64_t iterations() const { return max_; }
    void SetIterationTime(double seconds) { manual_ += seconds; }
    void SetBytesProcessed(int64_t bytes) { bytes_ = bytes; }
    void SkipWithError(const char* message) { skipped_ = true, error_ = message ? message : ""; }
    std::map<std::string, Counter> counters;

    // What the run measured, for the harness.
    double real_ = 0, cpu_ = 0, manual_ = 0;
    int64_t bytes_ = 0;
    bool skipped_ = false;
    std::string error_;

    static double cpuSeconds() {
        FILETIME created, ended, kernel, user;
        if (!GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user)) return 0;
        auto seconds = [](FILETIME t) { return (uint64_t{t.dwHighDateTime} << 32 | t.dwLowDateTime) * 1e-7; };
        return seconds(kernel) + seconds(user);
    }
    void stop() {
        if (stopped_) return;
        stopped_ = true;
        real_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        cpu_ = cpuSeconds() - cpuStart_;
    }

private:
    std::vector<int64_t> args_;
    int64_t max_;
    std::chrono::steady_clock::time_point start_;
    double cpuStart_ = 0;
    bool stopped_ = false;
};

template <class T>
inline void DoNotOptimize(const T& value) {
    asm volatile("" : : "r,m"(value) : "memory");
}
inline void ClobberMemory() { asm volatile("" : : : "memory"); }

class Benchmark {
public:
    Benchmark(std::string name, void (*fn)(State&)) : name_(std::move(name)), fn_(fn) {}
    Benchmark* Arg(int64_t x) { return args_.push_back({x}), this; }
    Benchmark* Args(std::initializer_list<int64_t> xs) { return args_.push_back(xs), this; }
    Benchmark* UseManualTime() { return manual_ = true, this; }
    Benchmark* UseRealTime() { return real_ = true, this; }
    Benchmark* Unit(TimeUnit unit) { return unit_ = unit, this; }

    std::string name_;
    void (*fn_)(State&);
    std::vector<std::vector<int64_t>> args_;
    bool manual_ = false, real_ = false;
    TimeUnit unit_ = kNanosecond;
};

namespace internal {

struct Settings {
    std::string filter = ".";
    int repetitions = 1;
    double minTime = 0.5;
};
inline Settings& settings() {
    static Settings s;
    return s;
}
inline std::vector<Benchmark*>& registry() {
    static std::vector<Benchmark*> all;
    return all;
}
inline Benchmark* Register(const char* name, void (*fn)(State&)) {
    registry().push_back(new Benchmark(name, fn));
    return registry().back();
}

// 1234567 as "1.23457M", as the library writes counters.
inline std::string human(double v, double base = 1000, const char* suffix = "") {
    static const char* const kUnits[] = {"", "k", "M", "G", "T"};
    static const char* const kBinary[] = {"", "k", "M", "G", "T"};  // as the library writes rates: 1024-based
    int i = 0;
    while (std::fabs(v) >= base && i < 4) v /= base, ++i;
    char text[64];
    std::snprintf(text, sizeof text, "%.6g%s%s", v, base == 1024 ? kBinary[i] : kUnits[i], suffix);
    return text;
}

struct Row {
    std::string name;
    double time = 0, cpu = 0;  // per iteration, in the benchmark's unit
    int64_t iterations = 0;
    std::map<std::string, double> counters;
};

inline const char* unitName(TimeUnit u) { return u == kSecond ? "s" : u == kMillisecond ? "ms" : u == kMicrosecond ? "us" : "ns"; }
inline double unitScale(TimeUnit u) { return u == kSecond ? 1 : u == kMillisecond ? 1e3 : u == kMicrosecond ? 1e6 : 1e9; }

inline void print(const Row& r, TimeUnit unit) {
    std::printf("%-50s %11.3f %-2s %11.3f %-2s %10lld", r.name.c_str(), r.time, unitName(unit), r.cpu, unitName(unit),
                static_cast<long long>(r.iterations));
    for (const auto& [name, value] : r.counters)
        std::printf(" %s=%s", name.c_str(),
                    name == "bytes_per_second" ? human(value, 1024, "/s").c_str() : human(value).c_str());
    std::printf("\n");
    std::fflush(stdout);
}

inline Row measure(const Benchmark& b, const std::vector<int64_t>& args, const std::string& name, bool& ok) {
    int64_t iterations = 1;
    for (;;) {
        State state(args, iterations);
        b.fn_(state);
        ok = !state.skipped_;
        if (!ok) {
            std::printf("%-50s ERROR OCCURRED: '%s'\n", name.c_str(), state.error_.c_str());
            return {};
        }
        const double seconds = b.manual_ ? state.manual_ : b.real_ ? state.real_ : state.cpu_;
        if (seconds >= settings().minTime || iterations >= 1000000000) {
            Row r;
            r.name = name;
            r.iterations = iterations;
            const double scale = unitScale(b.unit_);
            r.time = seconds / iterations * scale;
            r.cpu = state.cpu_ / iterations * scale;
            if (state.bytes_) r.counters["bytes_per_second"] = state.bytes_ / seconds;
            for (const auto& [counterName, c] : state.counters) {
                double v = c.value;
                if (c.flags & Counter::kIsIterationInvariant) v *= iterations;
                if (c.flags & Counter::kIsRate) v /= seconds;
                if (c.flags & Counter::kInvert) v = 1 / v;
                r.counters[counterName] = v;
            }
            return r;
        }
        // Grow towards the minimum time, at most tenfold at a time.
        const double wanted = seconds > 0 ? settings().minTime * 1.4 / seconds * iterations : iterations * 10.0;
        iterations = std::max<int64_t>(iterations + 1, std::min<int64_t>(static_cast<int64_t>(wanted), iterations * 10));
    }
}

inline Row aggregate(const std::vector<Row>& rows, const std::string& name, double (*pick)(std::vector<double>)) {
    Row r = rows.front();
    r.name = name;
    r.iterations = static_cast<int64_t>(rows.size());  // as the library shows aggregates: the repetitions
    auto over = [&](auto get) {
        std::vector<double> values;
        for (const Row& row : rows) values.push_back(get(row));
        return pick(values);
    };
    r.time = over([](const Row& x) { return x.time; });
    r.cpu = over([](const Row& x) { return x.cpu; });
    for (auto& [counterName, value] : r.counters)
        value = over([&](const Row& x) { return x.counters.at(counterName); });
    return r;
}

inline double mean(std::vector<double> v) {
    double sum = 0;
    for (double x : v) sum += x;
    return sum / v.size();
}
inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}
inline double stddev(std::vector<double> v) {
    const double m = mean(v);
    double sum = 0;
    for (double x : v) sum += (x - m) * (x - m);
    return v.size() > 1 ? std::sqrt(sum / (v.size() - 1)) : 0;
}

}  // namespace internal

inline void Initialize(int* argc, char** argv) {
    auto& s = internal::settings();
    for (int i = 1; i < *argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](const char* flag) {
            const std::string prefix = std::string(flag) + "=";
            return a.rfind(prefix, 0) == 0 ? a.substr(prefix.size()) : std::string();
        };
        if (!value("--benchmark_filter").empty()) s.filter = value("--benchmark_filter");
        if (!value("--benchmark_repetitions").empty()) s.repetitions = std::max(1, std::atoi(value("--benchmark_repetitions").c_str()));
        if (!value("--benchmark_min_time").empty()) s.minTime = std::atof(value("--benchmark_min_time").c_str());
    }
}

inline size_t RunSpecifiedBenchmarks() {
    const std::regex filter(internal::settings().filter);
    std::printf("%-50s %14s %14s %10s\n", "Benchmark", "Time", "CPU", "Iterations");
    std::printf("%s\n", std::string(91, '-').c_str());
    size_t ran = 0;
    for (const Benchmark* b : internal::registry()) {
        std::vector<std::vector<int64_t>> sets = b->args_.empty() ? std::vector<std::vector<int64_t>>{{}} : b->args_;
        for (const auto& args : sets) {
            std::string name = b->name_;
            for (int64_t a : args) name += "/" + std::to_string(a);
            if (b->manual_) name += "/manual_time";
            else if (b->real_) name += "/real_time";
            if (!std::regex_search(name, filter)) continue;
            std::vector<internal::Row> rows;
            bool ok = true;
            for (int i = 0; i < internal::settings().repetitions && ok; ++i) {
                internal::Row r = internal::measure(*b, args, name, ok);
                if (ok) internal::print(r, b->unit_), rows.push_back(r);
            }
            if (rows.size() > 1) {
                internal::print(internal::aggregate(rows, name + "_mean", internal::mean), b->unit_);
                internal::print(internal::aggregate(rows, name + "_median", internal::median), b->unit_);
                internal::print(internal::aggregate(rows, name + "_stddev", internal::stddev), b->unit_);
            }
            ++ran;
        }
    }
    return ran;
}

inline void Shutdown() {}

}  // namespace benchmark

#define BENCHMARK_CONCAT2(a, b) a##b
#define BENCHMARK_CONCAT(a, b) BENCHMARK_CONCAT2(a, b)
#define BENCHMARK(fn) \
    [[maybe_unused]] static ::benchmark::Benchmark* BENCHMARK_CONCAT(orv_benchmark_, __LINE__) = \
        ::benchmark::internal::Register(#fn, fn)
#define BENCHMARK_MAIN()                        \
    int main(int argc, char** argv) {           \
        ::benchmark::Initialize(&argc, argv);   \
        ::benchmark::RunSpecifiedBenchmarks();  \
        ::benchmark::Shutdown();                \
        return 0;                               \
    }

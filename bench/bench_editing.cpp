// The editing commands on a large package: 100,000 versions, features and
// bugs, where the version being removed is referenced by every record.
#include <benchmark/benchmark.h>

#include "app/choices.h"
#include "app/editing.h"
#include "support/numbers.h"

namespace orv {
namespace {

constexpr uint32_t kRecords = 100000;
constexpr uint32_t kTarget = kRecords / 2;  // the id everyone refers to

const Package& bigPackage() {
    static const Package p = [] {
        Package pkg;
        for (uint32_t i = 1; i <= kRecords; ++i) {
            VersionRecord v;
            v.id = i;
            v.version = textFromU32(i);
            v.releaseDate = "2007-01-02 00:00:00";
            v.freeUpgrades = {kTarget, i > 1 ? i - 1 : i};
            pkg.versions.append(std::move(v));
            FeatureRecord f;
            f.id = i;
            f.title = "Feature " + textFromU32(i);
            f.versions = {1, kTarget, kRecords};
            pkg.features.append(std::move(f));
            BugRecord b;
            b.id = i;
            b.title = "Bug";
            b.introduced = kTarget;
            b.fixed = kTarget;
            b.affectedFeatures = {kTarget, i};
            pkg.bugs.append(std::move(b));
        }
        return pkg;
    }();
    return p;
}

void BM_RemoveVersionReferencedEverywhere(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        Package p = bigPackage();
        state.ResumeTiming();
        removeRecord(p, RecordKind::Versions, kTarget - 1);
        benchmark::DoNotOptimize(p.versions.count());
        state.PauseTiming();
        p = Package{};  // the free happens outside the timing
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RemoveVersionReferencedEverywhere)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_RemoveFeatureReferencedEverywhere(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        Package p = bigPackage();
        state.ResumeTiming();
        removeRecord(p, RecordKind::Features, kTarget - 1);
        benchmark::DoNotOptimize(p.features.count());
        state.PauseTiming();
        p = Package{};
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RemoveFeatureReferencedEverywhere)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_AddVersionWithAssociation(benchmark::State& state) {
    Package p = bigPackage();
    for (auto _ : state) {
        addVersion(p, VersionRecord{}, true);  // every feature lists the last version
        benchmark::DoNotOptimize(p.features[0].versions.count());
        state.PauseTiming();
        p.versions.removeAt(p.versions.count() - 1);
        for (FeatureRecord& f : p.features) f.versions.setCount(3);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_AddVersionWithAssociation)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_MoveUpAndDown(benchmark::State& state) {
    Package p = bigPackage();
    for (auto _ : state) {
        moveRecord(p, RecordKind::Versions, kTarget, -1);
        moveRecord(p, RecordKind::Versions, kTarget - 1, +1);
        benchmark::DoNotOptimize(p.versions[kTarget].id);
    }
}
BENCHMARK(BM_MoveUpAndDown)->Unit(benchmark::kMicrosecond);

void BM_VersionChoices(benchmark::State& state) {
    const Package& p = bigPackage();
    for (auto _ : state) {
        VersionChoices c = versionChoices(p);
        benchmark::DoNotOptimize(positionOfId(c, kTarget));
    }
}
BENCHMARK(BM_VersionChoices)->Unit(benchmark::kMillisecond);

void BM_FeatureChoicesWithHostileIds(benchmark::State& state) {
    Package p = bigPackage();
    p.features[0].id = 4294967295u;  // no dense table for this one
    for (auto _ : state) {
        FeatureChoices c = featureChoices(p);
        benchmark::DoNotOptimize(positionOfId(c, 4294967295u));
    }
}
BENCHMARK(BM_FeatureChoicesWithHostileIds)->Unit(benchmark::kMillisecond);

void BM_RowLabelAndSummary(benchmark::State& state) {
    const Package& p = bigPackage();
    for (auto _ : state) {
        benchmark::DoNotOptimize(rowLabel(p, RecordKind::Bugs, kTarget));
        benchmark::DoNotOptimize(rowSummary(p, RecordKind::Versions, kTarget));
    }
}
BENCHMARK(BM_RowLabelAndSummary)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace orv

BENCHMARK_MAIN();

#include "support/dynamic_library.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#ifndef _WIN32
#include <dlfcn.h>
#endif

namespace orv {
namespace {

namespace fs = std::filesystem;

using ProbeFunction = int();

int callExport(void* handle, const char* name) {
    void* p = BindFunction(handle, name);
    return p ? reinterpret_cast<ProbeFunction*>(p)() : 0;
}

// A lookup over a made-up symbol table that also records what was asked.
struct FakeTable {
    std::vector<std::string> exports, asked;
    static void* lookup(void* context, const char* candidate) {
        auto* self = static_cast<FakeTable*>(context);
        self->asked.emplace_back(candidate);
        return std::count(self->exports.begin(), self->exports.end(), candidate) ? &self->exports : nullptr;
    }
};

// Exports with the stack-size suffix cannot be produced by the ELF tool
// chain ('@' means a symbol version there), so the decorated part of the
// search order is checked over a made-up table (and on Windows over a real
// library below).
TEST(FindExport, TriesEveryDecorationInOrderUpToSuffix100) {
    FakeTable table{{"_probe@12", "__probe@12", "probe@13"}, {}};
    EXPECT_EQ(FindExport("probe", FakeTable::lookup, &table), &table.exports);
    EXPECT_EQ(std::vector<std::string>(table.asked.begin(), table.asked.begin() + 6),
              (std::vector<std::string>{"probe", "_probe", "__probe", "probe@0", "_probe@0", "__probe@0"}));
    EXPECT_EQ(table.asked.size(), 3u + 12u * 3u + 2u);  // ending with _probe@12

    FakeTable late{{"probe@101"}, {}};
    EXPECT_EQ(FindExport("probe", FakeTable::lookup, &late), nullptr);
    EXPECT_EQ(late.asked.size(), 3u + 101u * 3u);  // up to __probe@100
    EXPECT_EQ(FindExport(nullptr, FakeTable::lookup, &late), nullptr);
}

TEST(BindFunction, FindsTheUndecoratedAndUnderscoredExportsOfARealLibraryOnly) {
    void* lib = LoadLibrarySlot(ORV_BINDING_PROBE);
    ASSERT_NE(lib, nullptr);
    // probe_both: the plain name wins; probe_pair: one underscore before two.
    for (const auto& [name, value] : {std::pair{"probe_plain", 1}, {"probe_under", 2}, {"probe_both", 3},
                                      {"probe_pair", 5}, {"probe_deep", 7}})
        EXPECT_EQ(callExport(lib, name), value) << name;
    EXPECT_EQ(BindFunction(lib, "probe_missing"), nullptr);
    EXPECT_EQ(BindFunction(nullptr, "probe_plain"), nullptr);
#ifdef _WIN32
    // The second of the decorated forms, found when N reaches 12.
    EXPECT_EQ(callExport(lib, "probe_sized"), 8);
#else
    // The maths library that the probe pulls in exports cos; the probe does not.
    ASSERT_NE(dlsym(lib, "cos"), nullptr);
#endif
    EXPECT_EQ(BindFunction(lib, "cos"), nullptr);
    EXPECT_EQ(LoadLibrarySlot(ORV_BINDING_PROBE), lib);  // one handle per name
    EXPECT_EQ(LoadLibrarySlot(""), nullptr);
}

TEST(BindFunction, AMissingLibraryIsRetriedUntilBoundThenKeepsTheBinding) {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const fs::path dir = fs::temp_directory_path() / ("orv_bind_" + std::to_string(stamp));
    fs::create_directories(dir);
    const std::string path = (dir / fs::path(ORV_BINDING_PROBE).filename()).string();
    BoundFunction<ProbeFunction> site(path.c_str(), "probe_deep");
    EXPECT_EQ(LoadLibrarySlot(path.c_str()), nullptr);
    EXPECT_EQ(site.get(), nullptr);
    fs::copy_file(ORV_BINDING_PROBE, path);
    ASSERT_NE(site.get(), nullptr);
    EXPECT_EQ(site.get()(), 7);
    std::error_code ignored;  // Windows keeps a loaded library's file
    fs::remove_all(dir, ignored);  // once bound, nothing is looked up again
    ASSERT_NE(site.get(), nullptr);
    EXPECT_EQ(BoundFunction<ProbeFunction>(path.c_str(), "probe_missing").get(), nullptr);
    EXPECT_EQ(BoundFunction<ProbeFunction>(nullptr, "probe_deep").get(), nullptr);
}

}  // namespace
}  // namespace orv

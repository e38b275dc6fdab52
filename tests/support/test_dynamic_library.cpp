#include "support/dynamic_library.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

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
    std::vector<std::string> exports;
    std::vector<std::string> asked;
    static void* lookup(void* context, const char* candidate) {
        auto* self = static_cast<FakeTable*>(context);
        self->asked.emplace_back(candidate);
        for (const auto& e : self->exports)
            if (e == candidate) return &self->exports;
        return nullptr;
    }
};

// A fresh folder per test for libraries that appear while the program runs.
class LateLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("orv_bind_" + std::to_string(getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        path_ = (dir_ / "libprobe_copy.so").string();
    }
    void TearDown() override { fs::remove_all(dir_); }
    void install() { fs::copy_file(ORV_BINDING_PROBE, path_, fs::copy_options::overwrite_existing); }

    fs::path dir_;
    std::string path_;
};

// Exports with the stack-size suffix cannot be produced by the ELF tool
// chain ('@' means a symbol version there), so the decorated part of the
// search order is checked over a made-up table.
TEST(FindExport, TriesEveryDecorationInOrderAndStopsAtTheFirstHit) {
    FakeTable table{{"_probe@12", "__probe@12", "probe@13"}, {}};
    EXPECT_EQ(FindExport("probe", FakeTable::lookup, &table), &table.exports);
    ASSERT_EQ(table.asked.size(), 3u + 12u * 3u + 2u);
    EXPECT_EQ(table.asked[0], "probe");
    EXPECT_EQ(table.asked[1], "_probe");
    EXPECT_EQ(table.asked[2], "__probe");
    EXPECT_EQ(table.asked[3], "probe@0");
    EXPECT_EQ(table.asked[4], "_probe@0");
    EXPECT_EQ(table.asked[5], "__probe@0");
    EXPECT_EQ(table.asked[table.asked.size() - 2], "probe@12");
    EXPECT_EQ(table.asked.back(), "_probe@12");
}

TEST(FindExport, GivesUpAfterSuffix100) {
    FakeTable table{{"probe@101"}, {}};
    EXPECT_EQ(FindExport("probe", FakeTable::lookup, &table), nullptr);
    ASSERT_EQ(table.asked.size(), 3u + 101u * 3u);
    EXPECT_EQ(table.asked.back(), "__probe@100");
    EXPECT_EQ(FindExport(nullptr, FakeTable::lookup, &table), nullptr);
}

TEST(BindFunction, FindsUndecoratedAndUnderscoredExportsOfARealLibrary) {
    void* lib = LoadLibrarySlot(ORV_BINDING_PROBE);
    ASSERT_NE(lib, nullptr);
    EXPECT_EQ(callExport(lib, "probe_plain"), 1);
    EXPECT_EQ(callExport(lib, "probe_under"), 2);
    EXPECT_EQ(callExport(lib, "probe_both"), 3);  // the plain name wins
    EXPECT_EQ(callExport(lib, "probe_pair"), 5);  // one underscore before two
    EXPECT_EQ(callExport(lib, "probe_deep"), 7);
    EXPECT_EQ(BindFunction(lib, "probe_missing"), nullptr);
    EXPECT_EQ(BindFunction(nullptr, "probe_plain"), nullptr);
    EXPECT_EQ(BindFunction(lib, nullptr), nullptr);

    EXPECT_EQ(LoadLibrarySlot(ORV_BINDING_PROBE), lib);  // one handle per name
    EXPECT_EQ(LoadLibrarySlot(""), nullptr);
    EXPECT_EQ(LoadLibrarySlot(nullptr), nullptr);
}

TEST_F(LateLibrary, AMissingLibraryIsRetriedWhenItAppears) {
    EXPECT_EQ(LoadLibrarySlot(path_.c_str()), nullptr);
    EXPECT_EQ(LoadLibrarySlot(path_.c_str()), nullptr);
    install();
    void* lib = LoadLibrarySlot(path_.c_str());
    ASSERT_NE(lib, nullptr);
    EXPECT_EQ(callExport(lib, "probe_plain"), 1);
}

TEST_F(LateLibrary, BoundFunctionRetriesUntilBoundThenKeepsTheBinding) {
    BoundFunction<ProbeFunction> unnamed(nullptr, "probe_deep");
    EXPECT_EQ(unnamed.get(), nullptr);
    BoundFunction<ProbeFunction> site(path_.c_str(), "probe_deep");
    EXPECT_EQ(site.get(), nullptr);
    install();
    ASSERT_NE(site.get(), nullptr);
    EXPECT_EQ(site.get()(), 7);
    fs::remove(path_);  // once bound, nothing is looked up again
    ASSERT_NE(site.get(), nullptr);
    EXPECT_EQ(site.get()(), 7);

    BoundFunction<ProbeFunction> absent(path_.c_str(), "probe_missing");
    EXPECT_EQ(absent.get(), nullptr);
}

}  // namespace
}  // namespace orv

#include <gtest/gtest.h>

#include "app/file_names.h"

namespace orv {
namespace {

const ByteString kDat = "*.dat";

TEST(DefaultExtension, AddedOnlyWhenTheLastComponentHasNoDot) {
    EXPECT_EQ(withDefaultExtension("pkg", kDat), "pkg.dat");
    EXPECT_EQ(withDefaultExtension("/home/me/pkg", kDat), "/home/me/pkg.dat");
    EXPECT_EQ(withDefaultExtension("my.package", kDat), "my.package");
    EXPECT_EQ(withDefaultExtension("old.dat", kDat), "old.dat");
    // A dot in a folder name does not count.
    EXPECT_EQ(withDefaultExtension("/tmp/rel.2007/readme", kDat), "/tmp/rel.2007/readme.dat");
    EXPECT_EQ(withDefaultExtension("C:\\rel.2007\\readme", kDat), "C:\\rel.2007\\readme.dat");
    EXPECT_EQ(withDefaultExtension(".hidden", kDat), ".hidden");
    EXPECT_EQ(withDefaultExtension("", kDat), "");
}

TEST(DefaultExtension, ComesFromTheFirstPatternWithoutWildcards) {
    EXPECT_EQ(defaultExtension("*.dat;*.bak"), "dat");
    EXPECT_EQ(defaultExtension("*.*"), "");
    EXPECT_EQ(defaultExtension("*"), "");
    EXPECT_EQ(defaultExtension("*.tar.gz"), "tar.gz");
    EXPECT_EQ(withDefaultExtension("notes", "*.*"), "notes");
    EXPECT_EQ(withDefaultExtension("notes", "*.d*"), "notes");
    EXPECT_EQ(withDefaultExtension("notes", ""), "notes");
}

TEST(FileFilters, PackageFiltersAndTheirDialogForm) {
    const FileFilterList filters = packageFileFilters();
    ASSERT_EQ(filters.size(), 2u);
    EXPECT_EQ(dialogNameFilter(filters[0]), "Update Data File (*.dat)");
    // "*.*" would hide every file without a dot on POSIX systems.
    EXPECT_EQ(dialogNameFilter(filters[1]), "All Files (*)");
    EXPECT_EQ(dialogNameFilter({"Data", "*.dat;*.bak"}), "Data (*.dat *.bak)");
    EXPECT_EQ(withDefaultExtension("pkg", filters[0].pattern), "pkg.dat");
}

}  // namespace
}  // namespace orv

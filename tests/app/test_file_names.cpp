#include <gtest/gtest.h>

#include "app/file_names.h"

namespace orv {
namespace {

TEST(DefaultExtension, FromTheConfiguredFilterAddedOnlyWhenTheLastComponentHasNoDot) {
    // The window's file dialog test covers the package filters themselves.
    const FileFilterList filters = packageFileFilters();
    const std::pair<const char*, const char*> names[] = {
        {"/home/me/pkg", "/home/me/pkg.dat"}, {"my.package", "my.package"}, {".hidden", ".hidden"}, {"", ""},
        {"/tmp/rel.2007/readme", "/tmp/rel.2007/readme.dat"},  // a dot in a folder name does not count
        {"C:\\rel.2007\\readme", "C:\\rel.2007\\readme.dat"},
    };
    for (const auto& [in, out] : names) EXPECT_EQ(withDefaultExtension(in, filters[0].pattern), out) << in;
    // The first pattern without wildcards in its extension decides; none, no extension.
    const std::pair<const char*, const char*> patterns[] = {
        {"*.dat;*.bak", "dat"}, {"*.tar.gz", "tar.gz"}, {"*.*", ""}, {"*.d*", ""}, {"", ""}};
    for (const auto& [pattern, ext] : patterns) {
        EXPECT_EQ(defaultExtension(pattern), ext) << pattern;
        const std::string expected = *ext ? "notes." + std::string(ext) : "notes";
        EXPECT_EQ(withDefaultExtension("notes", pattern), ByteString(expected)) << pattern;
    }
}

}  // namespace
}  // namespace orv

// The package both editors' dialog tests choose from: versions with ids
// 1, 3 and 2 in that package order, and features 3, 8 and 6.
#pragma once

#include "package/model.h"

namespace orv::testing {

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"  // records named by the fields that matter
inline Package samplePackage() {
    Package p;
    p.versions = {{.id = 1, .version = "1.0", .releaseDate = "2020-01-02 00:00:00"},
                  {.id = 3, .version = "1.1", .releaseDate = "2020-06-30 00:00:00"},
                  {.id = 2, .version = "2.0", .releaseDate = "2021-03-04 00:00:00"}};
    p.features = {{.id = 3, .title = "Three"}, {.id = 8, .title = "Eight"}, {.id = 6, .title = "Six"}};
    return p;
}
#pragma GCC diagnostic pop

}  // namespace orv::testing

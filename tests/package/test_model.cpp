#include "package/model.h"

#include <gtest/gtest.h>

using namespace orv;

namespace {

Package withVersions(std::initializer_list<uint32_t> ids) {
    Package p;
    for (uint32_t id : ids) p.versions.at(p.versions.count()).id = id;
    return p;
}

}  // namespace

TEST(PackageModel, NextIdsFollowTheLargestIdOfEachKind) {
    EXPECT_EQ(nextVersionId(Package()) + nextFeatureId(Package()) + nextBugId(Package()), 3u);
    // Removing the largest id frees it again; removing another leaves a gap.
    Package a = withVersions({1, 2, 3}), b = a;
    a.versions.removeAt(2);
    b.versions.removeAt(1);
    EXPECT_EQ(nextVersionId(a), 3u);
    EXPECT_EQ(nextVersionId(b), 4u);

    // Compared unsigned, in any order; the kinds are separate; moving a
    // record keeps its id.
    Package c = withVersions({7, 0x80000000u, 2});
    c.bugs.at(0).id = 41;
    EXPECT_EQ(nextVersionId(c), 0x80000001u);
    EXPECT_EQ(nextBugId(c), 42u);
    EXPECT_EQ(nextFeatureId(c), 1u);
    c.versions.swapItems(0, 2);
    IdList ids;
    versionIds(c, ids);
    EXPECT_EQ(ids, (IdList{2, 0x80000000u, 7}));

    // The index by id is the inverse of the id list, zeroed first.
    IdList index = {7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7};
    versionIndexById(withVersions({4, 1, 9}), index);
    EXPECT_EQ(index, (IdList{0, 1, 0, 0, 0, 0, 0, 0, 0, 2}));
    c.features.at(1).id = 3;
    featureIndexById(c, index);
    EXPECT_EQ(index, (IdList{0, 0, 0, 1}));
}

TEST(PackageModel, IndexingOrRemovingPastTheEndGrowsWithDefaultRecords) {
    RecordArray<BugRecord> bugs;
    bugs.at(0).title = "bug";
    EXPECT_EQ(bugs.at(2), BugRecord());
    EXPECT_EQ(bugs.count(), 3u);
    IdList ids = {1, 2, 3};
    ids.removeAt(2, 3);
    EXPECT_EQ(ids, (IdList{1, 2}));
}

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
    Package p;
    EXPECT_EQ(nextVersionId(p), 1u);
    EXPECT_EQ(nextFeatureId(p), 1u);
    EXPECT_EQ(nextBugId(p), 1u);

    // Removing the largest id frees it again; removing another leaves a gap.
    Package a = withVersions({1, 2, 3});
    a.versions.removeAt(2);
    EXPECT_EQ(nextVersionId(a), 3u);
    Package b = withVersions({1, 2, 3});
    b.versions.removeAt(1);
    EXPECT_EQ(nextVersionId(b), 4u);

    // Compared unsigned, in any order; the kinds are separate.
    Package c = withVersions({7, 0x80000000u, 2});
    c.bugs.at(0).id = 41;
    EXPECT_EQ(nextVersionId(c), 0x80000001u);
    EXPECT_EQ(nextBugId(c), 42u);
    EXPECT_EQ(nextFeatureId(c), 1u);

    // Moving a record keeps its id.
    c.versions.swapItems(0, 2);
    IdList ids;
    versionIds(c, ids);
    EXPECT_EQ(ids, (IdList{2, 0x80000000u, 7}));
}

TEST(PackageModel, DefaultRecords) {
    const BugRecord bug;
    EXPECT_EQ(bug.severity, 1u);
    EXPECT_EQ(bug.type, "Usability");
    EXPECT_EQ(bug.introduced + bug.discovered + bug.fixed, 0u);
    const VersionRecord version;
    EXPECT_EQ(version.freeUpgradeDays, 30u);
    EXPECT_TRUE(version.freeUpgrades.empty());
    const Package p;
    for (uint32_t i = 0; i < CommonInfo::kFieldCount; ++i) EXPECT_TRUE(p.common.field(i).empty());
}

TEST(PackageModel, CommonFieldsAreInFileOrder) {
    CommonInfo c;
    c.field(0) = "first";
    c.field(13) = "last";
    EXPECT_EQ(c.company, "first");
    EXPECT_EQ(c.techSupportEmail, "last");
    c.field(3) = "d";
    EXPECT_EQ(c.productDescription, "d");
}

TEST(PackageModel, CopiesAreDeep) {
    VersionRecord source;
    source.location = "http://example.com/a-long-download-location.exe";
    source.freeUpgrades = {1, 2};
    VersionRecord copy;
    copy = source;
    copy.freeUpgrades.at(0) = 9;
    copy.freeUpgrades.append(3);
    copy.location[0] = 'X';
    EXPECT_EQ(source.freeUpgrades, (IdList{1, 2}));
    EXPECT_EQ(source.location[0], 'h');

    Package p = withVersions({1});
    Package q = p;
    q.versions.at(0).version = "changed";
    EXPECT_TRUE(p.versions[0].version.empty());
}

TEST(PackageModel, IndexingPastTheEndGrows) {
    RecordArray<BugRecord> bugs;
    for (uint32_t i = 0; i < 3; ++i) bugs.at(i).title = "bug";
    EXPECT_EQ(bugs.at(5), BugRecord());
    EXPECT_EQ(bugs.count(), 6u);

    // Slots exposed again after a shrink hold default records.
    bugs.setCount(1);
    bugs.setCount(3);
    EXPECT_EQ(bugs[2], BugRecord());
    EXPECT_EQ(bugs[0].title, "bug");

    // Removing past the end first grows, then removes.
    IdList ids = {1, 2, 3};
    ids.removeAt(2, 3);
    EXPECT_EQ(ids, (IdList{1, 2}));
    ids.removeAt(0);
    EXPECT_EQ(ids, (IdList{2}));

    IdList more = {4, 5};
    ids.appendAll(more);
    EXPECT_EQ(ids, (IdList{2, 4, 5}));
}

TEST(PackageModel, IndexByIdIsTheInverseOfTheIdList) {
    Package p = withVersions({4, 1, 9});
    IdList index = {7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7};
    versionIndexById(p, index);
    ASSERT_EQ(index.count(), 10u);
    EXPECT_EQ(index[4], 0u);
    EXPECT_EQ(index[1], 1u);
    EXPECT_EQ(index[9], 2u);
    EXPECT_EQ(index[5], 0u);  // no record has id 5: never written since emptied

    p.features.at(1).id = 3;
    featureIndexById(p, index);
    ASSERT_EQ(index.count(), 4u);
    EXPECT_EQ(index[3], 1u);
}

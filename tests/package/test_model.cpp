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
    c.versions.swapItems(0, 5);  // grows first: the reference to element 0 must stay valid
    c.versions.swapItems(5, 0);
    c.versions.swapItems(0, 2);
    IdList ids;
    versionIds(c, ids);
    EXPECT_EQ(ids, (IdList{2, 0x80000000u, 7, 0, 0, 0}));
}

TEST(PackageModel, PastTheEndWritesGrowReadsGiveDefaultsAndSelfAppendsAreSafe) {
    RecordArray<BugRecord> bugs;
    bugs.at(0).title = "bug";
    EXPECT_EQ(bugs.at(2), BugRecord());
    EXPECT_EQ(bugs.count(), 3u);
    const auto& readOnly = bugs;
    EXPECT_EQ(readOnly[7], BugRecord());  // a read never grows nor reads past the end
    EXPECT_EQ(bugs.count(), 3u);
    bugs.appendAll(bugs);
    EXPECT_EQ(bugs.count(), 6u);
    EXPECT_EQ(bugs[3].title, "bug");
    bugs.removeAt(4, 0xFFFFFFFFu);  // a range past the end never allocates it
    EXPECT_EQ(bugs.count(), 4u);

    IdList ids = {1, 2, 3};
    for (int i = 0; i < 4; ++i) ids.appendAll(ids);  // across reallocations
    EXPECT_EQ(ids.count(), 48u);
    EXPECT_EQ(ids[47], 3u);
    ids.removeAt(2, 100);
    EXPECT_EQ(ids, (IdList{1, 2}));
    const IdList& fixed = ids;
    EXPECT_EQ(fixed[2], 0u);
    EXPECT_EQ(ids.count(), 2u);

    // A bad index names no field: nothing real is read or written.
    CommonInfo info;
    info.techSupportEmail = "help@example.com";
    info.field(14) = "lost";
    EXPECT_EQ(info.field(99), "");
    EXPECT_EQ(std::as_const(info).field(14), "");
    EXPECT_EQ(info.techSupportEmail, "help@example.com");
}

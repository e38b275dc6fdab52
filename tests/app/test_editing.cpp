#include <gtest/gtest.h>

#include <tuple>

#include "app/choices.h"
#include "app/editing.h"

namespace orv {
namespace {

IdList ids(std::initializer_list<uint32_t> v) { return IdList(v); }

VersionRecord version(const char* text) {
    VersionRecord v;
    v.version = text;
    v.releaseDate = "2007-01-02 00:00:00";
    return v;
}

// Versions 1.0 (id 1) and 1.1 (id 2); features A [1, 2] and B [1].
Package twoVersions() {
    Package p;
    addVersion(p, version("1.0"), false);
    addVersion(p, version("1.1"), false);
    for (const auto& [title, versions] : {std::pair{"A", ids({1, 2})}, std::pair{"B", ids({1})}}) {
        FeatureRecord f;
        f.title = title;
        f.versions = versions;
        addFeature(p, f);
    }
    return p;
}

TEST(Add, NextIdGoesLastYesAssociatesWithTheLastVersionByPositionOnce) {
    Package p;
    EXPECT_FALSE(needsAssociationQuestion(p));
    FeatureRecord stray;
    stray.versions = ids({0});  // a stray "none" is no version
    addFeature(p, stray);
    VersionRecord v = version("1.0");
    v.id = 77;  // whatever the dialog left in it
    EXPECT_EQ(addVersion(p, v, true), 0u);
    EXPECT_EQ(p.versions[0].id, 1u);
    EXPECT_EQ(p.features[0].versions, ids({0}));
    EXPECT_TRUE(needsAssociationQuestion(p));
    // With 1.1 moved up first, the last version by position is 1.0.
    const struct { bool moveUp; IdList b; bool yes; IdList aAfter, bAfter; } cases[] = {
        {false, ids({1}), true, ids({1, 2, 3}), ids({1})},
        {true, ids({1}), true, ids({1, 2, 3}), ids({1, 3})},
        {false, ids({2, 2}), true, ids({1, 2, 3}), ids({2, 2, 3})},  // the new id once
        {false, ids({1}), false, ids({1, 2}), ids({1})},
    };
    for (const auto& c : cases) {
        p = twoVersions();
        EXPECT_EQ(c.moveUp && moveRecord(p, RecordKind::Versions, 1, -1), c.moveUp);
        p.features[1].versions = c.b;
        addVersion(p, version("2.0"), c.yes);
        EXPECT_EQ(p.features[0].versions, c.aAfter);
        EXPECT_EQ(p.features[1].versions, c.bAfter);
        EXPECT_EQ(p.versions[2].id, 3u);
    }
}

TEST(Ids, OnlyTheLargestComesBackAndTheLargestPossibleNeverWrapsToNone) {
    Package p = twoVersions();
    addVersion(p, version("3"), false);
    removeRecord(p, RecordKind::Versions, 2);  // id 3
    addVersion(p, version("new"), false);
    EXPECT_EQ(p.versions[2].id, 3u);
    removeRecord(p, RecordKind::Versions, 1);  // id 2
    addVersion(p, version("newer"), false);
    EXPECT_EQ(p.versions[2].id, 4u);

    p.features.at(0).id = 0x80000000u;  // compared unsigned
    EXPECT_EQ(nextFeatureId(p), 0x80000001u);
    for (uint32_t id : {4294967295u, 1u, 3u}) p.bugs.at(p.bugs.count()).id = id;
    EXPECT_EQ(addBug(p, BugRecord{}), 3u);
    EXPECT_EQ(addBug(p, BugRecord{}), 4u);
    EXPECT_EQ(std::pair(p.bugs[3].id, p.bugs[4].id), std::pair(2u, 4u));
}

// The window's tests drive removing, moving and the rows in full, with
// every reference; here only what reaches past the ends.
TEST(Rows, OutOfRangeIndexesChangeNothing) {
    Package p = twoVersions();
    const Package before = p;
    for (auto [index, delta] : {std::pair{0, -1}, {0, 2}, {1, +1}, {5, -1}})
        EXPECT_FALSE(moveRecord(p, RecordKind::Versions, index, delta)) << index << delta;
    removeRecord(p, RecordKind::Versions, 2);
    removeRecord(p, RecordKind::Bugs, 0);
    EXPECT_EQ(p, before);
    EXPECT_EQ(rowSummary(p, RecordKind::Versions, 3) + rowLabel(p, RecordKind::Bugs, 0), "");
    EXPECT_EQ(recordCount(p, RecordKind::Bugs), 0u);  // reading past the end never grows
    EXPECT_EQ(std::pair(rowAfterRemove(9, 3), rowAfterRemove(0, 0)), std::pair(2, -1));
}

TEST(Choices, ListsInCollectionOrderAndLookupByIdIncludingHostileIds) {
    Package p = twoVersions();
    moveRecord(p, RecordKind::Versions, 1, -1);  // order: id 2, id 1
    VersionChoices vc = versionChoices(p);
    EXPECT_EQ(vc.ids, ids({2, 1}));
    EXPECT_EQ(vc.labels, (ByteStringList{"1.1 (2007-01-02)", "1.0 (2007-01-02)"}));
    const uint32_t positions[][2] = {{2, 0}, {1, 1}, {3, kNoLine}, {0, kNoLine}};
    for (const auto& c : positions) EXPECT_EQ(positionOfId(vc, c[0]), c[1]) << c[0];

    p.versions[0].id = 4294967295u;  // as a damaged file may hold
    vc = versionChoices(p);
    EXPECT_EQ(positionOfId(vc, 4294967295u), 0u);
    EXPECT_EQ(positionOfId(vc, 1), 1u);

    p.features[1].id = 1;  // a repeated id: the last record wins
    const FeatureChoices fc = featureChoices(p);
    EXPECT_EQ(fc.labels, (ByteStringList{"A", "B"}));
    EXPECT_EQ(positionOfId(fc, 1), 1u);
    EXPECT_EQ(positionOfId(featureChoices(Package{}), 1), kNoLine);
}

}  // namespace
}  // namespace orv

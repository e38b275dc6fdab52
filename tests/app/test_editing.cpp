#include <gtest/gtest.h>

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

FeatureRecord feature(const char* title, IdList versions) {
    FeatureRecord f;
    f.title = title;
    f.versions = std::move(versions);
    return f;
}

// Versions 1.0 (id 1) and 1.1 (id 2); features A [1, 2] and B [1].
Package twoVersions() {
    Package p;
    addVersion(p, version("1.0"), false);
    addVersion(p, version("1.1"), false);
    addFeature(p, feature("A", ids({1, 2})));
    addFeature(p, feature("B", ids({1})));
    return p;
}

TEST(Add, NewRecordsTakeTheNextIdAndGoLast) {
    Package p;
    EXPECT_FALSE(needsAssociationQuestion(p));
    VersionRecord v = version("1.0");
    v.id = 77;  // whatever the dialog left in it
    EXPECT_EQ(addVersion(p, v, true), 0u);
    EXPECT_EQ(p.versions[0].id, 1u);
    EXPECT_TRUE(needsAssociationQuestion(p));
    EXPECT_EQ(addFeature(p, feature("A", {})), 0u);
    EXPECT_EQ(addBug(p, BugRecord{}), 0u);
    EXPECT_EQ(addBug(p, BugRecord{}), 1u);
    EXPECT_EQ(p.bugs[1].id, 2u);
    EXPECT_EQ(p.features[0].id, 1u);
}

TEST(Add, AssociationFollowsTheLastVersionByPositionOnce) {
    Package p = twoVersions();
    addVersion(p, version("2.0"), true);
    EXPECT_EQ(p.versions[2].id, 3u);
    EXPECT_EQ(p.features[0].versions, ids({1, 2, 3}));
    EXPECT_EQ(p.features[1].versions, ids({1}));

    // After Move Up the last version is 1.0 (id 1): both features get id 3.
    Package q = twoVersions();
    ASSERT_TRUE(moveRecord(q, RecordKind::Versions, 1, -1));
    addVersion(q, version("2.0"), true);
    EXPECT_EQ(q.features[0].versions, ids({1, 2, 3}));
    EXPECT_EQ(q.features[1].versions, ids({1, 3}));

    // A feature that lists the last version twice gets the new id once.
    Package r = twoVersions();
    r.features[1].versions = ids({2, 2});
    addVersion(r, version("2.0"), true);
    EXPECT_EQ(r.features[1].versions, ids({2, 2, 3}));
}

TEST(Add, NoAssociationOnNoOrIntoAnEmptyPackage) {
    Package p = twoVersions();
    addVersion(p, version("2.0"), false);
    EXPECT_EQ(p.versions.count(), 3u);
    EXPECT_EQ(p.features[0].versions, ids({1, 2}));
    EXPECT_EQ(p.features[1].versions, ids({1}));

    Package empty;
    addFeature(empty, feature("A", ids({0})));  // a stray "none" is no version
    addVersion(empty, version("1.0"), true);
    EXPECT_EQ(empty.features[0].versions, ids({0}));
}

TEST(Remove, AVersionLeavesEveryReference) {
    Package p = twoVersions();
    addVersion(p, version("3.0"), false);
    p.versions[0].freeUpgrades = ids({2, 3, 2});
    p.versions[1].freeUpgrades = ids({2});  // the removed one's own list
    p.features[0].versions = ids({2, 1, 2, 3, 2});
    BugRecord b;
    b.introduced = 2;
    b.discovered = 2;
    b.fixed = 3;
    addBug(p, b);

    removeRecord(p, RecordKind::Versions, 1);  // id 2
    ASSERT_EQ(p.versions.count(), 2u);
    EXPECT_EQ(p.versions[0].id, 1u);
    EXPECT_EQ(p.versions[1].id, 3u);
    EXPECT_EQ(p.versions[0].freeUpgrades, ids({3}));
    EXPECT_EQ(p.features[0].versions, ids({1, 3}));
    EXPECT_EQ(p.features[1].versions, ids({1}));
    EXPECT_EQ(p.bugs[0].introduced, 0u);
    EXPECT_EQ(p.bugs[0].discovered, 0u);
    EXPECT_EQ(p.bugs[0].fixed, 3u);
}

TEST(Remove, AFeatureLeavesEveryBugAndABugLeavesTheRest) {
    Package p = twoVersions();
    BugRecord b;
    b.affectedFeatures = ids({2, 1, 2});
    addBug(p, b);
    addBug(p, b);
    removeRecord(p, RecordKind::Features, 1);  // id 2, listed twice
    ASSERT_EQ(p.features.count(), 1u);
    EXPECT_EQ(p.bugs[0].affectedFeatures, ids({1}));
    EXPECT_EQ(p.bugs[1].affectedFeatures, ids({1}));

    const Package before = p;
    removeRecord(p, RecordKind::Bugs, 0);
    ASSERT_EQ(p.bugs.count(), 1u);
    EXPECT_EQ(p.bugs[0].id, 2u);
    EXPECT_EQ(p.features, before.features);
    EXPECT_EQ(p.versions, before.versions);
}

TEST(Remove, OutOfRangeChangesNothing) {
    Package p = twoVersions();
    const Package before = p;
    removeRecord(p, RecordKind::Versions, 2);
    removeRecord(p, RecordKind::Bugs, 0);
    EXPECT_EQ(p, before);
}

TEST(Ids, RemovingTheLargestLetsItComeBackOtherGapsStay) {
    Package p;
    for (const char* v : {"1", "2", "3"}) addVersion(p, version(v), false);
    removeRecord(p, RecordKind::Versions, 2);  // id 3
    addVersion(p, version("new"), false);
    EXPECT_EQ(p.versions[2].id, 3u);
    removeRecord(p, RecordKind::Versions, 1);  // id 2
    addVersion(p, version("newer"), false);
    EXPECT_EQ(p.versions[2].id, 4u);
    for (const VersionRecord& v : p.versions) EXPECT_NE(v.id, 2u);
}

TEST(Ids, TheLargestPossibleIdNeverWrapsToNone) {
    Package p;
    for (uint32_t id : {4294967295u, 1u, 3u}) {
        BugRecord b;
        b.id = id;
        p.bugs.append(b);
    }
    addBug(p, BugRecord{});
    addBug(p, BugRecord{});
    EXPECT_EQ(p.bugs[3].id, 2u);
    EXPECT_EQ(p.bugs[4].id, 4u);
}

TEST(RowAfterRemove, FollowerElseNewLastElseNone) {
    EXPECT_EQ(rowAfterRemove(1, 2), 1);   // middle of three
    EXPECT_EQ(rowAfterRemove(2, 2), 1);   // last of three
    EXPECT_EQ(rowAfterRemove(0, 2), 0);   // first of three
    EXPECT_EQ(rowAfterRemove(0, 0), -1);  // the only row
    EXPECT_EQ(rowAfterRemove(9, 3), 2);
}

TEST(Move, ExchangesNeighboursAndKeepsEveryReference) {
    Package p = twoVersions();
    addVersion(p, version("3.0"), false);
    p.versions[2].freeUpgrades = ids({1});
    BugRecord b;
    b.fixed = 1;
    addBug(p, b);
    ASSERT_TRUE(moveRecord(p, RecordKind::Versions, 0, +1));
    EXPECT_EQ(rowLabel(p, RecordKind::Versions, 0), "1.1 (2007-01-02)");
    EXPECT_EQ(p.versions[1].id, 1u);
    EXPECT_EQ(p.versions[1].version, "1.0");
    // References are by id, so they still name 1.0.
    EXPECT_EQ(p.versions[2].freeUpgrades, ids({1}));
    EXPECT_EQ(p.features[0].versions, ids({1, 2}));
    EXPECT_EQ(p.bugs[0].fixed, 1u);

    ASSERT_TRUE(moveRecord(p, RecordKind::Features, 1, -1));
    EXPECT_EQ(p.features[0].title, "B");
    EXPECT_EQ(p.features[0].id, 2u);
}

TEST(Move, AtTheEndsOrWithOtherDeltasNothingChanges) {
    Package p = twoVersions();
    const Package before = p;
    EXPECT_FALSE(moveRecord(p, RecordKind::Versions, 0, -1));
    EXPECT_FALSE(moveRecord(p, RecordKind::Versions, 1, +1));
    EXPECT_FALSE(moveRecord(p, RecordKind::Versions, 5, -1));
    EXPECT_FALSE(moveRecord(p, RecordKind::Versions, 0, 2));
    EXPECT_FALSE(moveRecord(p, RecordKind::Bugs, 0, +1));
    EXPECT_EQ(p, before);
}

TEST(Rows, LabelsAndSummariesByKind) {
    Package p = twoVersions();
    BugRecord b;
    b.title = "Hang";
    addBug(p, b);
    EXPECT_EQ(recordCount(p, RecordKind::Versions), 2u);
    EXPECT_EQ(recordCount(p, RecordKind::Bugs), 1u);
    EXPECT_EQ(rowLabel(p, RecordKind::Features, 1), "B");
    EXPECT_EQ(rowLabel(p, RecordKind::Bugs, 0), "Hang (1 - Usability)");
    EXPECT_EQ(rowSummary(p, RecordKind::Features, 0), "Title: A\r\n\r\nDescription: ");
    EXPECT_EQ(rowSummary(p, RecordKind::Versions, 2), "");
    EXPECT_EQ(rowLabel(p, RecordKind::Bugs, 1), "");
    EXPECT_EQ(recordCount(p, RecordKind::Bugs), 1u);  // reading never grows
}

TEST(Choices, ListsInCollectionOrderAndLookupByIdIncludingHostileIds) {
    Package p = twoVersions();
    moveRecord(p, RecordKind::Versions, 1, -1);  // order: id 2, id 1
    VersionChoices vc = versionChoices(p);
    EXPECT_EQ(vc.ids, ids({2, 1}));
    EXPECT_EQ(vc.labels, (ByteStringList{"1.1 (2007-01-02)", "1.0 (2007-01-02)"}));
    EXPECT_EQ(vc.indexById[1], 1u);
    EXPECT_EQ(vc.indexById[2], 0u);
    EXPECT_EQ(positionOfId(vc, 2), 0u);
    EXPECT_EQ(positionOfId(vc, 1), 1u);
    EXPECT_EQ(positionOfId(vc, 3), UINT32_MAX);
    EXPECT_EQ(positionOfId(vc, 0), UINT32_MAX);

    p.versions[0].id = 4294967295u;  // as a damaged file may hold
    vc = versionChoices(p);
    EXPECT_TRUE(vc.indexById.empty());  // no 16 GiB table
    EXPECT_EQ(positionOfId(vc, 4294967295u), 0u);
    EXPECT_EQ(positionOfId(vc, 1), 1u);

    p.features[1].id = 1;  // a repeated id: the last record wins
    FeatureChoices fc = featureChoices(p);
    EXPECT_EQ(fc.titles, (ByteStringList{"A", "B"}));
    EXPECT_EQ(positionOfId(fc, 1), fc.indexById[1]);
    EXPECT_EQ(positionOfId(fc, 1), 1u);
    EXPECT_TRUE(positionOfId(featureChoices(Package{}), 1) == UINT32_MAX);
}

}  // namespace
}  // namespace orv

#include "package/model.h"

#include <gtest/gtest.h>

using namespace orv;

// Adding and removing records through their ids is app/editing's test;
// here the arrays' own rules.
TEST(PackageModel, PastTheEndWritesGrowReadsGiveDefaultsAndSelfAppendsAreSafe) {
    RecordArray<BugRecord> bugs;
    bugs.at(0).title = "bug";
    EXPECT_EQ(bugs.at(2), BugRecord());
    EXPECT_EQ(std::as_const(bugs)[7], BugRecord());  // a read never grows nor reads past the end
    EXPECT_EQ(bugs.count(), 3u);
    bugs.appendAll(bugs);
    EXPECT_EQ(bugs.count(), 6u);
    EXPECT_EQ(bugs[3].title, "bug");
    bugs.removeAt(4, 0xFFFFFFFFu);  // a range past the end never allocates it
    EXPECT_EQ(bugs.count(), 4u);
    bugs.swapItems(0, 9);  // grows first: the reference to element 0 must stay valid
    EXPECT_EQ(bugs[9].title, "bug");

    IdList ids = {1, 2, 3};
    for (int i = 0; i < 4; ++i) ids.appendAll(ids);  // across reallocations
    EXPECT_TRUE(ids.count() == 48 && ids[47] == 3);
    ids.removeAt(2, 100);
    EXPECT_EQ(std::as_const(ids)[2], 0u);
    EXPECT_EQ(ids, (IdList{1, 2}));

    // A bad index names no field: nothing real is read or written.
    CommonInfo info;
    info.techSupportEmail = "help@example.com";
    info.field(14) = "lost";
    EXPECT_EQ(std::as_const(info).field(14), "");
    EXPECT_EQ(info.techSupportEmail, "help@example.com");
}

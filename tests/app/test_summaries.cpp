#include <gtest/gtest.h>

#include "app/summaries.h"

namespace orv {
namespace {

VersionRecord version(const ByteString& text, const char* date) {
    VersionRecord v;
    v.version = text;
    v.releaseDate = date;
    return v;
}

TEST(ReleaseDatePart, DropsTheTimeOfDayAndNeverFailsOnShortTexts) {
    EXPECT_EQ(releaseDatePart("2007-05-14 00:00:00"), "2007-05-14");
    EXPECT_EQ(releaseDatePart(" 00:00:00"), "");   // exactly nine characters
    EXPECT_EQ(releaseDatePart("00:00:00"), "");    // shorter
    EXPECT_EQ(releaseDatePart(""), "");
    EXPECT_EQ(releaseDatePart("x 12:00:00"), "x");
}

TEST(Labels, VersionAndBugLabelsAreExact) {
    EXPECT_EQ(versionLabel(version("1.2", "2007-05-14 00:00:00")), "1.2 (2007-05-14)");
    EXPECT_EQ(versionLabel(version("", "2007-01-02 00:00:00")), " (2007-01-02)");
    EXPECT_EQ(versionLabel(version("9", "short")), "9 ()");

    BugRecord b;
    b.title = "T";
    EXPECT_EQ(bugLabel(b), "T (1 - Usability)");  // a default bug
    b.title = "Hang";
    b.severity = 4;
    b.type = "Crash";
    EXPECT_EQ(bugLabel(b), "Hang (4 - Crash)");
    b.severity = 0;  // only from a file
    EXPECT_EQ(bugLabel(b), "Hang (0 - Crash)");
    b.severity = 4294967295u;
    EXPECT_EQ(bugLabel(b), "Hang (4294967295 - Crash)");
}

TEST(VersionSummary, FourLinesWithTwoBlanksBeforeBytesAndAnOptionalScreenshot) {
    VersionRecord v = version("", "2007-01-02 00:00:00");
    v.thumbnail = "hidden";
    v.reservedText = "hidden";
    v.freeUpgrades.append(3);
    EXPECT_EQ(versionSummary(v),
              "Version: \r\nRelease Date: 2007-01-02\r\nLocation: \r\nFile Size:  Bytes\r\n");
    v.screenshot = "http://s/x.png";
    EXPECT_EQ(versionSummary(v),
              "Version: \r\nRelease Date: 2007-01-02\r\nLocation: \r\nFile Size:  Bytes\r\n"
              "Screenshot: http://s/x.png");

    VersionRecord full = version("2.0", "2010-12-31 00:00:00");
    full.location = "http://h/a b.zip";
    full.fileSize = "123456789012345678901";
    EXPECT_EQ(versionSummary(full), "Version: 2.0\r\nRelease Date: 2010-12-31\r\nLocation: http://h/a b.zip\r\n"
                                    "File Size: 123456789012345678901 Bytes\r\n");
}

TEST(FeatureSummary, KeepsTheDescriptionsLineBreaksAndEndsWithoutOne) {
    FeatureRecord f;
    f.title = "Sync";
    f.description = "line one\r\nline two";
    f.thumbnail = "hidden";
    EXPECT_EQ(featureSummary(f), "Title: Sync\r\n\r\nDescription: line one\r\nline two");
    f.screenshot = "s.png";
    EXPECT_EQ(featureSummary(f), "Title: Sync\r\n\r\nDescription: line one\r\nline two\r\n\r\nScreenshot: s.png");
    EXPECT_EQ(featureSummary(FeatureRecord{}), "Title: \r\n\r\nDescription: ");
}

TEST(BugSummary, FourLinesTheLastWithoutLineBreak) {
    BugRecord b;
    b.title = "T";
    b.introduced = 7;
    b.affectedFeatures.append(2);
    EXPECT_EQ(bugSummary(b), "Title: T\r\nDescription: \r\nSeverity: 1\r\nType: Usability");
    b.description = "a\r\nb";
    b.severity = 5;
    b.type = "Security";
    EXPECT_EQ(bugSummary(b), "Title: T\r\nDescription: a\r\nb\r\nSeverity: 5\r\nType: Security");
}

TEST(Summaries, BytesOfAnyValuePassThroughUnchanged) {
    VersionRecord v = version(ByteString("a\0b\xff", 4), "2007-01-02 00:00:00");
    EXPECT_EQ(versionLabel(v), ByteString("a\0b\xff (2007-01-02)", 17));
}

TEST(ListTexts, LabelsAndTitlesInCollectionOrderReplacingOldContent) {
    Package p;
    p.versions.append(version("1.0", "2007-01-01 00:00:00"));
    p.versions.append(version("1.1", "2008-02-03 00:00:00"));
    FeatureRecord f;
    f.title = "";
    p.features.append(f);
    f.title = "B";
    p.features.append(f);

    ByteStringList out = {"stale"};
    versionLabels(p, out);
    EXPECT_EQ(out, (ByteStringList{"1.0 (2007-01-01)", "1.1 (2008-02-03)"}));
    featureTitles(p, out);
    EXPECT_EQ(out, (ByteStringList{"", "B"}));
    featureTitles(Package{}, out);
    EXPECT_TRUE(out.empty());
}

}  // namespace
}  // namespace orv

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

TEST(Labels, VersionAndBugLabelsAreExactAndShortDatesNeverFail) {
    const std::pair<const char*, const char*> dates[] = {
        {"2007-05-14 00:00:00", "2007-05-14"}, {" 00:00:00", ""}, {"00:00:00", ""}, {"", ""}, {"x 12:00:00", "x"}};
    for (const auto& [in, out] : dates) EXPECT_EQ(releaseDatePart(in), out) << in;
    EXPECT_EQ(versionLabel(version("1.2", "2007-05-14 00:00:00")), "1.2 (2007-05-14)");
    EXPECT_EQ(versionLabel(version("", "2007-01-02 00:00:00")), " (2007-01-02)");
    EXPECT_EQ(versionLabel(version(ByteString("a\0b\xff", 4), "short")), ByteString("a\0b\xff ()", 7));

    BugRecord b;
    b.title = "T";
    EXPECT_EQ(bugLabel(b), "T (1 - Usability)");  // a default bug
    b.type = "Crash";
    // 0 and the largest come only from a file.
    for (const auto& [severity, label] : {std::pair{0u, "T (0 - Crash)"}, {4u, "T (4 - Crash)"},
                                          {4294967295u, "T (4294967295 - Crash)"}}) {
        b.severity = severity;
        EXPECT_EQ(bugLabel(b), label);
    }
}

TEST(Summaries, ByteForByteWithTwoBlanksBeforeBytesAndOptionalScreenshots) {
    VersionRecord v = version("", "2007-01-02 00:00:00");
    v.thumbnail = v.reservedText = "hidden";
    v.freeUpgrades.append(3);
    const ByteString versionText = "Version: \r\nRelease Date: 2007-01-02\r\nLocation: \r\nFile Size:  Bytes\r\n";
    EXPECT_EQ(versionSummary(v), versionText);
    v.screenshot = "http://s/x.png";
    EXPECT_EQ(versionSummary(v), versionText + "Screenshot: http://s/x.png");
    v = version("2.0", "2010-12-31 00:00:00");
    v.location = "http://h/a b.zip";
    v.fileSize = "123456789012345678901";
    EXPECT_EQ(versionSummary(v), "Version: 2.0\r\nRelease Date: 2010-12-31\r\nLocation: http://h/a b.zip\r\n"
                                 "File Size: 123456789012345678901 Bytes\r\n");

    FeatureRecord f;
    EXPECT_EQ(featureSummary(f), "Title: \r\n\r\nDescription: ");
    f.title = "Sync";
    f.description = "line one\r\nline two";
    f.thumbnail = "hidden";
    EXPECT_EQ(featureSummary(f), "Title: Sync\r\n\r\nDescription: line one\r\nline two");
    f.screenshot = "s.png";
    EXPECT_EQ(featureSummary(f), "Title: Sync\r\n\r\nDescription: line one\r\nline two\r\n\r\nScreenshot: s.png");

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

TEST(ListTexts, LabelsAndTitlesInCollectionOrderReplacingOldContent) {
    Package p;
    p.versions.append(version("1.0", "2007-01-01 00:00:00"));
    p.versions.append(version("1.1", "2008-02-03 00:00:00"));
    p.features.append(FeatureRecord{});
    ByteStringList out = {"stale"};
    versionLabels(p, out);
    EXPECT_EQ(out, (ByteStringList{"1.0 (2007-01-01)", "1.1 (2008-02-03)"}));
    featureTitles(p, out);
    EXPECT_EQ(out, (ByteStringList{""}));
    featureTitles(Package{}, out);
    EXPECT_TRUE(out.empty());
}

}  // namespace
}  // namespace orv

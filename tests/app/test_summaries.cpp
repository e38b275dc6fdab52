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
    EXPECT_EQ(versionLabel(version(ByteString("a\0b\xff", 4), "short")), ByteString("a\0b\xff ()", 7));

    BugRecord b;
    b.title = "T";
    EXPECT_EQ(bugLabel(b), "T (1 - Usability)");  // a default bug
    b.type = "Crash";
    b.severity = 4294967295u;  // only from a file
    EXPECT_EQ(bugLabel(b), "T (4294967295 - Crash)");
}

TEST(Summaries, ByteForByteWithTwoBlanksBeforeBytesAndOptionalScreenshots) {
    VersionRecord v = version("", "2007-01-02 00:00:00");
    v.thumbnail = v.reservedText = "hidden";
    v.freeUpgrades.append(3);
    const ByteString versionText = "Version: \r\nRelease Date: 2007-01-02\r\nLocation: \r\nFile Size:  Bytes\r\n";
    EXPECT_EQ(versionSummary(v), versionText);
    v.screenshot = "http://s/x.png";
    EXPECT_EQ(versionSummary(v), versionText + "Screenshot: http://s/x.png");

    FeatureRecord f;
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
    b.description = "a\r\nb";
    b.severity = 5;
    b.type = "Security";
    EXPECT_EQ(bugSummary(b), "Title: T\r\nDescription: a\r\nb\r\nSeverity: 5\r\nType: Security");
}

}  // namespace
}  // namespace orv

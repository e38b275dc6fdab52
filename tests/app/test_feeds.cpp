// The rules behind the feeds and the digest file: every version's release
// notes at once, what a feed states about each version, what it does with
// texts that do not fit, and the side file's shape.
#include <gtest/gtest.h>

#include <random>

#include "app/feed_text.h"
#include "app/release_notes.h"

namespace orv {
namespace {

bool operator==(const ReleaseNotes& a, const ReleaseNotes& b) {
    return a.newFeatures == b.newFeatures && a.fixedBugs == b.fixedBugs && a.knownIssues == b.knownIssues;
}

// Small ids, so references hit, miss, repeat and name 0 alike.
Package randomPackage(std::mt19937& rng) {
    Package p;
    auto id = [&] { return static_cast<uint32_t>(rng() % 7); };
    for (uint32_t i = rng() % 6; i > 0; --i) {
        VersionRecord v;
        v.id = id();
        p.versions.append(v);
    }
    for (uint32_t i = rng() % 6; i > 0; --i) {
        FeatureRecord f;
        for (uint32_t k = rng() % 4; k > 0; --k) f.versions.append(id());
        p.features.append(f);
    }
    for (uint32_t i = rng() % 8; i > 0; --i) {
        BugRecord b;
        b.severity = rng() % 6, b.introduced = id(), b.discovered = id(), b.fixed = id();
        p.bugs.append(b);
    }
    return p;
}

TEST(Feeds, AllReleaseNotesAtOnceAreEachVersionsOwn) {
    std::mt19937 rng(5);
    for (int round = 0; round < 3000; ++round) {
        const Package p = randomPackage(rng);
        const std::vector<ReleaseNotes> all = allReleaseNotes(p);
        ASSERT_EQ(all.size(), p.versions.count());
        for (uint32_t i = 0; i < p.versions.count(); ++i) ASSERT_TRUE(all[i] == releaseNotes(p, i)) << round << " " << i;
    }
}

// A package of four versions: 2.0 is free only from 1.2, 1.2 from 1.0 and
// 1.1, 1.1 from nothing; 1.1 fixes a Security bug and 2.0 one of severity 5.
Package history() {
    Package p;
    const char* texts[][3] = {{"1.0", "http://h/a.exe", "10"}, {"1.1", "http://h/a.dmg?x=1", "11"},
                              {"1.2", "https://h/a.AppImage", "x"}, {"2.0", "http://h/a.zip", "13"}};
    for (uint32_t i = 0; i < 4; ++i) {
        VersionRecord v;
        v.id = i + 1, v.version = texts[i][0], v.location = texts[i][1], v.fileSize = texts[i][2];
        v.releaseDate = ByteString("2007-05-1" + std::to_string(i) + " 00:00:00");
        p.versions.append(v);
    }
    p.versions[2].freeUpgrades = {1, 2};
    p.versions[3].freeUpgrades = {3, 1};
    BugRecord security, crash;
    security.type = "security", security.fixed = 2;
    crash.severity = 5, crash.fixed = 4;
    p.bugs = {security, crash};
    return p;
}

TEST(Feeds, WhatAFeedStatesAboutEachVersion) {
    const Package p = history();
    DigestFile digests;
    digests["http://h/a.zip"].size = 99;
    TextCodec codec;
    ASSERT_TRUE(codec.open("UTF-8"));
    std::vector<FeedWarning> warnings;
    feed::Texts texts(codec, warnings);
    const auto facts = feed::versionFacts(p, allReleaseNotes(p), digests, FeedOs::Guess, texts);
    const struct {
        const char* freeFrom;
        bool critical;
        FeedOs os;
        std::optional<uint64_t> size;
    } expected[] = {{"", false, FeedOs::Windows, 10},
                    {"1.1", true, FeedOs::MacOS, 11},
                    {"", false, FeedOs::Linux, std::nullopt},
                    {"1.2", true, FeedOs::Guess, 99}};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(facts[i].freeFrom, expected[i].freeFrom) << i;
        EXPECT_EQ(facts[i].critical, expected[i].critical) << i;
        EXPECT_EQ(facts[i].os, expected[i].os) << i;
        EXPECT_EQ(facts[i].size, expected[i].size) << i;
    }
    EXPECT_EQ(facts[3].digest, &digests["http://h/a.zip"]);
    EXPECT_EQ(feed::rfc822Date(*facts[0].released), "Thu, 10 May 2007 00:00:00 +0000");
    ASSERT_EQ(warnings.size(), 1u);  // the digest's size wins over the package's
    const FeedWarning expected4{{Subject::Version, 3, 4, "2.0", "fileSize"},
                                "the package says 13 bytes, the digest 99; the digest's size is used"};
    EXPECT_EQ(warnings[0], expected4);
}

TEST(Feeds, TextsThatDoNotFitAreMadeFitWithAWarningNamingTheField) {
    TextCodec codec;
    ASSERT_TRUE(codec.open("UTF-8"));
    std::vector<FeedWarning> warnings;
    feed::Texts texts(codec, warnings);
    const FeedField bug1{Subject::Bug, 0, 7, "x", "title"}, bug2{Subject::Bug, 1, 8, "y", "title"};
    const FeedField product{Subject::Common, 0, 0, {}, "product"}, company{Subject::Common, 0, 0, {}, "company"};
    EXPECT_EQ(texts.text(ByteString("a\xFF" "b\xC3\xA9", 5), bug1), "a\xEF\xBF\xBD" "b\xC3\xA9");
    EXPECT_EQ(texts.text(ByteString("x\0y\x1B]0;\x07<]]>\xEF\xBF\xBE", 15), product), "xy]0;<]]>");
    EXPECT_EQ(texts.link("http://h/a b\xE9\x01"), "http://h/a%20b%E9%01");
    // Past U+10FFFF: the C library's decoder lets it through, XML does not.
    EXPECT_EQ(texts.text("\xF4\x94\x9A\x9A", bug2), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(texts.line("alpha\r\nbeta gamma", 12, company), "alpha beta");
    const std::vector<FeedWarning> expected = {{bug1, "bytes that are not UTF-8 were replaced by U+FFFD"},
                                               {product, "control characters that XML cannot carry were dropped"},
                                               {bug2, "bytes that are not UTF-8 were replaced by U+FFFD"},
                                               {company, "shortened to 12 characters"}};
    EXPECT_EQ(warnings, expected);
    std::string s = "\xC3\xA9\xC3\xA9\xC3\xA9";  // cut by characters, never inside one
    EXPECT_TRUE(feed::cutToCharacters(s, 2));
    EXPECT_EQ(s, "\xC3\xA9\xC3\xA9");
}

TEST(Feeds, TheDigestFileRoundTripsAndRefusesWhatIsNotOne) {
    DigestFile digests;
    DownloadDigest& d = digests[digestKey("http://h/\xE9 x")];
    d.size = 5, d.sha256 = std::string(64, 'a'), d.sha512 = std::string(128, 'b');
    d.etag = headerText("\"e\xFF\""), d.edSignature = "c2ln";
    DigestFile back;
    std::string error;
    ASSERT_TRUE(digestsFromJson(digestsToJson(digests), back, error)) << error;
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back.begin()->first, "http://h/%E9%20x");
    EXPECT_EQ(back.begin()->second.etag, "\"e%FF\"");
    EXPECT_EQ(compareDigests(back.begin()->second, d), DigestChange::None);

    const std::string head = R"({"format": {"name": "orvantis-digests", "version": 1}, "downloads": )";
    const std::string hashes = "\"sha256\": \"" + std::string(64, 'a') + "\", \"sha512\": \"" + std::string(128, 'b') + "\"";
    const std::pair<std::string, const char*> bad[] = {
        {"[", "not JSON"},
        {R"({"format": {"name": "x", "version": 1}, "downloads": {}})", "at .format"},
        {head + R"({"u": {"size": -1, )" + hashes + "}}}", "size: expected a whole number"},
        {head + R"({"u": {"size": 1, "sha256": "AB", "sha512": ""}}})", "sha256: expected 64"},
        {head + R"({"u": {"size": 1, "colour": "red", )" + hashes + "}}}", "unknown member \"colour\""},
        {head + R"({"u": {"size": [[[[[[1]]]]]], )" + hashes + "}}}", "size: expected a whole number"},
        {head + std::string(100000, '[') + "}", "not JSON"},
        {head + "{\"u\": " + std::string(100000, '[') + std::string(100000, ']') + "}}", "expected an object"},
    };
    for (const auto& [json, problem] : bad) {
        EXPECT_FALSE(digestsFromJson(json, back, error)) << json.substr(0, 80);
        EXPECT_NE(error.find(problem), std::string::npos) << json.substr(0, 80) << " gave " << error;
    }
}

TEST(Feeds, ASignatureOutlivesAnUnsignedDigestOfTheSameBytesOnly) {
    DownloadDigest recorded, fresh;
    recorded.size = fresh.size = 5, recorded.sha256 = fresh.sha256 = "h", recorded.edSignature = "sig";
    EXPECT_TRUE(recordDigest(recorded, fresh));
    EXPECT_EQ(recorded.edSignature, "sig");
    fresh.sha256 = "other";
    EXPECT_FALSE(recordDigest(recorded, fresh));
    EXPECT_EQ(recorded.edSignature, "");
}

TEST(Feeds, WhatASizeAnswerSaysHasChangedSinceTheDigest) {
    DownloadDigest recorded;
    recorded.size = 77, recorded.etag = "W/\"v1\"", recorded.lastModified = "Mon, 01 Jan 2024 00:00:00 GMT";
    DownloadSizeResult answer;
    answer.ok = true, answer.size = "0077", answer.etag = "\"v1\"";  // no Last-Modified: not compared
    EXPECT_EQ(changesSinceDigest(recorded, answer), "");
    answer.size = "78", answer.etag = "\"v2\"", answer.lastModified = "Tue, 02 Jan 2024 00:00:00 GMT";
    EXPECT_EQ(changesSinceDigest(recorded, answer),
              "size was 77, now 78; ETag was W/\"v1\", now \"v2\"; "
              "Last-Modified was Mon, 01 Jan 2024 00:00:00 GMT, now Tue, 02 Jan 2024 00:00:00 GMT");
}

}  // namespace
}  // namespace orv

#include "package/format.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstring>
#include <random>

#include "support/numbers.h"

using namespace orv;

namespace {

ByteString bytes(std::initializer_list<int> values) {
    ByteString out;
    for (int v : values) out.append(static_cast<char>(v));
    return out;
}

ByteString be32(uint32_t n) { return bytes({int(n >> 24), int((n >> 16) & 0xFF), int((n >> 8) & 0xFF), int(n & 0xFF)}); }

ByteString entry(const ByteString& content) { return be32(content.length()) + content; }

// Random packages: texts with NUL, CR LF and high bytes, now and then long
// enough to leave the inline storage; ids in any order, lists long enough
// to share the reader's id blocks; odd bug types and severities.
Package randomPackage(std::mt19937& rng) {
    auto below = [&](uint32_t n) { return static_cast<uint32_t>(rng() % n); };
    auto text = [&] {
        static const ByteString kPieces[] = {"a", "\r\n", ByteString(1u, '\0'), "\xE9\xFF", "http://x.example/"};
        ByteString t;
        for (uint32_t n = below(4) == 0 ? below(40) : below(6); n > 0; --n) t.append(kPieces[below(5)]);
        return t;
    };
    auto number = [&] { return below(3) == 0 ? 4294967295u * below(2) : below(1000); };
    auto ids = [&] {
        IdList l;
        for (uint32_t i = below(7); i > 0; --i) l.append(number());
        return l;
    };
    Package p;
    for (uint32_t i = 0; i < CommonInfo::kFieldCount; ++i) p.common.field(i) = text();
    for (uint32_t i = below(5); i > 0; --i)
        p.versions.append({number(), text(), text(), text(), text(), text(), text(), text(), ids(), number()});
    for (uint32_t i = below(5); i > 0; --i) p.features.append({number(), text(), text(), text(), text(), ids()});
    for (uint32_t i = below(5); i > 0; --i)
        p.bugs.append({number(), text(), text(), number(), text(), number(), number(), number(), ids()});
    return p;
}

// A package whose every field differs from what any test file holds.
Package filledPackage() {
    Package p;
    for (uint32_t i = 0; i < CommonInfo::kFieldCount; ++i) p.common.field(i) = "previous " + textFromU32(i);
    for (uint32_t i = 0; i < 6; ++i) {
        p.versions.append({101 + i, "old", "", "", "", "", "", "", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 7});
        p.features.at(i).id = 201 + i;
        p.bugs.at(i).id = 301 + i;
    }
    return p;
}

Package samplePackage() {
    Package p;
    p.common.company = "Northwind";
    p.common.productDescription = ByteString("two\r\nlines\0with NUL", 19);
    for (uint32_t id : {3u, 1u, 2u})
        p.versions.append({id, "", "", "http://www.example.com/setup.exe", "", "", "", "", {id == 1 ? 3u : 1u}});
    p.features.at(0) = {1, "Backup", "Copies\r\nfiles", "", "", {1, 2, 3}};
    p.bugs.at(0) = {7, "Hangs", "", 9, "Cosmic rays", 1, 0, 3, {1}};
    return p;
}

ByteString fileOf(const Package& p) {
    ByteString out;
    EXPECT_TRUE(writePackage(p, out));
    return out;
}

const ByteString kHead = bytes({1}) + entry("Velmorandistrix") + entry("1") + entry(bytes({1}));

}  // namespace

TEST(PackageFile, EmptyPackageIsTheHundredAndOneByteFile) {
    ByteString expected = bytes({1}) + entry("Velmorandistrix") + entry("1");
    expected += be32(57) + bytes({1}) + ByteString(56, '\0');
    for (int i = 0; i < 3; ++i) expected += bytes({0, 0, 0, 1, 1});
    ByteString out = "junk that must go";
    EXPECT_TRUE(writePackage(Package(), out) && out == expected);

    // Reading it into a fuller package leaves only the file's records.
    Package p = filledPackage();
    EXPECT_TRUE(readPackage(p, out) && p == Package());
    p = filledPackage();
    ASSERT_TRUE(readPackage(p, fileOf(samplePackage())));
    EXPECT_EQ(p, samplePackage());
}

TEST(PackageFile, VersionRecordIsTheSixtySevenByteList) {
    Package p;
    p.versions.append({1, "1.0", "", "", "", "", "", "2024-05-17 00:00:00", {}});
    ByteString record = bytes({1}) + entry("1") + entry("1.0") + ByteString(20, '\0');
    record += entry("2024-05-17 00:00:00") + entry(bytes({1})) + entry("30");
    ASSERT_EQ(record.length(), 67u);
    const ByteString out = fileOf(p);
    const ByteString versions = be32(4 + 67 + 1) + bytes({1}) + be32(67) + record;
    EXPECT_EQ(out.Mid(86, versions.length()), versions);
    EXPECT_EQ(out.length(), 101u + 4 + 67);
}

TEST(PackageFile, RandomPackagesRoundTripAndTheReadTextsStayTheirsAfterTheFileIsGone) {
    std::mt19937 rng(2024);
    for (int round = 0; round < 300; ++round) {
        const Package p = randomPackage(rng);
        Package back = filledPackage();
        {
            ByteString file = fileOf(p);
            ASSERT_TRUE(readPackage(back, file));
            std::memset(file.data(), 0, file.length());  // the texts share these bytes: writing must not reach them
        }
        ASSERT_EQ(back, p) << "round " << round;
    }
}

TEST(PackageFile, OnlyTheExactSignatureIsAPackageAndAnyVersionReadsAlike) {
    const ByteString good = fileOf(samplePackage());
    const Package before = filledPackage();
    Package p = before;
    for (const char* wrong : {"velmorandistrix", "Velmorandistrixx"})
        EXPECT_FALSE(readPackage(p, bytes({1}) + entry(wrong) + good.Mid(20))) << wrong;
    EXPECT_FALSE(readPackage(p, bytes({0}) + good.Mid(1)) || readPackage(p, ""));  // a list of pairs gives no entry
    EXPECT_EQ(p, before);

    // Any non-zero kind byte opens the file's list; any format version reads alike.
    for (const ByteString& file : {bytes({0x42}) + good.Mid(1), good.Left(20) + entry("banana") + good.Mid(25)}) {
        p = before;
        EXPECT_TRUE(readPackage(p, file) && p == samplePackage());
    }
}

TEST(PackageFile, TruncatedFilesKeepTheMissingTextsAndStartRecordsFromDefaults) {
    const ByteString file = fileOf(samplePackage());
    for (uint32_t n = 0; n <= file.length(); ++n) {
        Package p = filledPackage();
        PackageReadReport report;
        ASSERT_EQ(readPackage(p, file.Left(n), &report), n >= 20) << n;
        ASSERT_TRUE(n >= 20 || p == filledPackage()) << n;
        // Every cut is told, wherever it falls; only the whole file is whole.
        ASSERT_TRUE(n < 20 || (report.endedEarly == (n < file.length()) && report.trailingBytes == 0)) << n;
        // As the fuzzer checks: what is read writes back to a file that reads
        // the same and writes to the same bytes again.
        const ByteString again = fileOf(p);
        Package back;
        ASSERT_TRUE(readPackage(back, again) && back == p && fileOf(back) == again) << n;
    }

    PackageReadReport padded;
    Package whole;
    ASSERT_TRUE(readPackage(whole, file + "tail", &padded));
    EXPECT_TRUE(!padded.endedEarly && padded.trailingBytes == 4 && whole == samplePackage());

    // Cut three bytes into productDescription: the texts before the cut are
    // the file's, the one at the cut is shortened, those after it keep their
    // previous values, and the collections are empty.
    Package p = filledPackage();
    ASSERT_TRUE(readPackage(p, file.Left(30 + 13 + 4 + 4 + 4 + 3)));
    EXPECT_EQ(p.common.company + "|" + p.common.productLink + "|" + p.common.productDescription, "Northwind||two");
    EXPECT_EQ(p.common.upsellLink, filledPackage().common.upsellLink);
    EXPECT_TRUE(p.versions.empty() && p.features.empty() && p.bugs.empty());

    // A record whose list ends early keeps the defaults of what is missing.
    ASSERT_TRUE(readPackage(p, kHead + entry(bytes({1}) + entry(bytes({1}) + entry("5") + entry("5.0")))));
    EXPECT_EQ(p.versions, (RecordArray<VersionRecord>{{5, "5.0", "", "", "", "", "", "", {}}}));
}

TEST(PackageFile, HostileListsStayWithinTheMemoryBudget) {
    // A versions list of pairs: one default record per pair, none readable.
    // Lengths that wrap round 2^32 end the list instead of multiplying it.
    const ByteString wrapped = bytes({1}) + be32(0) + be32(0xFFFFFFFFu) + ByteString(64, '\0');
    Package p = filledPackage();
    ASSERT_TRUE(readPackage(p, kHead + entry(bytes({0}) + ByteString(24, '\0')) + entry(wrapped)));
    EXPECT_EQ(p.versions, (RecordArray<VersionRecord>{{}, {}, {}}));
    EXPECT_EQ(p.features, (RecordArray<FeatureRecord>{{}, {}}));

    // Each empty 4-byte entry is a whole default record: a few fit the
    // budget, a file made of nothing else does not and changes nothing, in
    // a small list and in one large enough to be read without counting it
    // first. Records of some content do fit: 250,000 features in 10 MB.
    ByteString features = bytes({1}), feature = entry(bytes({1}) + entry("7") + entry(ByteString(30, 't')));
    features.writeRepeated(1, feature, 250000);
    for (const auto& [list, records] : {std::pair{bytes({1}) + ByteString(4000, '\0'), 1000u},
                                        {bytes({1}) + ByteString(4 * 2200000, '\0'), 0u}, {features, 250000u}}) {
        p = filledPackage();
        const ByteString file = kHead + (list == features ? entry(bytes({1})) : ByteString()) + entry(list);
        ASSERT_EQ(readPackage(p, file), records > 0) << records;
        EXPECT_EQ(p.versions.count() + p.features.count(), records > 0 ? records : 12u);
    }
    EXPECT_EQ(p.features[249999].title, ByteString(30, 't'));
}

#ifndef _WIN32  // a memory limit for one child process is POSIX's
TEST(PackageFile, RunningOutOfMemoryFailsTheReadAndChangesNothing) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "address space limits and the sanitizer's shadow memory do not mix";
#endif
    // Within the budget (a long text pays for the records) but beyond the
    // 64 MiB of memory that the reading child gets.
    const ByteString empties = bytes({1}) + ByteString(4 * 300000, '\0');
    const ByteString file = kHead.Left(25) + entry(bytes({1}) + entry(ByteString(4u << 20, 'x'))) + entry(empties);
    const pid_t child = fork();
    if (child == 0) {
        Package p = filledPackage();
        const rlimit limit{64u << 20, 64u << 20};  // private memory: heap and mapped blocks alike
        _exit(setrlimit(RLIMIT_DATA, &limit) == 0 && !readPackage(p, file) && p == filledPackage() ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    Package p;  // and with the memory there, the same file reads
    EXPECT_TRUE(readPackage(p, file) && p.versions.count() == 300000u);
}
#endif

TEST(PackageFile, AFileBeyondFourGibibytesIsRefused) {
    // 4,100 versions share one 1 MiB text (no copies): 4.3 GB of file.
    const ByteString big(1u << 20, 'x');
    Package p;
    for (uint32_t i = 0; i < 4100; ++i) p.versions.at(i).location = big.share(0, big.length());
    ByteString out = "previous";
    EXPECT_FALSE(writePackage(p, out));
    EXPECT_TRUE(out.empty());
}

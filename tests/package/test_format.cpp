#include "package/format.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
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
        static const ByteString kPieces[] = {"a", "Z9", "\r\n", ByteString(1u, '\0'), "\xE9\xFF", " ",
                                             "http://x.example/", "Cosmic rays"};
        ByteString t;
        for (uint32_t n = below(4) == 0 ? below(40) : below(6); n > 0; --n) t.append(kPieces[below(8)]);
        return t;
    };
    auto number = [&] {
        const uint32_t k = below(4);
        return k == 0 ? 0 : k == 1 ? 4294967295u : below(1000);
    };
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
        p.versions.at(i).id = 101 + i;
        p.versions.at(i).freeUpgrades = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
        p.features.at(i).id = 201 + i;
        p.bugs.at(i).id = 301 + i;
    }
    return p;
}

Package samplePackage() {
    Package p;
    p.common.company = "Northwind";
    p.common.productDescription = ByteString("two\r\nlines\0with NUL", 19);
    for (uint32_t id : {3u, 1u, 2u}) {
        VersionRecord& v = p.versions.at(p.versions.count());
        v.id = id;
        v.location = "http://www.example.com/setup.exe";
        v.freeUpgrades.append(id == 1 ? 3 : 1);
    }
    p.features.at(0) = {1, "Backup", "Copies\r\nfiles", "", "", {1, 2, 3}};
    p.bugs.at(0) = {7, "Hangs", "", 9, "Cosmic rays", 1, 0, 3, {1}};
    return p;
}

ByteString fileOf(const Package& p) {
    ByteString out;
    EXPECT_TRUE(writePackage(p, out));
    return out;
}

// What the fuzzer checks: whatever is read writes back to a file that reads
// as an equal package and writes to the same bytes again.
void expectStableRoundTrip(const Package& read) {
    const ByteString written = fileOf(read);
    Package again = filledPackage();
    ASSERT_TRUE(readPackage(again, written));
    ASSERT_EQ(again, read);
    ASSERT_EQ(fileOf(again), written);
}

const ByteString kHead = bytes({1}) + entry("Velmorandistrix") + entry("1") + entry(bytes({1}));

}  // namespace

TEST(PackageFile, EmptyPackageIsTheHundredAndOneByteFile) {
    ByteString expected = bytes({1}) + entry("Velmorandistrix") + entry("1");
    expected += be32(57) + bytes({1}) + ByteString(56, '\0');
    for (int i = 0; i < 3; ++i) expected += bytes({0, 0, 0, 1, 1});
    ByteString out = "junk that must go";
    EXPECT_TRUE(writePackage(Package(), out));
    EXPECT_EQ(out, expected);

    // Reading it into a fuller package leaves only the file's records.
    Package p = filledPackage();
    EXPECT_TRUE(readPackage(p, out));
    EXPECT_EQ(p, Package());
    p = filledPackage();
    ASSERT_TRUE(readPackage(p, fileOf(samplePackage())));
    EXPECT_EQ(p, samplePackage());
}

TEST(PackageFile, VersionRecordIsTheSixtySevenByteList) {
    Package p;
    VersionRecord& v = p.versions.at(0);
    v.id = 1;
    v.version = "1.0";
    v.releaseDate = "2024-05-17 00:00:00";
    ByteString record = bytes({1}) + entry("1") + entry("1.0");
    for (int i = 0; i < 5; ++i) record += be32(0);
    record += entry(v.releaseDate) + entry(bytes({1})) + entry("30");
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
    for (const char* wrong : {"velmorandistrix", "VELMORANDISTRIX", "Velmorandistri", "Velmorandistrixx"})
        EXPECT_FALSE(readPackage(p, bytes({1}) + entry(wrong) + good.Mid(20))) << wrong;
    EXPECT_FALSE(readPackage(p, bytes({0}) + good.Mid(1)));  // a list of pairs gives no entry
    EXPECT_EQ(p, before);

    // Any non-zero kind byte opens the file's list; any format version reads alike.
    EXPECT_TRUE(readPackage(p, bytes({0x42}) + good.Mid(1)));
    EXPECT_EQ(p, samplePackage());
    for (const char* version : {"2", "", "1.5", "banana", "4294967296"}) {
        p = before;
        EXPECT_TRUE(readPackage(p, good.Left(20) + entry(version) + good.Mid(25))) << version;
        EXPECT_EQ(p, samplePackage()) << version;
    }
}

TEST(PackageFile, TruncatedFilesKeepTheMissingTextsAndStartRecordsFromDefaults) {
    const ByteString file = fileOf(samplePackage());
    for (uint32_t n = 0; n <= file.length(); ++n) {
        Package p = filledPackage();
        ASSERT_EQ(readPackage(p, file.Left(n)), n >= 20) << n;
        if (n < 20) ASSERT_EQ(p, filledPackage()) << n;
        ASSERT_LE(p.versions.count(), 6u);
        expectStableRoundTrip(p);
    }

    // Cut three bytes into productDescription: the texts before the cut are
    // the file's, the one at the cut is shortened, those after it keep their
    // previous values, and the collections are empty.
    Package p = filledPackage();
    ASSERT_TRUE(readPackage(p, file.Left(30 + 13 + 4 + 4 + 4 + 3)));
    EXPECT_EQ(p.common.company, "Northwind");
    EXPECT_EQ(p.common.productLink, "");
    EXPECT_EQ(p.common.productDescription, "two");
    EXPECT_EQ(p.common.upsellLink, filledPackage().common.upsellLink);
    EXPECT_TRUE(p.versions.empty() && p.features.empty() && p.bugs.empty());

    // A record whose list ends early keeps the defaults of what is missing.
    ByteString version = bytes({1}) + entry("5") + entry("5.0");
    ASSERT_TRUE(readPackage(p, kHead + entry(bytes({1}) + entry(version))));
    VersionRecord expected;
    expected.id = 5;
    expected.version = "5.0";
    EXPECT_EQ(p.versions[0], expected);
}

TEST(PackageFile, DamagedFilesReadBackStably) {
    std::mt19937 rng(99);
    for (int round = 0; round < 2000; ++round) {
        ByteString file = fileOf(randomPackage(rng));
        // Flip, drop or insert a few bytes, favouring the length fields'
        // small values so that lengths and counts go wrong in every way.
        for (uint32_t k = 1 + rng() % 4; k > 0 && file.length() > 20; --k) {
            const uint32_t at = 20 + rng() % (file.length() - 20);
            const char value = static_cast<char>(rng() % 3 == 0 ? rng() % 256 : rng() % 8);
            switch (rng() % 3) {
                case 0: file[at] = value; break;
                case 1: file.remove(at, 1 + rng() % 6); break;
                default: file.insert(at, ByteString(value)); break;
            }
        }
        Package p = filledPackage();
        ASSERT_TRUE(readPackage(p, file));
        expectStableRoundTrip(p);
    }
}

TEST(PackageFile, HostileListsStayWithinTheMemoryBudget) {
    // A versions list of pairs: one default record per pair, none readable.
    ByteString pairs = bytes({0});
    for (int i = 0; i < 6; ++i) pairs += be32(0);
    Package p = filledPackage();
    ASSERT_TRUE(readPackage(p, kHead + entry(pairs)));
    ASSERT_EQ(p.versions.count(), 3u);
    EXPECT_EQ(p.versions[2], VersionRecord());
    EXPECT_TRUE(p.features.empty());

    // Lengths that wrap round 2^32 end the list instead of multiplying it.
    ByteString wrapped = bytes({1}) + be32(0) + be32(0xFFFFFFFFu) + ByteString(64, '\0');
    ASSERT_TRUE(readPackage(p, kHead + entry(wrapped) + entry(wrapped)));
    EXPECT_EQ(p.versions.count(), 2u);
    EXPECT_EQ(p.features[1], FeatureRecord());

    // Each empty 4-byte entry is a whole default record: a few fit the
    // budget, a file made of nothing else does not and changes nothing.
    for (uint32_t entries : {1000u, 100000u}) {
        ByteString empties = bytes({1});
        for (uint32_t i = 0; i < entries; ++i) empties += be32(0);
        p = filledPackage();
        const bool fits = entries * sizeof(VersionRecord) < (kReadMemoryFactor - 1) * 4 * entries + (1u << 20);
        ASSERT_EQ(readPackage(p, kHead + entry(empties)), fits) << entries;
        EXPECT_EQ(p.versions.count(), fits ? entries : 6u);
    }
}

TEST(PackageFile, RunningOutOfMemoryFailsTheReadAndChangesNothing) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "address space limits and the sanitizer's shadow memory do not mix";
#endif
    // Within the budget (a long text pays for the records) but beyond the
    // 64 MiB more address space that the reading child gets.
    ByteString empties = bytes({1});
    empties.append(ByteString(4 * 300000, '\0'));
    const ByteString file = kHead.Left(25) + entry(bytes({1}) + entry(ByteString(4u << 20, 'x'))) + entry(empties);
    const pid_t child = fork();
    if (child == 0) {
        Package p = filledPackage();
        unsigned long pages = 0;
        FILE* statm = std::fopen("/proc/self/statm", "r");
        const bool known = statm && std::fscanf(statm, "%lu", &pages) == 1;
        const rlim_t size = pages * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (64u << 20);
        const rlimit limit{size, size};
        const bool limited = known && setrlimit(RLIMIT_AS, &limit) == 0;
        _exit(limited && !readPackage(p, file) && p == filledPackage() ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    Package p;  // and with the memory there, the same file reads
    EXPECT_TRUE(readPackage(p, file));
    EXPECT_EQ(p.versions.count(), 300000u);
}

TEST(PackageFile, AFileBeyondFourGibibytesIsRefused) {
    // 4,100 versions share one 1 MiB text (no copies): 4.3 GB of file.
    const ByteString big(1u << 20, 'x');
    Package p;
    for (uint32_t i = 0; i < 4100; ++i) p.versions.at(i).location = big.share(0, big.length());
    ByteString out = "previous";
    EXPECT_FALSE(writePackage(p, out));
    EXPECT_TRUE(out.empty());
}

#include "package/format.h"

#include <gtest/gtest.h>

#include <random>

#include "package/stream.h"
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

// Each record's fields in file order, shared by the reference reader and
// writer and the generator of random packages.
template <typename V>
void visit(V& v, VersionRecord& r) {
    v.number(r.id);
    for (ByteString* t : {&r.version, &r.reservedText, &r.location, &r.fileSize, &r.screenshot, &r.thumbnail,
                          &r.releaseDate})
        v.text(*t);
    v.ids(r.freeUpgrades);
    v.number(r.freeUpgradeDays);
}
template <typename V>
void visit(V& v, FeatureRecord& r) {
    v.number(r.id);
    for (ByteString* t : {&r.title, &r.description, &r.screenshot, &r.thumbnail}) v.text(*t);
    v.ids(r.versions);
}
template <typename V>
void visit(V& v, BugRecord& r) {
    v.number(r.id);
    v.text(r.title);
    v.text(r.description);
    v.number(r.severity);
    v.text(r.type);
    for (uint32_t* n : {&r.introduced, &r.discovered, &r.fixed}) v.number(*n);
    v.ids(r.affectedFeatures);
}

// A reader built literally on PackStream, one stream per nested list: the
// slow reference the fast paths must match.
struct ListIn {
    PackStream s;
    explicit ListIn(const ByteString& list) { s.beginRead(list); }
    void text(ByteString& t) { s.readEntry(t); }
    void number(uint32_t& v) {
        ByteString t;
        if (s.readEntry(t)) v = parseU32(t);
    }
    void ids(IdList& ids) { list(ids); }
    void item(uint32_t& v, const ByteString& e) { v = parseU32(e); }
    template <typename R>
    void item(R& record, const ByteString& e) {
        ListIn fields(e);
        visit(fields, record);
    }
    // A missing list leaves no items; one item per counted entry, each
    // starting as a default.
    template <typename T>
    void list(GrowArray<T>& items) {
        items = GrowArray<T>();
        ByteString l, e;
        if (!s.readEntry(l)) return;
        const uint32_t n = countEntries(l);
        items.setCount(n);
        ListIn entries(l);
        for (uint32_t i = 0; i < n && entries.s.readEntry(e); ++i) item(items[i], e);
    }
};

bool referenceRead(Package& p, const ByteString& content) {
    ListIn file(content);
    ByteString signature, common;
    if (!file.s.readEntry(signature) || signature != kPackageSignature) return false;
    file.s.readEntry(signature);  // the format version does not matter
    if (file.s.readEntry(common)) {
        ListIn c(common);
        for (uint32_t i = 0; i < CommonInfo::kFieldCount; ++i) c.text(p.common.field(i));
    }
    file.list(p.versions);
    file.list(p.features);
    file.list(p.bugs);
    return true;
}

// Random packages: texts with NUL, CR LF and high bytes, now and then long
// enough to leave the inline storage; ids in any order; odd bug types;
// severity 9.
class Generator {
public:
    explicit Generator(uint32_t seed) : rng_(seed) {}
    uint32_t below(uint32_t n) { return n == 0 ? 0 : static_cast<uint32_t>(rng_() % n); }

    void text(ByteString& t) {
        static const ByteString kPieces[] = {"a",  "Z9", "\r\n", ByteString(1u, '\0'), "\xE9\xFF",
                                             " ", "http://x.example/", "1.0"};
        for (uint32_t n = below(4) == 0 ? below(40) : below(6); n > 0; --n) t.append(kPieces[below(8)]);
    }
    void number(uint32_t& v) {
        const uint32_t k = below(4);
        v = k == 0 ? 0 : k == 1 ? 4294967295u : below(1000);
    }
    void ids(IdList& l) {
        for (uint32_t i = below(5); i > 0; --i) number(l.at(l.count()));
    }
    template <typename R>
    void collection(RecordArray<R>& records) {
        for (uint32_t i = below(5); i > 0; --i) visit(*this, records.at(records.count()));
    }
    Package package() {
        Package p;
        for (uint32_t i = 0; i < CommonInfo::kFieldCount; ++i) text(p.common.field(i));
        collection(p.versions);
        collection(p.features);
        collection(p.bugs);
        for (BugRecord& b : p.bugs) {
            if (below(3) == 0) b.severity = 9;
            if (below(2) == 0) b.type = "Crash";
        }
        return p;
    }

private:
    std::mt19937 rng_;
};

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

ByteString sampleFile() {
    ByteString out;
    writePackage(samplePackage(), out);
    return out;
}

}  // namespace

TEST(PackageFile, EmptyPackageIsTheHundredAndOneByteFile) {
    ByteString expected = bytes({1}) + entry("Velmorandistrix") + entry("1");
    expected += be32(57) + bytes({1}) + ByteString(56, '\0');
    for (int i = 0; i < 3; ++i) expected += bytes({0, 0, 0, 1, 1});
    ByteString out = "junk that must go";
    EXPECT_TRUE(writePackage(Package(), out));
    EXPECT_EQ(out.length(), 101u);
    EXPECT_EQ(out, expected);

    // Reading it into a fuller package leaves only the file's records.
    Package p = filledPackage();
    EXPECT_TRUE(readPackage(p, out));
    EXPECT_EQ(p, Package());
    p = filledPackage();
    ASSERT_TRUE(readPackage(p, sampleFile()));
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

    ByteString out;
    writePackage(p, out);
    const ByteString versions = be32(4 + 67 + 1) + bytes({1}) + be32(67) + record;
    EXPECT_EQ(out.Mid(86, versions.length()), versions);
    EXPECT_EQ(out.length(), 101u + 4 + 67);
}

TEST(PackageFile, RandomPackagesRoundTrip) {
    Generator gen(2024);
    for (int round = 0; round < 300; ++round) {
        const Package p = gen.package();
        ByteString out;
        writePackage(p, out);
        Package back = filledPackage(), slow = filledPackage();
        ASSERT_TRUE(readPackage(back, out) && referenceRead(slow, out));
        ASSERT_EQ(back, p) << "round " << round;
        ASSERT_EQ(slow, p) << "round " << round;
    }
}

TEST(PackageFile, OnlyTheExactSignatureIsAPackageAndAnyVersionReadsAlike) {
    const ByteString good = sampleFile();
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

TEST(PackageFile, TruncatedFilesKeepWhatIsMissing) {
    const ByteString file = sampleFile();
    const Package before = filledPackage();
    for (uint32_t n = 0; n <= file.length(); ++n) {
        Package fast = before, slow = before;
        const bool accepted = readPackage(fast, file.Left(n));
        ASSERT_EQ(accepted, referenceRead(slow, file.Left(n))) << n;
        ASSERT_EQ(fast, slow) << "prefix of " << n << " bytes";
        ASSERT_EQ(accepted, n >= 20) << n;
    }

    // Cut three bytes into productDescription: the texts before the cut are
    // the file's, the one at the cut is shortened, those after it keep their
    // previous values, and the collections are empty.
    Package p = before;
    ASSERT_TRUE(readPackage(p, file.Left(30 + 13 + 4 + 4 + 4 + 3)));
    EXPECT_EQ(p.common.company, "Northwind");
    EXPECT_EQ(p.common.productLink, "");
    EXPECT_EQ(p.common.productDescription, "two");
    EXPECT_EQ(p.common.upsellLink, before.common.upsellLink);
    EXPECT_TRUE(p.versions.empty() && p.features.empty() && p.bugs.empty());
}

TEST(PackageFile, MalformedFilesReadLikeTheStreamReader) {
    Generator gen(77);
    std::mt19937 rng(99);
    for (int round = 0; round < 3000; ++round) {
        ByteString file;
        writePackage(gen.package(), file);
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
        Package fast = filledPackage(), slow = filledPackage();
        ASSERT_EQ(readPackage(fast, file), referenceRead(slow, file));
        ASSERT_EQ(fast, slow) << "round " << round;
    }
}

TEST(PackageFile, HostileListsStayBounded) {
    const ByteString head = bytes({1}) + entry("Velmorandistrix") + entry("1") + entry(bytes({1}));
    // A versions list of pairs: one default record per pair, none readable.
    ByteString pairs = bytes({0});
    for (int i = 0; i < 6; ++i) pairs += be32(0);
    Package p = filledPackage();
    ASSERT_TRUE(readPackage(p, head + entry(pairs)));
    ASSERT_EQ(p.versions.count(), 3u);
    EXPECT_EQ(p.versions[2], VersionRecord());
    EXPECT_TRUE(p.features.empty());

    // Lengths that wrap round 2^32 end the list instead of multiplying it.
    ByteString wrapped = bytes({1}) + be32(0) + be32(0xFFFFFFFFu) + ByteString(64, '\0');
    ASSERT_TRUE(readPackage(p, head + entry(wrapped) + entry(wrapped)));
    EXPECT_EQ(p.versions.count(), 2u);
    EXPECT_EQ(p.features.count(), 2u);
    EXPECT_EQ(p.features[1], FeatureRecord());
}

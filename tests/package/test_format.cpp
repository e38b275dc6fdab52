#include "package/format.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "package/stream.h"
#include "support/numbers.h"

using namespace orv;

namespace {

ByteString bytes(std::initializer_list<int> values) {
    ByteString out;
    for (int v : values) out.append(static_cast<char>(v));
    return out;
}

ByteString be32(uint32_t n) {
    return bytes({static_cast<int>(n >> 24), static_cast<int>((n >> 16) & 0xFF), static_cast<int>((n >> 8) & 0xFF),
                  static_cast<int>(n & 0xFF)});
}

ByteString entry(const ByteString& content) { return be32(content.length()) + content; }

// ---- A reader and writer built literally on PackStream, one stream per
// nested list: the slow reference the fast paths must match. ----

struct ListOut {
    PackStream s;
    ListOut() { s.beginWrite(1); }
    void text(const ByteString& t) { s.writeEntry(t); }
    void number(uint32_t v) { s.writeEntry(textFromU32(v)); }
    void ids(const IdList& ids) {
        ListOut nested;
        for (uint32_t id : ids) nested.number(id);
        text(nested.take());
    }
    ByteString take() {
        s.finish();
        ByteString out;
        s.takeOutput(out);
        return out;
    }
};

ByteString referenceWrite(const Package& p) {
    ListOut file;
    file.text("Velmorandistrix");
    file.number(1);
    ListOut common;
    for (uint32_t i = 0; i < CommonInfo::kFieldCount; ++i) common.text(p.common.field(i));
    file.text(common.take());
    ListOut versions;
    for (const VersionRecord& v : p.versions) {
        ListOut r;
        r.number(v.id);
        for (const ByteString* t : {&v.version, &v.reservedText, &v.location, &v.fileSize, &v.screenshot,
                                    &v.thumbnail, &v.releaseDate})
            r.text(*t);
        r.ids(v.freeUpgrades);
        r.number(v.freeUpgradeDays);
        versions.text(r.take());
    }
    file.text(versions.take());
    ListOut features;
    for (const FeatureRecord& f : p.features) {
        ListOut r;
        r.number(f.id);
        for (const ByteString* t : {&f.title, &f.description, &f.screenshot, &f.thumbnail}) r.text(*t);
        r.ids(f.versions);
        features.text(r.take());
    }
    file.text(features.take());
    ListOut bugs;
    for (const BugRecord& b : p.bugs) {
        ListOut r;
        r.number(b.id);
        r.text(b.title);
        r.text(b.description);
        r.number(b.severity);
        r.text(b.type);
        r.number(b.introduced);
        r.number(b.discovered);
        r.number(b.fixed);
        r.ids(b.affectedFeatures);
        bugs.text(r.take());
    }
    file.text(bugs.take());
    return file.take();
}

struct ListIn {
    PackStream s;
    explicit ListIn(const ByteString& list) { s.beginRead(list); }
    void text(ByteString& t) { s.readEntry(t); }
    void number(uint32_t& v) {
        ByteString t;
        if (s.readEntry(t)) v = parseU32(t);
    }
    void ids(IdList& ids) {
        ByteString t;
        if (!s.readEntry(t)) return;
        ids = IdList();
        const uint32_t n = countEntries(t);
        ids.setCount(n);
        ListIn nested(t);
        ByteString e;
        for (uint32_t i = 0; i < n && nested.s.readEntry(e); ++i) ids[i] = parseU32(e);
    }
    template <typename R, typename F>
    void collection(RecordArray<R>& records, F readRecord) {
        records = RecordArray<R>();
        ByteString list;
        if (!s.readEntry(list)) return;
        const uint32_t n = countEntries(list);
        records.setCount(n);
        ListIn entries(list);
        ByteString e;
        for (uint32_t i = 0; i < n && entries.s.readEntry(e); ++i) {
            ListIn r(e);
            readRecord(r, records[i]);
        }
    }
};

bool referenceRead(Package& p, const ByteString& content) {
    ListIn file(content);
    ByteString signature;
    if (!file.s.readEntry(signature) || signature != "Velmorandistrix") return false;
    uint32_t formatVersion = 0;
    file.number(formatVersion);
    ByteString common;
    if (file.s.readEntry(common)) {
        ListIn c(common);
        for (uint32_t i = 0; i < CommonInfo::kFieldCount; ++i) c.text(p.common.field(i));
    }
    file.collection(p.versions, [](ListIn& r, VersionRecord& v) {
        r.number(v.id);
        for (ByteString* t : {&v.version, &v.reservedText, &v.location, &v.fileSize, &v.screenshot, &v.thumbnail,
                              &v.releaseDate})
            r.text(*t);
        r.ids(v.freeUpgrades);
        r.number(v.freeUpgradeDays);
    });
    file.collection(p.features, [](ListIn& r, FeatureRecord& f) {
        r.number(f.id);
        for (ByteString* t : {&f.title, &f.description, &f.screenshot, &f.thumbnail}) r.text(*t);
        r.ids(f.versions);
    });
    file.collection(p.bugs, [](ListIn& r, BugRecord& b) {
        r.number(b.id);
        r.text(b.title);
        r.text(b.description);
        r.number(b.severity);
        r.text(b.type);
        r.number(b.introduced);
        r.number(b.discovered);
        r.number(b.fixed);
        r.ids(b.affectedFeatures);
    });
    return true;
}

// ---- Random packages ----

class Generator {
public:
    explicit Generator(uint32_t seed) : rng_(seed) {}

    uint32_t below(uint32_t n) { return n == 0 ? 0 : static_cast<uint32_t>(rng_() % n); }

    // Texts with NUL, CR LF and high bytes, now and then long enough to
    // leave the inline storage.
    ByteString text() {
        static const char* const kPieces[] = {"a", "Z9", "\r\n", "", "\xE9\xFF", " ",
                                              "http://x.example/", "1.0"};
        ByteString t;
        const uint32_t n = below(4) == 0 ? below(40) : below(6);
        for (uint32_t i = 0; i < n; ++i) {
            const uint32_t k = below(8);
            if (k == 3)
                t.append('\0');  // the empty piece stands for a NUL byte
            else
                t.append(kPieces[k]);
        }
        return t;
    }
    uint32_t number() {
        switch (below(4)) {
            case 0: return 0;
            case 1: return 4294967295u;
            default: return below(1000);
        }
    }
    IdList ids() {
        IdList l;
        for (uint32_t i = below(5); i > 0; --i) l.append(number());
        return l;
    }

    Package package() {
        Package p;
        for (uint32_t i = 0; i < CommonInfo::kFieldCount; ++i) p.common.field(i) = text();
        for (uint32_t i = below(5); i > 0; --i) {
            VersionRecord v;
            v.id = number();
            for (ByteString* t : {&v.version, &v.reservedText, &v.location, &v.fileSize, &v.screenshot,
                                  &v.thumbnail, &v.releaseDate})
                *t = text();
            v.freeUpgrades = ids();
            v.freeUpgradeDays = number();
            p.versions.append(v);
        }
        for (uint32_t i = below(5); i > 0; --i) {
            FeatureRecord f;
            f.id = number();
            for (ByteString* t : {&f.title, &f.description, &f.screenshot, &f.thumbnail}) *t = text();
            f.versions = ids();
            p.features.append(f);
        }
        for (uint32_t i = below(5); i > 0; --i) {
            BugRecord b;
            b.id = number();
            b.title = text();
            b.description = text();
            b.severity = below(3) == 0 ? 9 : number();
            b.type = below(2) == 0 ? ByteString("Crash") : text();
            b.introduced = number();
            b.discovered = number();
            b.fixed = number();
            b.affectedFeatures = ids();
            p.bugs.append(b);
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
    for (uint32_t i = 1; i <= 6; ++i) {
        p.versions.at(i - 1).id = 100 + i;
        p.features.at(i - 1).id = 200 + i;
        p.bugs.at(i - 1).id = 300 + i;
    }
    return p;
}

Package samplePackage() {
    Package p;
    p.common.company = "Northwind";
    p.common.productDescription = ByteString("two\r\nlines\0with NUL", 19);
    p.common.techSupportEmail = "help@example.com";
    for (uint32_t id : {3u, 1u, 2u}) {
        VersionRecord& v = p.versions.at(p.versions.count());
        v.id = id;
        v.version = "1." + textFromU32(id);
        v.location = "http://www.example.com/setup.exe";
        v.fileSize = "1048576";
        v.releaseDate = "2024-05-17 00:00:00";
        v.freeUpgrades.append(id == 1 ? 3 : 1);
    }
    FeatureRecord& f = p.features.at(0);
    f.id = 1;
    f.title = "Backup";
    f.description = "Copies\r\nfiles";
    f.versions = {1, 2, 3};
    BugRecord& b = p.bugs.at(0);
    b.id = 7;
    b.title = "Hangs";
    b.severity = 9;
    b.type = "Cosmic rays";
    b.introduced = 1;
    b.fixed = 3;
    b.affectedFeatures = {1};
    return p;
}

ByteString emptyPackageFile() {
    ByteString f = bytes({1});
    f += entry("Velmorandistrix");
    f += entry("1");
    f += be32(57) + bytes({1}) + ByteString(56, '\0');
    for (int i = 0; i < 3; ++i) f += bytes({0, 0, 0, 1, 1});
    return f;
}

}  // namespace

TEST(PackageFile, EmptyPackageIsTheHundredAndOneByteFile) {
    ByteString out = "junk that must go";
    EXPECT_TRUE(writePackage(Package(), out));
    EXPECT_EQ(out.length(), 101u);
    EXPECT_EQ(out, emptyPackageFile());

    Package p = filledPackage();
    EXPECT_TRUE(readPackage(p, out));
    EXPECT_EQ(p, Package());
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

TEST(PackageFile, RandomPackagesRoundTripAndMatchTheStreamWriter) {
    Generator gen(2024);
    for (int round = 0; round < 300; ++round) {
        const Package p = gen.package();
        ByteString out;
        writePackage(p, out);
        ASSERT_EQ(out, referenceWrite(p)) << "round " << round;
        Package back = filledPackage();
        ASSERT_TRUE(readPackage(back, out));
        ASSERT_EQ(back, p) << "round " << round;
    }
    // Order and odd values are kept as they are.
    Package back;
    ByteString out;
    writePackage(samplePackage(), out);
    ASSERT_TRUE(readPackage(back, out));
    ASSERT_EQ(back.versions.count(), 3u);
    EXPECT_EQ(back.versions[0].id, 3u);
    EXPECT_EQ(back.versions[1].id, 1u);
    EXPECT_EQ(back.bugs[0].severity, 9u);
    EXPECT_EQ(back.bugs[0].type, "Cosmic rays");
    EXPECT_EQ(back.common.productDescription, samplePackage().common.productDescription);
}

TEST(PackageFile, OnlyTheExactSignatureIsAPackage) {
    ByteString good;
    writePackage(samplePackage(), good);
    const Package before = filledPackage();
    for (const char* wrong : {"velmorandistrix", "VELMORANDISTRIX", "Velmorandistri", "Velmorandistrixx"}) {
        ByteString file = bytes({1}) + entry(wrong) + good.Mid(20);
        Package p = before;
        EXPECT_FALSE(readPackage(p, file)) << wrong;
        EXPECT_EQ(p, before);
    }
    Package p = before;
    EXPECT_FALSE(readPackage(p, ByteString()));
    EXPECT_FALSE(readPackage(p, bytes({1})));
    EXPECT_FALSE(readPackage(p, bytes({0}) + good.Mid(1)));  // a list of pairs gives no entry
    EXPECT_FALSE(readPackage(p, good.Left(19)));              // signature cut short
    EXPECT_EQ(p, before);
    // Any non-zero kind byte opens the file's list.
    EXPECT_TRUE(readPackage(p, bytes({0x42}) + good.Mid(1)));
    EXPECT_EQ(p, samplePackage());
}

TEST(PackageFile, AnyFormatVersionReadsAlike) {
    ByteString good;
    writePackage(samplePackage(), good);
    for (const char* version : {"2", "", "1.5", "banana", "4294967296"}) {
        ByteString file = good.Left(20) + entry(version) + good.Mid(25);
        Package p = filledPackage();
        EXPECT_TRUE(readPackage(p, file)) << version;
        EXPECT_EQ(p, samplePackage()) << version;
    }
}

TEST(PackageFile, MoreRecordsBeforeLeavesExactlyTheFilesRecords) {
    ByteString file;
    writePackage(samplePackage(), file);
    Package p = filledPackage();
    for (uint32_t i = 0; i < 6; ++i) p.versions.at(i).freeUpgrades = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    ASSERT_TRUE(readPackage(p, file));
    EXPECT_EQ(p, samplePackage());
}

TEST(PackageFile, TruncatedFilesKeepWhatIsMissing) {
    ByteString file;
    writePackage(samplePackage(), file);
    const Package before = filledPackage();
    for (uint32_t n = 0; n <= file.length(); ++n) {
        const ByteString prefix = file.Left(n);
        Package fast = before;
        Package slow = before;
        const bool accepted = readPackage(fast, prefix);
        ASSERT_EQ(accepted, referenceRead(slow, prefix)) << n;
        ASSERT_EQ(fast, slow) << "prefix of " << n << " bytes";
        ASSERT_EQ(accepted, n >= 20) << n;
    }

    // Cut in the middle of the common information: the texts before the cut
    // are the file's, the text at the cut is shortened, those after it keep
    // their previous values, and the collections are empty.
    Package p = before;
    const uint32_t cut = 30 + 13 + 4 + 4 + 4 + 3;  // three bytes into productDescription
    ASSERT_TRUE(readPackage(p, file.Left(cut)));
    EXPECT_EQ(p.common.company, "Northwind");
    EXPECT_EQ(p.common.product, "");
    EXPECT_EQ(p.common.productLink, "");
    EXPECT_EQ(p.common.productDescription, "two");
    EXPECT_EQ(p.common.upsellLink, before.common.upsellLink);
    EXPECT_EQ(p.common.techSupportEmail, before.common.techSupportEmail);
    EXPECT_TRUE(p.versions.empty());
    EXPECT_TRUE(p.features.empty());
    EXPECT_TRUE(p.bugs.empty());
}

TEST(PackageFile, MalformedFilesReadLikeTheStreamReader) {
    Generator gen(77);
    std::mt19937 rng(99);
    for (int round = 0; round < 3000; ++round) {
        ByteString file;
        writePackage(gen.package(), file);
        // Flip, drop or insert a few bytes, favouring the length fields'
        // small values so that lengths and counts go wrong in every way.
        for (uint32_t k = 1 + rng() % 4; k > 0; --k) {
            const uint32_t at = 20 + rng() % (file.length() - 20);
            const char value = static_cast<char>(rng() % 3 == 0 ? rng() % 256 : rng() % 8);
            switch (rng() % 3) {
                case 0: file[at] = value; break;
                case 1: file.remove(at, 1 + rng() % 6); break;
                default: file.insert(at, ByteString(value)); break;
            }
            if (file.length() <= 20) break;
        }
        Package fast = filledPackage();
        Package slow = filledPackage();
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

    // An id list of empty entries: one 0 per entry.
    ByteString ids = bytes({1}) + be32(0) + be32(0) + be32(0);
    ByteString feature = bytes({1}) + entry("5") + be32(0) + be32(0) + be32(0) + be32(0) + entry(ids);
    ASSERT_TRUE(readPackage(p, head + entry(bytes({1})) + entry(bytes({1}) + entry(feature))));
    ASSERT_EQ(p.features.count(), 1u);
    EXPECT_EQ(p.features[0].id, 5u);
    EXPECT_EQ(p.features[0].versions, (IdList{0, 0, 0}));
}

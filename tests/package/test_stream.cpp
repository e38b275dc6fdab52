#include "package/stream.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace orv;

namespace {

ByteString bytes(std::initializer_list<int> values) {
    ByteString out;
    for (int v : values) out.append(static_cast<char>(v));
    return out;
}

ByteString written(std::initializer_list<ByteString> entries) {
    PackStream s;
    s.beginWrite(1);
    for (const ByteString& e : entries) s.writeEntry(e);
    s.finish();
    ByteString out;
    s.takeOutput(out);
    return out;
}

}  // namespace

TEST(PackStreamWrite, EncodesEntriesAndNestedLists) {
    // writeEntry without beginWrite starts a list of single entries.
    PackStream s;
    EXPECT_TRUE(s.writeEntry("abc"));
    EXPECT_TRUE(s.finish());
    ByteString out;
    s.takeOutput(out);
    EXPECT_EQ(out, bytes({1, 0, 0, 0, 3, 'a', 'b', 'c'}));

    ByteString empty = written({});
    EXPECT_EQ(empty, bytes({1}));
    EXPECT_EQ(written({empty}), bytes({1, 0, 0, 0, 1, 1}));
    EXPECT_EQ(written({ByteString()}), bytes({1, 0, 0, 0, 0}));

    // A 300-byte entry needs the second length byte.
    ByteString big(300, 'x');
    ByteString list = written({big});
    ASSERT_EQ(list.length(), 305u);
    EXPECT_EQ(list.Left(5), bytes({1, 0, 0, 1, 44}));
}

TEST(PackStreamWrite, ModeDecidesKindAndWhetherEntriesAreTaken) {
    PackStream s;
    EXPECT_TRUE(s.beginWrite(0));
    EXPECT_FALSE(s.writeEntry("x"));  // a list of pairs takes no entries
    s.finish();
    ByteString out;
    s.takeOutput(out);
    EXPECT_EQ(out, bytes({0}));

    EXPECT_TRUE(s.beginWrite(7));  // any non-zero mode gives kind 1 ...
    EXPECT_FALSE(s.writeEntry("x"));  // ... but only mode 1 writes
    s.takeOutput(out);
    EXPECT_EQ(out, bytes({1}));

    // beginWrite drops what was built before; takeOutput empties the stream.
    s.beginWrite(1);
    s.writeEntry("old");
    s.beginWrite(1);
    s.writeEntry("new");
    s.finish();
    s.takeOutput(out);
    EXPECT_EQ(out, written({"new"}));
    s.takeOutput(out);
    EXPECT_TRUE(out.empty());
}

TEST(PackStreamRead, ReadsEntriesUntilTheEnd) {
    PackStream s;
    ASSERT_TRUE(s.beginRead(bytes({1, 0, 0, 0, 3, 'a', 'b', 'c', 0, 0, 0, 0})));
    ByteString t = "keep";
    EXPECT_TRUE(s.readEntry(t));
    EXPECT_EQ(t, "abc");
    EXPECT_TRUE(s.isOpen());
    EXPECT_TRUE(s.readEntry(t));
    EXPECT_EQ(t, "");
    EXPECT_FALSE(s.isOpen());
    t = "keep";
    EXPECT_FALSE(s.readEntry(t));
    EXPECT_EQ(t, "keep");
}

TEST(PackStreamRead, ShortInputIsClampedNeverAnError) {
    PackStream s;
    ByteString t = "keep";
    EXPECT_FALSE(s.beginRead(ByteString()));
    EXPECT_FALSE(s.readEntry(t));

    // The lone kind byte opens nothing.
    EXPECT_TRUE(s.beginRead(bytes({1})));
    EXPECT_FALSE(s.isOpen());
    EXPECT_FALSE(s.readEntry(t));
    EXPECT_EQ(t, "keep");

    // A length promising more than is there gives what is there.
    ASSERT_TRUE(s.beginRead(bytes({1, 0, 0, 0, 5, 'a', 'b'})));
    EXPECT_TRUE(s.readEntry(t));
    EXPECT_EQ(t, "ab");
    EXPECT_FALSE(s.readEntry(t));
    EXPECT_EQ(t, "ab");

    // A length field cut short reads as the value of the bytes present.
    ASSERT_TRUE(s.beginRead(bytes({1, 0, 0})));
    EXPECT_TRUE(s.readEntry(t));
    EXPECT_EQ(t, "");
    EXPECT_FALSE(s.isOpen());

    // Any non-zero kind is a list of single entries; kind 0 gives nothing.
    ASSERT_TRUE(s.beginRead(bytes({0x7F, 0, 0, 0, 1, 'z'})));
    EXPECT_TRUE(s.readEntry(t));
    EXPECT_EQ(t, "z");
    ASSERT_TRUE(s.beginRead(bytes({0, 0, 0, 0, 1, 'z'})));
    EXPECT_EQ(s.mode(), 0u);
    EXPECT_FALSE(s.readEntry(t));
    EXPECT_EQ(t, "z");
}

TEST(PackStreamRead, EntriesMayHoldAnyByte) {
    ByteString text("a\0\r\n\xFF", 5);
    PackStream s;
    ASSERT_TRUE(s.beginRead(written({text, text})));
    ByteString t;
    ASSERT_TRUE(s.readEntry(t));
    EXPECT_EQ(t, text);
    ASSERT_TRUE(s.readEntry(t));
    EXPECT_EQ(t, text);
}

TEST(CountEntries, CountsSinglesPairsAndClampedEntries) {
    EXPECT_EQ(countEntries(ByteString()), 0u);
    EXPECT_EQ(countEntries(bytes({1})), 0u);
    EXPECT_EQ(countEntries(bytes({1, 0, 0, 0, 0})), 1u);
    EXPECT_EQ(countEntries(bytes({1, 0, 0, 0, 5, 'a', 'b'})), 1u);
    EXPECT_EQ(countEntries(bytes({1, 0})), 1u);
    EXPECT_EQ(countEntries(written({"a", "bc", ""})), 3u);
    // Kind 0: two entries make one pair; an odd last entry still counts.
    EXPECT_EQ(countEntries(bytes({0, 0, 0, 0, 1, 'a', 0, 0, 0, 1, 'b'})), 1u);
    EXPECT_EQ(countEntries(bytes({0, 0, 0, 0, 1, 'a', 0, 0, 0, 1, 'b', 0, 0, 0, 0})), 2u);
    EXPECT_EQ(countEntries(bytes({0})), 0u);

    // Long lists, with the last length field cut short.
    PackStream s;
    for (int i = 0; i < 3000; ++i) s.writeEntry(ByteString(static_cast<uint32_t>(i % 7), 'x'));
    s.finish();
    ByteString list;
    s.takeOutput(list);
    EXPECT_EQ(countEntries(list), 3000u);
    list.append(bytes({0, 0}));
    EXPECT_EQ(countEntries(list), 3001u);
}

TEST(CountEntries, HugeLengthsEndTheCountInsteadOfWrapping) {
    // 4 + L wraps to 0 in 32 bits for L = 0xFFFFFFFC; the count must end.
    EXPECT_EQ(countEntries(bytes({1, 0xFF, 0xFF, 0xFF, 0xFC, 0, 0, 0, 0})), 1u);
    // 4 + L wraps to 3: a 32-bit position would step through the list byte
    // by byte and count far more entries than fit.
    ByteString list = bytes({1, 0xFF, 0xFF, 0xFF, 0xFF});
    list.append(ByteString(4000, '\0'));
    EXPECT_EQ(countEntries(list), 1u);
    ByteString pairs = bytes({0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0});
    EXPECT_EQ(countEntries(pairs), 1u);
}

// The cursor is the reader's fast path; on any input it must give exactly
// the entries that PackStream gives, and the count of a list of single
// entries must equal the number of entries read.
TEST(PackCursor, AgreesWithPackStreamOnRandomInput) {
    std::mt19937 rng(12345);
    for (int round = 0; round < 20000; ++round) {
        std::string raw(rng() % 24, '\0');
        for (char& c : raw) {
            // Mostly small bytes so that length fields often fit the list.
            uint32_t r = rng() % 10;
            c = static_cast<char>(r < 7 ? rng() % 6 : rng() % 256);
        }
        ByteString input(raw);
        PackStream stream;
        PackCursor cursor;
        ASSERT_EQ(stream.beginRead(input), cursor.begin(input.view()));
        uint32_t reads = 0;
        for (;;) {
            ByteString a = "?";
            std::string_view b = "?";
            const bool gotA = stream.readEntry(a);
            const bool gotB = cursor.next(b);
            ASSERT_EQ(gotA, gotB) << "round " << round;
            if (!gotA) break;
            ASSERT_EQ(a.view(), b);
            ++reads;
        }
        if (!raw.empty() && raw[0] != 0) {
            ASSERT_EQ(countEntries(input), reads) << "round " << round;
        }
    }
}

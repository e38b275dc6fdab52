#include "package/stream.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

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

// The production writer has its own fast path; this stream is the slow
// reference that the tests build expected bytes with.
TEST(PackStream, WritesEntriesAndNestedLists) {
    const ByteString any("a\0\r\n\xFF", 5);
    EXPECT_EQ(written({}), bytes({1}));
    EXPECT_EQ(written({bytes({1})}), bytes({1, 0, 0, 0, 1, 1}));
    EXPECT_EQ(written({ByteString(), any}), bytes({1, 0, 0, 0, 0, 0, 0, 0, 5}) + any);
    EXPECT_EQ(written({ByteString(300, 'x')}).Left(5), bytes({1, 0, 0, 1, 44}));
}

TEST(PackStream, ReadsWhatIsThereAndNeverFails) {
    const struct {
        ByteString input;
        std::vector<std::string> entries;
    } cases[] = {
        {bytes({1, 0, 0, 0, 3, 'a', 'b', 'c', 0, 0, 0, 0}), {"abc", ""}},
        {written({ByteString("a\0\r\n\xFF", 5)}), {std::string("a\0\r\n\xFF", 5)}},
        {ByteString(), {}},
        {bytes({1}), {}},                              // the lone kind byte opens nothing
        {bytes({1, 0, 0, 0, 5, 'a', 'b'}), {"ab"}},     // a length promising more gives what is there
        {bytes({1, 0, 0}), {""}},                       // a cut length field reads as its bytes' value
        {bytes({0x7F, 0, 0, 0, 1, 'z'}), {"z"}},        // any non-zero kind is a list of single entries
        {bytes({0, 0, 0, 0, 1, 'z'}), {}},              // kind 0 gives nothing
    };
    for (const auto& c : cases) {
        PackStream s;
        EXPECT_EQ(s.beginRead(c.input), !c.input.empty());
        std::vector<std::string> got;
        ByteString t = "keep";
        while (s.readEntry(t)) got.push_back(t.toStdString());
        EXPECT_EQ(got, c.entries);
        EXPECT_FALSE(s.isOpen() && s.mode() != 0) << c.input.length();
        EXPECT_EQ(t.toStdString(), got.empty() ? "keep" : got.back());  // a failed read changes nothing
    }
}

TEST(CountEntries, CountsSinglesPairsAndClampedEntries) {
    const struct {
        ByteString list;
        uint32_t count;
    } cases[] = {
        {ByteString(), 0},
        {bytes({1}), 0},
        {bytes({0}), 0},
        {bytes({1, 0}), 1},
        {bytes({1, 0, 0, 0, 5, 'a', 'b'}), 1},
        {written({"a", "bc", ""}), 3},
        // Kind 0: two entries make one pair; an odd last entry still counts.
        {bytes({0, 0, 0, 0, 1, 'a', 0, 0, 0, 1, 'b'}), 1},
        {bytes({0, 0, 0, 0, 1, 'a', 0, 0, 0, 1, 'b', 0, 0, 0, 0}), 2},
        // 4 + L wraps to 0 in 32 bits for L = 0xFFFFFFFC; the count must end.
        {bytes({1, 0xFF, 0xFF, 0xFF, 0xFC, 0, 0, 0, 0}), 1},
        // 4 + L wraps to 3: a 32-bit position would step through the list
        // byte by byte and count far more entries than fit.
        {bytes({1, 0xFF, 0xFF, 0xFF, 0xFF}) + ByteString(4000, '\0'), 1},
        {bytes({0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}), 1},
    };
    for (const auto& c : cases) EXPECT_EQ(countEntries(c.list), c.count) << c.list.length();

    // A long list, then with the last length field cut short.
    PackStream s;
    for (int i = 0; i < 3000; ++i) s.writeEntry(ByteString(static_cast<uint32_t>(i % 7), 'x'));
    s.finish();
    ByteString list;
    s.takeOutput(list);
    EXPECT_EQ(countEntries(list), 3000u);
    EXPECT_EQ(countEntries(list + bytes({0, 0})), 3001u);
}

// The cursor is the reader's fast path; on any input it must give exactly
// the entries that PackStream gives, and the count of a list of single
// entries must equal the number of entries read.
TEST(PackCursor, AgreesWithPackStreamOnRandomInput) {
    std::mt19937 rng(12345);
    for (int round = 0; round < 20000; ++round) {
        // Mostly small bytes so that length fields often fit the list.
        std::string raw(rng() % 24, '\0');
        for (char& c : raw) c = static_cast<char>(rng() % 10 < 7 ? rng() % 6 : rng() % 256);
        ByteString input(raw);
        PackStream stream;
        PackCursor cursor;
        ASSERT_EQ(stream.beginRead(input), cursor.begin(input.view()));
        uint32_t reads = 0;
        for (ByteString a = "?";; ++reads) {
            std::string_view b = "?";
            const bool gotA = stream.readEntry(a);
            ASSERT_EQ(gotA, cursor.next(b)) << "round " << round;
            if (!gotA) break;
            ASSERT_EQ(a.view(), b);
        }
        if (!raw.empty() && raw[0] != 0) {
            ASSERT_EQ(countEntries(input), reads) << "round " << round;
        }
    }
}

#include "package/stream.h"

#include <gtest/gtest.h>

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
    for (const ByteString& e : entries) s.writeEntry(e);  // the first begins a list of kind 1
    s.finish();
    ByteString out;
    s.takeOutput(out);
    return out;
}

}  // namespace

TEST(PackStream, WritesEntriesNumbersAndNestedListsInPlace) {
    const ByteString any("a\0\r\n\xFF", 5);
    EXPECT_EQ(written({}), ByteString());
    EXPECT_EQ(written({"abc"}), bytes({1, 0, 0, 0, 3, 'a', 'b', 'c'}));
    EXPECT_EQ(written({ByteString(), any}), bytes({1, 0, 0, 0, 0, 0, 0, 0, 5}) + any);
    EXPECT_EQ(written({ByteString(300, 'x')}).Left(5), bytes({1, 0, 0, 1, 44}));

    PackStream s;
    s.beginWrite(1);
    for (uint32_t n : {0u, 30u, 4294967295u}) s.writeNumber(n);
    const uint32_t outer = s.openList();
    s.closeList(s.openList());  // the empty list as an entry: 00 00 00 01 01
    s.writeEntry("z");
    s.closeList(outer);
    s.finish();
    ByteString out;
    s.takeOutput(out);
    EXPECT_EQ(out, bytes({1, 0, 0, 0, 1, '0', 0, 0, 0, 2, '3', '0', 0, 0, 0, 10}) + "4294967295" +
                       bytes({0, 0, 0, 11, 1, 0, 0, 0, 1, 1, 0, 0, 0, 1, 'z'}));

    // Nothing can be written into a list of pairs.
    s.beginWrite(0);
    EXPECT_FALSE(s.writeEntry("x"));
    EXPECT_EQ(s.openList(), UINT32_MAX);
}

TEST(PackStream, ReadsWhatIsThereAndNeverFails) {
    const struct {
        ByteString input;
        std::vector<std::string> entries;
    } cases[] = {
        {bytes({1, 0, 0, 0, 3, 'a', 'b', 'c', 0, 0, 0, 0}), {"abc", ""}},
        {written({ByteString(40, '\xFF')}), {std::string(40, '\xFF')}},
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
        if (!c.input.empty() && c.input[0] != 0) EXPECT_EQ(s.countEntries(), got.size());
        EXPECT_EQ(t.toStdString(), got.empty() ? "keep" : got.back());  // a failed read changes nothing
    }

    // Nested lists and numbers, read in place.
    PackStream file, nested;
    ASSERT_TRUE(file.beginRead(bytes({1, 0, 0, 0, 7, 1, 0, 0, 0, 2, ' ', '7', 0, 0, 0, 2, '-', '1'})));
    ASSERT_TRUE(file.readList(nested));
    uint32_t n = 99;
    EXPECT_TRUE(nested.readNumber(n));
    EXPECT_EQ(n, 7u);
    EXPECT_FALSE(nested.readNumber(n));
    EXPECT_EQ(n, 7u);
    EXPECT_TRUE(file.readNumber(n));
    EXPECT_EQ(n, 4294967295u);
    EXPECT_FALSE(file.readList(nested));
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
}

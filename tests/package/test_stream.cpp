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

}  // namespace

// The package file's tests check nested lists and numbers byte for byte.
TEST(PackStream, WritesEntriesOnlyIntoAListOfSingleEntries) {
    PackStream s;
    ByteString out;
    for (const ByteString& e : {ByteString("abc"), ByteString("\0\xFF", 2)}) s.writeEntry(e);  // begins kind 1
    s.finish();
    s.takeOutput(out);
    EXPECT_EQ(out, bytes({1, 0, 0, 0, 3, 'a', 'b', 'c', 0, 0, 0, 2, 0, 0xFF}));
    s.beginWrite(0);
    EXPECT_FALSE(s.writeEntry("x"));
    EXPECT_EQ(s.openList(), UINT32_MAX);
}

TEST(PackStream, ReadsWhatIsThereAndNeverFails) {
    const std::pair<ByteString, std::vector<std::string>> cases[] = {
        {bytes({1, 0, 0, 0, 3, 'a', 'b', 'c', 0, 0, 0, 0}), {"abc", ""}},
        {bytes({1, 0, 0, 0, 40}) + ByteString(40, '\xFF'), {std::string(40, '\xFF')}},
        {ByteString(), {}},
        {bytes({1}), {}},                              // the lone kind byte opens nothing
        {bytes({1, 0, 0, 0, 5, 'a', 'b'}), {"ab"}},     // a length promising more gives what is there
        {bytes({1, 0, 0}), {""}},                       // a cut length field reads as its bytes' value
        {bytes({0x7F, 0, 0, 0, 1, 'z'}), {"z"}},        // any non-zero kind is a list of single entries
        {bytes({0, 0, 0, 0, 1, 'z'}), {}},              // kind 0 gives nothing
    };
    for (const auto& [input, entries] : cases) {
        PackStream s;
        EXPECT_EQ(s.beginRead(input), !input.empty());
        std::vector<std::string> got;
        ByteString t = "keep";
        while (s.readEntry(t)) got.push_back(t.toStdString());
        EXPECT_EQ(got, entries);
        EXPECT_TRUE(input.empty() || input[0] == 0 || s.countEntries() == got.size());
        EXPECT_EQ(t.toStdString(), got.empty() ? "keep" : got.back());  // a failed read changes nothing
    }
}

TEST(CountEntries, CountsSinglesPairsAndClampedEntries) {
    const std::pair<ByteString, uint32_t> cases[] = {
        {bytes({0}), 0}, {bytes({1, 0}), 1}, {bytes({1, 0, 0, 0, 1, 'a', 0, 0, 0, 0, 0, 0, 0, 0}), 3},
        // Kind 0: two entries make one pair; an odd last entry still counts.
        {bytes({0, 0, 0, 0, 1, 'a', 0, 0, 0, 1, 'b'}), 1}, {bytes({0, 0, 0, 0, 1, 'a', 0, 0, 0, 1, 'b', 0}), 2},
        // 4 + L wraps to 0 or 3 in 32 bits: the count must end, not step
        // through the list byte by byte.
        {bytes({1, 0xFF, 0xFF, 0xFF, 0xFC, 0, 0, 0, 0}), 1}, {bytes({1, 0xFF, 0xFF, 0xFF, 0xFF}) + ByteString(400, '\0'), 1},
        {bytes({0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}), 1},
    };
    for (const auto& [list, count] : cases) EXPECT_EQ(countEntries(list), count) << list.length();
}

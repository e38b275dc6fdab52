#include "support/byte_string.h"

#include <gtest/gtest.h>

using orv::ByteString;

TEST(ByteString, HoldsAnyByteAndCopiesAcrossTheInlineLimit) {
    EXPECT_NE(ByteString("a\0b", 3), ByteString("a"));

    ByteString small("2007-05-14 00:00:00");  // exactly the inline size
    ByteString big(std::string(300, 'd'));
    ByteString s2 = small, b2 = big;
    ByteString moved = std::move(b2);
    EXPECT_TRUE(moved == big && b2.empty());  // NOLINT: moved-from is empty by contract
    moved = std::move(s2);
    EXPECT_EQ(moved, small);
    moved = big;
    moved.append(moved);  // appending to itself across a reallocation
    EXPECT_EQ(std::string(moved.c_str()), big.toStdString() + big.toStdString());
}

TEST(ByteString, SharedStorageIsNeverWrittenThroughAnotherText) {
    ByteString source(std::string(100, 's'));
    ByteString piece = source.share(10, 50), tail = source.share(60, 20);
    EXPECT_EQ(piece, ByteString(std::string(50, 's')));
    EXPECT_EQ(source.share(90, 99).length(), 10u);  // clamped to the text
    piece[0] = 'p';              // copies first
    piece.append("more");        // grows its own copy
    tail.c_str();                // the terminator must not land in source's byte 80
    source.toUpper();
    EXPECT_EQ(piece.Left(2), "ps");
    EXPECT_EQ(tail, ByteString(std::string(20, 's')));
    EXPECT_EQ(source, ByteString(std::string(100, 'S')));
    {
        ByteString::Sharer sharer(source);
        for (int i = 0; i < 3000; ++i) piece = sharer.share(i % 90, 30);  // references taken in batches
    }
    source = ByteString();  // the block lives on in the last piece
    EXPECT_EQ(piece, ByteString(std::string(30, 'S')));
}

TEST(ByteString, ExtractsClampedEditsExtendAndFinds) {
    ByteString s("hello");
    EXPECT_EQ(s.Left(99) + "|" + s.Right(3) + "|" + s.Mid(9) + "|" + s.Mid(1, 2), "hello|llo||el");
    ByteString t("ab");
    t.remove(4, 1);  // beyond the end: extends first, then removes
    EXPECT_EQ(t, ByteString("ab\0\0", 4));
    t.remove(1, 0xFFFFFFFFu);  // without extending to 4 GiB first
    EXPECT_EQ(t, "a");
    ByteString d("a-b-c-d");
    EXPECT_EQ(d.find("-", 0, 3), 5u);  // the third occurrence
    EXPECT_EQ(d.find("-", 0, 4), ByteString::npos);
    EXPECT_EQ(d.find("-", 99), ByteString::npos);
    EXPECT_EQ(d.replaceAll("-", "-"), 0);
    ByteString grow("aaa");
    EXPECT_EQ(grow.replaceAll("a", "aa"), 1);  // continues after each replacement
    EXPECT_EQ(grow, "aaaaaa");
    EXPECT_FALSE(grow.tryReserve(ByteString::kMaxLength + 1));
}

TEST(ByteString, ComparesWithoutCaseOnlyForAsciiLettersAndTrims) {
    EXPECT_EQ(ByteString("MAILTO:x").compareNoCase(7, 0, "mailto:", 0), 0);
    EXPECT_EQ(ByteString("[").compareNoCase(1, 0, "a", 0), -1);  // letter vs non-letter: raw value
    EXPECT_EQ(ByteString("\xE4").compareNoCase(1, 0, "\xC4", 0), 1);
    ByteString s(" \t\r\n x y \0", 10);
    s.trim();
    EXPECT_EQ(s, "x y");
}

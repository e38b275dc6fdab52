#include "support/byte_string.h"

#include <gtest/gtest.h>

using orv::ByteString;

TEST(ByteString, HoldsAnyByteAndCopiesAcrossTheInlineLimit) {
    ByteString a("a\0b", 3);
    EXPECT_EQ(a.length(), 3u);
    EXPECT_EQ(a.byteAt(1), 0);
    EXPECT_NE(a, ByteString("a"));
    EXPECT_EQ(ByteString(nullptr), ByteString());

    ByteString small("2007-05-14 00:00:00");  // exactly the inline size
    ByteString big(std::string(300, 'd'));
    ByteString s2 = small, b2 = big;
    ByteString moved = std::move(b2);
    EXPECT_EQ(moved, big);
    EXPECT_TRUE(b2.empty());  // NOLINT: moved-from is empty by contract
    moved = std::move(s2);
    EXPECT_EQ(moved, small);
    moved = big;
    moved.append(moved);  // appending to itself across a reallocation
    EXPECT_EQ(std::string(moved.c_str()), big.toStdString() + big.toStdString());
}

TEST(ByteString, ExtractsClampedEditsExtendAndFinds) {
    ByteString s("hello");
    EXPECT_EQ(s.Left(99) + "|" + s.Right(3) + "|" + s.Mid(9) + "|" + s.Mid(1, 2), "hello|llo||el");
    ByteString t("ab");
    t.remove(4, 1);  // beyond the end: extends first, then removes
    EXPECT_EQ(t, ByteString("ab\0\0", 4));
    ByteString d("a-b-c-d");
    EXPECT_EQ(d.find("-", 0, 3), 5u);  // the third occurrence
    EXPECT_EQ(d.find("-", 0, 4), ByteString::npos);
    EXPECT_EQ(d.find("-", 99), ByteString::npos);
    ByteString same("x\\y");
    EXPECT_EQ(same.replaceAll("\\", "\\"), 0);
    ByteString grow("aaa");
    EXPECT_EQ(grow.replaceAll("a", "aa"), 1);  // continues after each replacement
    EXPECT_EQ(grow, "aaaaaa");
}

TEST(ByteString, ComparesWithoutCaseOnlyForAsciiLetters) {
    EXPECT_EQ(ByteString("MAILTO:x").compareNoCase(7, 0, "mailto:", 0), 0);
    EXPECT_EQ(ByteString("abc").compareNoCase(5, 0, "abc", 0), -1);  // both run out: first has no bytes
    EXPECT_EQ(ByteString("abcd").compareNoCase(4, 0, "abc", 0), 1);
    EXPECT_EQ(ByteString("[").compareNoCase(1, 0, "a", 0), -1);  // letter vs non-letter: raw value
    EXPECT_EQ(ByteString("\xE4").compareNoCase(1, 0, "\xC4", 0), 1);
    EXPECT_TRUE(ByteString("Http").equalsNoCase("hTTP"));
    ByteString s(" \t\r\n x y \0", 10);
    s.trim();
    EXPECT_EQ(s, "x y");
}

TEST(ByteString, ReadsLinesSplitsAndJoins) {
    ByteString s("one\r\ntwo\nthree\r");
    EXPECT_EQ(s.readLine(true), "one");
    EXPECT_EQ(s.readLine(true), "two");
    EXPECT_EQ(s.readLine(true), "");  // CR as the last byte: not complete
    EXPECT_EQ(s.cursor(), 9u);
    EXPECT_EQ(s.readLine(false), "three");
    EXPECT_TRUE(s.atEnd());
    s.seekCursor(3, 100);
    EXPECT_EQ(s.cursor(), 0u);
    s.setLength(2);
    EXPECT_EQ(s.readLine(false), "on");

    auto parts = orv::split("a,,b", ',');
    EXPECT_EQ(orv::join(parts, "+"), "a++b");
    EXPECT_TRUE(orv::split("", ',').empty());
}

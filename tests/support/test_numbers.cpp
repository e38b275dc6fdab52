#include "support/numbers.h"

#include <gtest/gtest.h>

#include "support/decimal.h"

using namespace orv;

TEST(Numbers, ParsesLenientlyAndWraps) {
    const std::pair<std::string_view, uint32_t> cases[] = {
        {"  -12abc", static_cast<uint32_t>(-12)}, {"", 0}, {"+", 0}, {"4294967297", 1}, {"4294967296", 0},
        {"-1", 4294967295u}, {std::string_view("\0\r\n 007", 7), 7}};
    for (const auto& [text, value] : cases) EXPECT_EQ(parseU32(text), value) << text;
    EXPECT_EQ(parseU64("18446744073709551617"), 1u);
    EXPECT_EQ(textFromU32(4294967295u), "4294967295");
    EXPECT_EQ(textFromI32(-2147483647 - 1), "-2147483648");
    EXPECT_EQ(textFromU64(18446744073709551615ull), "18446744073709551615");
    // The append forms write at a position, overwriting or extending, and advance it.
    ByteString out = "size: ??????";
    uint32_t pos = 6;
    appendU16(out, pos, 65535);
    appendDouble(out, pos, 1.5);
    appendI32(out, pos, -7);
    EXPECT_EQ(out + textFromU32(pos), "size: 655351.5000000000-725");
}

TEST(Numbers, FormatsByteSizes) {
    const std::tuple<const char*, uint32_t, const char*> cases[] = {
        {"1023", 0, "1,023 Bytes"},    {"1536", 0, "1.50KB"},           {"1048575", 0, "1,023.99KB"},
        {"3221225472", 0, "3.00GB"},   {"1234567", 1, "1,234,567 Bytes"}, {"0", 0, "0 Bytes"},
        {"1024", 99, "0.00YB"},        {"1208925819614629174706176", 0, "1.00YB"}};
    for (const auto& [size, unit, expected] : cases) EXPECT_EQ(FormatByteSize(size, unit), expected) << size;
}

TEST(Decimal, ArithmeticBeyondSixtyFourBits) {
    Decimal big = Decimal::parse("  123456789012345678901234567890xyz");
    EXPECT_EQ(big.toText(), "123456789012345678901234567890");
    EXPECT_EQ((big - big).toText(), "0");
    EXPECT_EQ((Decimal(5) - Decimal(7)).toText(), "-2");
    EXPECT_EQ((Decimal(1000000000) * Decimal(1000000000)).toText(), "1000000000000000000");
    EXPECT_EQ(Decimal::parse("-0").toText(), "0");
    EXPECT_TRUE(Decimal(3) < Decimal::parse("1000000000000"));
}

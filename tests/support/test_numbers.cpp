#include "support/numbers.h"

#include <gtest/gtest.h>

#include "support/decimal.h"

using namespace orv;

TEST(Numbers, ParsesLenientlyAndWraps) {
    EXPECT_EQ(parseU32("  -12abc"), static_cast<uint32_t>(-12));
    EXPECT_EQ(parseU32(""), 0u);
    EXPECT_EQ(parseU32("+"), 0u);
    EXPECT_EQ(parseU32("4294967297"), 1u);
    EXPECT_EQ(parseU32("4294967296"), 0u);
    EXPECT_EQ(parseU32("-1"), 4294967295u);
    EXPECT_EQ(parseU32(std::string_view("\0\r\n 007", 7)), 7u);
    EXPECT_EQ(parseU64("18446744073709551617"), 1u);
}

TEST(Numbers, WritesPlainDecimal) {
    EXPECT_EQ(textFromU32(0), "0");
    EXPECT_EQ(textFromU32(4294967295u), "4294967295");
    EXPECT_EQ(textFromI32(-2147483647 - 1), "-2147483648");
    EXPECT_EQ(textFromU64(18446744073709551615ull), "18446744073709551615");
    EXPECT_EQ(textFromDouble(1.5), "1.5000000000");
    ByteString out("ab");
    uint32_t pos = 2;
    appendU32(out, pos, 42);
    appendI32(out, pos, -7);
    EXPECT_EQ(out, "ab42-7");
    EXPECT_EQ(pos, 6u);
}

TEST(Numbers, FormatsByteSizes) {
    EXPECT_EQ(FormatByteSize("1023", 0), "1,023 Bytes");
    EXPECT_EQ(FormatByteSize("1536", 0), "1.50KB");
    EXPECT_EQ(FormatByteSize("1048575", 0), "1,023.99KB");
    EXPECT_EQ(FormatByteSize("3221225472", 0), "3.00GB");
    EXPECT_EQ(FormatByteSize("1234567", 1), "1,234,567 Bytes");
    EXPECT_EQ(FormatByteSize("0", 0), "0 Bytes");
    EXPECT_EQ(FormatByteSize("1024", 99), "0.00YB");
    EXPECT_EQ(FormatByteSize("1208925819614629174706176", 0), "1.00YB");
}

TEST(Numbers, BytesToDecimalInBothOrders) {
    const unsigned char le[] = {0x01, 0x02};
    EXPECT_EQ(bytesToDecimal(le, 2, false), "513");
    EXPECT_EQ(bytesToDecimal(le, 2, true), "258");
    unsigned char nine[9] = {0, 0, 0, 0, 0, 0, 0, 0, 1};  // 2^64, most significant last
    EXPECT_EQ(bytesToDecimal(nine, 9, false), "18446744073709551616");
    EXPECT_EQ(bytesToDecimal(nine, 0, false), "0");
}

TEST(Decimal, ArithmeticBeyondSixtyFourBits) {
    Decimal big = Decimal::parse("  123456789012345678901234567890xyz");
    EXPECT_EQ(big.toText(), "123456789012345678901234567890");
    EXPECT_EQ((big - big).toText(), "0");
    EXPECT_EQ((Decimal(5) - Decimal(7)).toText(), "-2");
    EXPECT_EQ((Decimal(1000000000) * Decimal(1000000000)).toText(), "1000000000000000000");
    EXPECT_EQ(Decimal::parse("-0").toText(), "0");
    EXPECT_TRUE(Decimal(3) < Decimal::parse("1000000000000"));
    EXPECT_EQ(Decimal::parse("99999999999999999999999").toU64Saturated(), UINT64_MAX);
    EXPECT_EQ(Decimal::parse("1000000001").toU64Saturated(), 1000000001u);
}

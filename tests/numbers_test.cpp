#include <gtest/gtest.h>

#include <string>

#include "text/numbers.hpp"
#include "text/sink.hpp"

namespace vh {
namespace {

TEST(Numbers, DecimalIsLenient) {
    EXPECT_EQ(parse_decimal("  42xyz"), 42);
    EXPECT_EQ(parse_decimal("\t-17"), -17);
    EXPECT_EQ(parse_decimal("+8"), 8);
    EXPECT_EQ(parse_decimal("abc"), 0);
    EXPECT_EQ(parse_decimal(""), 0);
    EXPECT_EQ(parse_decimal("- 5"), 0);
    EXPECT_EQ(parse_decimal("12 34"), 12);
}

TEST(Numbers, LongDigitStringsSaturateWithoutOverflow) {
    EXPECT_EQ(parse_decimal("2147483647"), INT32_MAX);
    EXPECT_EQ(parse_decimal("2147483648"), INT32_MAX);
    EXPECT_EQ(parse_decimal("-2147483648"), INT32_MIN);
    EXPECT_EQ(parse_decimal("-2147483649"), INT32_MIN);
    EXPECT_EQ(parse_decimal(std::string(250, '9')), INT32_MAX);
    EXPECT_EQ(parse_decimal("-" + std::string(250, '9')), INT32_MIN);
    EXPECT_EQ(parse_hex_unsigned(std::string(40, 'F')), 0xFFFFFFFFu);
    EXPECT_EQ(parse_hex_signed("80000000"), INT32_MAX);
    EXPECT_EQ(parse_hex_signed("-80000000"), INT32_MIN);
}

TEST(Numbers, HexadecimalWithPrefixAndSign) {
    EXPECT_EQ(parse_hex_unsigned("12345678"), 0x12345678u);
    EXPECT_EQ(parse_hex_unsigned("0x5f0"), 0x5F0u);
    EXPECT_EQ(parse_hex_unsigned("  0XABCdef"), 0xABCDEFu);
    EXPECT_EQ(parse_hex_unsigned("-1"), 0xFFFFFFFFu);
    EXPECT_EQ(parse_hex_unsigned("-0x10"), 0xFFFFFFF0u);
    EXPECT_EQ(parse_hex_unsigned("zz"), 0u);
    EXPECT_EQ(parse_hex_unsigned("0xg"), 0u);   // the 0 is the number
    EXPECT_EQ(parse_hex_unsigned("1g2"), 1u);
    EXPECT_EQ(parse_hex_signed("-5F0"), -0x5F0);
    EXPECT_EQ(parse_hex_signed("7FFFFFFF"), INT32_MAX);
}

TEST(Numbers, RealNumbers) {
    EXPECT_DOUBLE_EQ(parse_real("30.00"), 30.0);
    EXPECT_DOUBLE_EQ(parse_real(" 12.34s"), 12.34);
    EXPECT_DOUBLE_EQ(parse_real("x"), 0.0);
    EXPECT_EQ(static_cast<int>(parse_real("2.01") * 100.0), 200);
}

TEST(Sink, EveryLineEndIsCrLfAndTextsAreBounded) {
    StringSink s;
    put_text(s, "a,%d\n", 1);
    put_raw(s, "b\nc\n", 4);
    EXPECT_EQ(s.text, "a,1\r\nb\r\nc\r\n");
    StringSink big;
    put_text(big, "%s", std::string(400, 'x').c_str());
    EXPECT_EQ(big.text.size(), 255u);
}

}  // namespace
}  // namespace vh

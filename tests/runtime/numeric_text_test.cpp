#include "runtime/numeric_text.hpp"

#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>

namespace zov::test {
namespace {

using runtime::isNumeric;
using runtime::parseNumber;
using runtime::toInt16;
using runtime::toInt32;

TEST(NumericText, AcceptsSpacesSignDecimalsAndExponents) {
    EXPECT_EQ(parseNumber("42"), 42.0);
    EXPECT_EQ(parseNumber("  -12 "), -12.0);
    EXPECT_EQ(parseNumber("+7"), 7.0);
    EXPECT_EQ(parseNumber(".5"), 0.5);
    EXPECT_EQ(parseNumber("5."), 5.0);
    EXPECT_EQ(parseNumber("1.5e3"), 1500.0);
    EXPECT_EQ(parseNumber("25E-1"), 2.5);
    EXPECT_EQ(parseNumber("-0"), 0.0);
    EXPECT_EQ(parseNumber("000123"), 123.0);
}

TEST(NumericText, RefusesWhatIsNotANumber) {
    for (const char* text : {"", "   ", ".", "-", "+-1", "1e", "1e+", "e5", "12abc", "1 2", "0x10",
                             "inf", "nan", "1,5", "\t5", "5\r", "- 5", "1.2.3"}) {
        EXPECT_FALSE(isNumeric(text)) << '"' << text << '"';
    }
}

TEST(NumericText, OverflowIsNotANumberButUnderflowIsZero) {
    EXPECT_FALSE(isNumeric("1e400"));
    EXPECT_FALSE(isNumeric("-99999999999999999999e999999999999999999999"));
    EXPECT_EQ(parseNumber("1e-400"), 0.0);
    EXPECT_EQ(parseNumber("0.000001e-99999999999999"), 0.0);
    EXPECT_EQ(parseNumber("0e99999"), 0.0);
}

TEST(NumericText, IntegersRoundHalfToEven) {
    EXPECT_EQ(toInt16("0.5"), 0);
    EXPECT_EQ(toInt16("1.5"), 2);
    EXPECT_EQ(toInt16("2.5"), 2);
    EXPECT_EQ(toInt16("3.5"), 4);
    EXPECT_EQ(toInt16("-2.5"), -2);
    EXPECT_EQ(toInt16("-3.5"), -4);
    EXPECT_EQ(toInt16("2.4999"), 2);
    EXPECT_EQ(toInt16("2.5001"), 3);
    EXPECT_EQ(toInt32("79.6"), 80);
}

TEST(NumericText, IntegersThatDoNotFitAreNotNumbersInsteadOfWrapping) {
    EXPECT_EQ(toInt16("32767"), 32767);
    EXPECT_EQ(toInt16("-32768"), -32768);
    EXPECT_EQ(toInt16("32767.4"), 32767);
    EXPECT_EQ(toInt16("32767.5"), std::nullopt);  // rounds up to 32768
    EXPECT_EQ(toInt16("-32768.5"), -32768);       // rounds to the even -32768
    EXPECT_EQ(toInt16("-32769"), std::nullopt);
    EXPECT_EQ(toInt16("65616"), std::nullopt);  // 80 + 65536 must not come back as 80

    EXPECT_EQ(toInt32("2147483647"), 2147483647);
    EXPECT_EQ(toInt32("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(toInt32("2147483648"), std::nullopt);
    EXPECT_EQ(toInt32("4294967396"), std::nullopt);
    EXPECT_EQ(toInt32("1e10"), std::nullopt);
    EXPECT_EQ(toInt32("abc"), std::nullopt);
}

}  // namespace
}  // namespace zov::test

#include "runtime/numeric_text.hpp"

#include <gtest/gtest.h>

#include <optional>

#include "platform/port_number.hpp"

namespace zov::test {
namespace {

using runtime::isNumeric;
using runtime::parseNumber;

// An underflow reads as zero, an overflow as no number.
TEST(NumericText, ReadsSpacesSignDecimalsAndExponentsAndNothingElse) {
    const std::pair<const char*, double> numbers[] = {
        {"42", 42.0},      {"  -12 ", -12.0}, {"+7", 7.0},     {".5", 0.5},
        {"5.", 5.0},       {"1.5e3", 1500.0}, {"25E-1", 2.5},  {"-0", 0.0},
        {"000123", 123.0}, {"99.9", 99.9},    {"1e-400", 0.0}, {"0.000001e-99999999999999", 0.0},
        {"0e99999", 0.0}};
    for (const auto& [text, number] : numbers)
        EXPECT_EQ(parseNumber(text), number) << '"' << text << '"';
    for (const char* text :
         {"",     "   ", ".",     "-",     "+-1",
          "1e",   "1e+", "e5",    "12abc", "1 2",
          "0x10", "inf", "nan",   "1,5",   "\t5",
          "5\r",  "- 5", "1.2.3", "1e400", "-99999999999999999999e999999999999999999999"})
        EXPECT_FALSE(isNumeric(text)) << '"' << text << '"';
}

// Integers round half to even, and one that does not fit is no number rather than wrapping
// (65616 is not 80).
TEST(NumericText, IntegersRoundHalfToEvenAndRefuseWhatDoesNotFit) {
    const std::pair<const char*, std::optional<std::int16_t>> shorts[] = {
        {"0.5", 0},           {"1.5", 2},         {"2.5", 2},         {"3.5", 4},
        {"-2.5", -2},         {"-3.5", -4},       {"2.4999", 2},      {"2.5001", 3},
        {"32767", 32767},     {"-32768", -32768}, {"32767.4", 32767}, {"32767.5", {}},
        {"-32768.5", -32768}, {"-32769", {}},     {"65616", {}}};
    for (const auto& [text, number] : shorts)
        EXPECT_EQ(runtime::toInt16(text), number) << text;
    const std::pair<const char*, std::optional<std::int32_t>> longs[] = {
        {"79.6", 80},       {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1},
        {"2147483648", {}}, {"4294967396", {}},         {"1e10", {}},
        {"abc", {}}};
    for (const auto& [text, number] : longs)
        EXPECT_EQ(runtime::toInt32(text), number) << text;
}

TEST(NumericText, OnlyPlainDecimalPortsAreTaken) {
    for (auto [text, port] : {std::pair{"8080", 8080}, {"0", 0}, {"65535", 65535}, {"00021", 21}})
        EXPECT_EQ(platform::portNumber(text), port) << text;
    for (const char* text :
         {"", "65536", "99999", "123456", "+21", " 21", "21 ", "-1", "0x50", "2l"})
        EXPECT_FALSE(platform::portNumber(text)) << '"' << text << '"';
}

}  // namespace
}  // namespace zov::test

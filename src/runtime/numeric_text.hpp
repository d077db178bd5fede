#pragma once
// The one place that decides whether text is a number, for settings, side files and
// server replies alike. Accepted: spaces around, an optional sign, digits with an optional
// decimal point, an optional exponent ("  -12.5e3 "). Conversions to an integer round half
// to even; a value that does not fit the target type is "not a number", never wrapped.

#include <cstdint>
#include <optional>
#include <string_view>

namespace zov::runtime {

// The value of the text, or nothing when it is not a number or overflows a double. A
// value too small for a double is 0.
std::optional<double> parseNumber(std::string_view text);

bool isNumeric(std::string_view text);

// Rounds to the nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
double roundHalfEven(double value);

std::optional<std::int16_t> toInt16(std::string_view text);
std::optional<std::int32_t> toInt32(std::string_view text);

}  // namespace zov::runtime

#include "runtime/numeric_text.hpp"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace zov::runtime {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view trimSpaces(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// What the grammar check learns about a number, enough to tell an overflow from an
// underflow when the conversion gives up.
struct NumberShape {
    bool negative = false;
    std::string_view unsignedText;  // the number without its sign
    bool allZero = true;
    long decimalMagnitude = 0;  // power of ten of the first significant digit
};

std::optional<NumberShape> checkShape(std::string_view text) {
    NumberShape shape;
    std::size_t pos = 0;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        shape.negative = text[pos] == '-';
        ++pos;
    }
    shape.unsignedText = text.substr(pos);

    std::size_t digits = 0;
    long magnitude = 0;
    bool significantSeen = false;
    for (; pos < text.size() && isDigit(text[pos]); ++pos, ++digits) {
        if (text[pos] != '0') significantSeen = true;
        if (significantSeen) ++magnitude;
    }
    if (significantSeen) {
        magnitude -= 1;
    }
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        long place = -1;
        for (; pos < text.size() && isDigit(text[pos]); ++pos, ++digits, --place) {
            if (!significantSeen && text[pos] != '0') {
                significantSeen = true;
                magnitude = place;
            }
        }
    }
    if (digits == 0) return std::nullopt;

    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        ++pos;
        bool negativeExponent = false;
        if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
            negativeExponent = text[pos] == '-';
            ++pos;
        }
        if (pos == text.size() || !isDigit(text[pos])) return std::nullopt;
        long exponent = 0;
        for (; pos < text.size() && isDigit(text[pos]); ++pos) {
            // Saturates: anything this far out is an overflow or an underflow anyway.
            if (exponent < 1'000'000) exponent = exponent * 10 + (text[pos] - '0');
        }
        magnitude += negativeExponent ? -exponent : exponent;
    }
    if (pos != text.size()) return std::nullopt;

    shape.allZero = !significantSeen;
    shape.decimalMagnitude = magnitude;
    return shape;
}

template <class Int>
std::optional<Int> toInteger(std::string_view text) {
    const auto value = parseNumber(text);
    if (!value) return std::nullopt;
    const double rounded = roundHalfEven(*value);
    if (rounded < static_cast<double>(std::numeric_limits<Int>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<Int>::max())) {
        return std::nullopt;
    }
    return static_cast<Int>(rounded);
}

}  // namespace

std::optional<double> parseNumber(std::string_view text) {
    const auto shape = checkShape(trimSpaces(text));
    if (!shape) return std::nullopt;
    if (shape->allZero) return 0.0;

    // from_chars does not depend on the process locale, so "1.5" means the same under a
    // desktop whose decimal separator is a comma.
    double value = 0.0;
    const char* first = shape->unsignedText.data();
    const char* last = first + shape->unsignedText.size();
    const auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
    if (error == std::errc::result_out_of_range) {
        if (shape->decimalMagnitude >= 0) return std::nullopt;
        value = 0.0;
    } else if (error != std::errc{} || end != last || !std::isfinite(value)) {
        return std::nullopt;
    }
    return shape->negative ? -value : value;
}

bool isNumeric(std::string_view text) {
    return parseNumber(text).has_value();
}

double roundHalfEven(double value) {
    if (std::fabs(value - std::trunc(value)) == 0.5) return 2.0 * std::round(value / 2.0);
    return std::round(value);
}

std::optional<std::int16_t> toInt16(std::string_view text) {
    return toInteger<std::int16_t>(text);
}

std::optional<std::int32_t> toInt32(std::string_view text) {
    return toInteger<std::int32_t>(text);
}

}  // namespace zov::runtime

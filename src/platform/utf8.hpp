#pragma once
// Writing a Unicode code point as UTF-8, and checking UTF-8, for readers and writers of text
// from outside (pages, JSON).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zov::platform {

// Appends the code point's UTF-8 bytes; the caller decides what an invalid code becomes.
void appendUtf8(std::string& out, std::uint32_t code);

// The length (1-4) of the well-formed UTF-8 sequence that starts at `pos`, or 0 when the
// bytes there are none: a stray continuation byte, an overlong form, a surrogate, a code
// above U+10FFFF, a sequence cut short, or `pos` at the end.
std::size_t utf8SequenceLength(std::string_view text, std::size_t pos);

bool isValidUtf8(std::string_view text);

}  // namespace zov::platform

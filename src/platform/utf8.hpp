#pragma once
// Writing a Unicode code point as UTF-8, for readers of text from outside (pages, JSON).

#include <cstdint>
#include <string>

namespace zov::platform {

// Appends the code point's UTF-8 bytes; the caller decides what an invalid code becomes.
void appendUtf8(std::string& out, std::uint32_t code);

}  // namespace zov::platform

#pragma once
// Reading what a delivery server says: reply codes, the data port of a passive-mode reply,
// the size of a SIZE reply, and the resume count of a download's side file. Pure functions
// over text from outside: they accept anything and never fail loudly.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zov::net {

struct ReplyScan {
    std::int16_t code = 0;     // the last "NNN " line's code, 0 when there is none
    std::string continuation;  // the text of the "NNN-" lines, each with CR LF
};

// Splits the text at CR LF and reads every line that starts with three digits.
ReplyScan scanReply(std::string_view text);

// The port of a 227 reply: six numbers 0-255 between the first "(" and the first ")".
// The four host numbers are only checked, never used.
std::optional<std::uint16_t> passiveDataPort(std::string_view reply);

// The second word of a SIZE reply's first line when it is a number (never negative).
std::optional<double> sizeFromReply(std::string_view reply);

// Where a download resumes: the count in the side file's first line, trimmed of spaces,
// less the back-off, never below 0; 0 when it is not a number that fits 32 bits.
std::int64_t resumeOffsetFromSideFile(std::string_view content, std::int64_t backoff);

}  // namespace zov::net

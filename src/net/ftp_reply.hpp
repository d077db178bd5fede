#pragma once
// Reading what a delivery server says: the data port of a passive-mode reply, the size of a
// SIZE reply, and where a download resumes from its side file. Pure functions over text
// from outside: they accept anything and never fail loudly. Replies themselves are cut
// from the control connection by FtpReplyReader.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zov::net {

// The port of a 227 reply: six numbers 0-255 between the first "(" and the first ")".
// The four host numbers are only checked, never used.
std::optional<std::uint16_t> passiveDataPort(std::string_view reply);

// The second word of a SIZE reply's first line when it is a number (never negative).
std::optional<double> sizeFromReply(std::string_view reply);

// Where a download resumes. The count is the side file's first line, trimmed of spaces;
// the offset is the count less the back-off, never below 0. The disk has the last word: a
// count that is not a number that fits 32 bits, is negative, or is more than the partial
// movie holds (a truncated file, a count written ahead of data a power cut lost) gives
// {0, 0}, the beginning.
struct ResumePoint {
    std::int64_t count = 0;
    std::int64_t offset = 0;
};
ResumePoint resumePointFromSideFile(std::string_view content, std::int64_t partialLength,
                                    std::int64_t backoff);

}  // namespace zov::net

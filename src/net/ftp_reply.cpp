#include "net/ftp_reply.hpp"

#include <algorithm>
#include <cctype>
#include <vector>

#include "runtime/numeric_text.hpp"

namespace zov::net {

namespace {

std::string_view firstLine(std::string_view text) {
    return text.substr(0, text.find_first_of("\r\n"));
}

}  // namespace

std::optional<std::uint16_t> passiveDataPort(std::string_view reply) {
    std::size_t open = reply.find('(');
    std::size_t close = reply.find(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open) {
        return {};
    }
    std::string_view inside = reply.substr(open + 1, close - open - 1);
    std::vector<int> fields;
    while (true) {
        std::size_t comma = inside.find(',');
        auto value = runtime::toInt32(inside.substr(0, comma));
        if (!value || *value < 0 || *value > 255 || fields.size() == 6) return {};
        fields.push_back(*value);
        if (comma == std::string_view::npos) break;
        inside.remove_prefix(comma + 1);
    }
    if (fields.size() != 6) return {};
    const int port = fields[4] * 256 + fields[5];
    if (port == 0) return {};
    return static_cast<std::uint16_t>(port);
}

std::optional<double> sizeFromReply(std::string_view reply) {
    std::string_view line = firstLine(reply);
    std::size_t space = line.find(' ');
    if (space == std::string_view::npos) return {};
    std::string_view word = line.substr(space + 1);
    word = word.substr(0, word.find(' '));
    auto size = runtime::parseNumber(word);
    if (!size || *size < 0) return {};
    return size;
}

ResumePoint resumePointFromSideFile(std::string_view content, std::int64_t partialLength,
                                    std::int64_t backoff) {
    std::string_view line = firstLine(content);
    std::size_t first = line.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    line = line.substr(first, line.find_last_not_of(' ') - first + 1);
    auto recorded = runtime::toInt32(line);
    if (!recorded || *recorded < 0 || *recorded > partialLength) return {};
    return {*recorded, std::max<std::int64_t>(0, *recorded - backoff)};
}

}  // namespace zov::net

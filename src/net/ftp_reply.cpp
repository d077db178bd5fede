#include "net/ftp_reply.hpp"

#include <algorithm>
#include <cctype>
#include <vector>

#include "runtime/numeric_text.hpp"

namespace zov::net {

namespace {

bool startsWithThreeDigits(std::string_view line) {
    return line.size() >= 4 && std::isdigit(static_cast<unsigned char>(line[0])) &&
           std::isdigit(static_cast<unsigned char>(line[1])) &&
           std::isdigit(static_cast<unsigned char>(line[2]));
}

std::string_view firstLine(std::string_view text) {
    return text.substr(0, text.find_first_of("\r\n"));
}

}  // namespace

ReplyScan scanReply(std::string_view text) {
    ReplyScan scan;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (startsWithThreeDigits(line) && line[3] == '-') {
            scan.continuation.append(line.substr(4));
            scan.continuation += "\r\n";
        } else if (startsWithThreeDigits(line) && line[3] == ' ') {
            scan.code = static_cast<std::int16_t>((line[0] - '0') * 100 + (line[1] - '0') * 10 +
                                                  (line[2] - '0'));
        }
        start = end + 2;
    }
    return scan;
}

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

std::int64_t resumeOffsetFromSideFile(std::string_view content, std::int64_t backoff) {
    std::string_view line = firstLine(content);
    std::size_t first = line.find_first_not_of(' ');
    if (first == std::string_view::npos) return 0;
    line = line.substr(first, line.find_last_not_of(' ') - first + 1);
    auto recorded = runtime::toInt32(line);
    return recorded ? std::max<std::int64_t>(0, *recorded - backoff) : 0;
}

}  // namespace zov::net

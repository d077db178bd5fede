#include "command_reader.hpp"

#include <cctype>

#include "platform/plain_file_name.hpp"

namespace zov::service {

LineStatus takeLine(std::string& buffer, std::string& line, std::size_t limit) {
    std::size_t end = buffer.find('\n');
    if (end == std::string::npos) {
        return buffer.size() > limit ? LineStatus::TooLong : LineStatus::Incomplete;
    }
    if (end > limit) return LineStatus::TooLong;
    line.assign(buffer, 0, end);
    buffer.erase(0, end + 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return LineStatus::Line;
}

FtpCommand readFtpCommand(std::string_view line) {
    FtpCommand command;
    std::size_t space = line.find(' ');
    std::string_view verb = line.substr(0, space);
    for (char c : verb) {
        command.verb.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    }
    if (space != std::string_view::npos) command.argument = line.substr(space + 1);
    return command;
}

std::optional<LoginLine> readLoginLine(std::string_view line) {
    std::string_view rest = line;
    auto word = [&rest]() -> std::string_view {
        std::size_t space = rest.find(' ');
        std::string_view taken = rest.substr(0, space);
        rest = space == std::string_view::npos ? std::string_view{} : rest.substr(space + 1);
        return taken;
    };
    if (word() != "USER") return std::nullopt;
    LoginLine login;
    login.distributor = word();
    login.user = word();
    login.password = rest;
    if (login.distributor.empty() || login.user.empty() || login.password.empty()) {
        return std::nullopt;
    }
    return login;
}

std::optional<std::int64_t> readOffset(std::string_view text) {
    if (text.empty() || text.size() > 16) return std::nullopt;
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > (std::int64_t{1} << 53)) return std::nullopt;
    return value;
}

namespace {

// The value of the first header of that (lower-case) name, without surrounding blanks.
std::string headerValue(std::string_view head, std::string_view lowerName) {
    std::size_t at = head.find('\n');
    while (at != std::string_view::npos) {
        const std::size_t next = head.find('\n', at + 1);
        std::string_view line = head.substr(at + 1, next == head.npos ? head.npos : next - at - 1);
        at = next;
        const std::size_t colon = line.find(':');
        if (colon != lowerName.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < colon && same; ++i) {
            const char c = line[i];
            same = (c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) == lowerName[i];
        }
        if (!same) continue;
        std::string_view value = line.substr(colon + 1);
        while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
            value.remove_prefix(1);
        while (!value.empty() &&
               (value.back() == ' ' || value.back() == '\t' || value.back() == '\r'))
            value.remove_suffix(1);
        return std::string(value);
    }
    return {};
}

}  // namespace

bool isServableName(std::string_view name) {
    return name.size() <= 255 && platform::isPlainFileName(name);
}

}  // namespace zov::service

namespace zov::service {

RequestStatus readHttpRequest(std::string_view received, HttpRequest& request) {
    std::size_t end = received.find("\r\n\r\n");
    std::size_t headEnd = end == std::string_view::npos ? received.find("\n\n") : end;
    if (headEnd == std::string_view::npos) {
        return received.size() > kMaxRequestHead ? RequestStatus::Malformed
                                                 : RequestStatus::Incomplete;
    }
    if (headEnd > kMaxRequestHead) return RequestStatus::Malformed;
    std::string_view first = received.substr(0, received.find('\n'));
    if (!first.empty() && first.back() == '\r') first.remove_suffix(1);
    std::size_t space1 = first.find(' ');
    std::size_t space2 = space1 == std::string_view::npos ? space1 : first.find(' ', space1 + 1);
    if (space2 == std::string_view::npos || first.substr(space2 + 1).rfind("HTTP/", 0) != 0) {
        return RequestStatus::Malformed;
    }
    std::string_view target = first.substr(space1 + 1, space2 - space1 - 1);
    if (space1 == 0 || target.empty() || target.front() != '/') return RequestStatus::Malformed;
    request.method = first.substr(0, space1);
    std::size_t question = target.find('?');
    request.path = target.substr(0, question);
    request.query = question == std::string_view::npos ? "" : target.substr(question + 1);
    request.range = headerValue(received.substr(0, headEnd), "range");
    return RequestStatus::Complete;
}

}  // namespace zov::service

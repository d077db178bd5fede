#include "player_arguments.hpp"

#include <charconv>
#include <cstddef>

namespace zov::player {

namespace {

constexpr std::string_view kScheme = "xms://";
constexpr std::size_t kLongestName = 2048;

std::optional<std::int64_t> integer(std::string_view text) {
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc{} || stop != end) return std::nullopt;
    return value;
}

bool isLetterOrDigit(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// A host name or IPv4 address: letters, digits, dots and inner hyphens.
bool isHost(std::string_view host) {
    if (host.empty() || host.front() == '-' || host.front() == '.' || host.back() == '-')
        return false;
    for (char c : host)
        if (!isLetterOrDigit(c) && c != '.' && c != '-') return false;
    return true;
}

bool isPort(std::string_view port) {
    if (port.empty() || port.size() > 5 || port.front() == '0') return false;
    const auto value = integer(port);
    return value && *value >= 1 && *value <= 65535;
}

// Unreserved characters, slashes and well-formed escapes: no query, no fragment, nothing
// a media library could read as an option or a second address.
bool isPath(std::string_view path) {
    if (path.empty() || path.front() != '/') return false;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const char c = path[i];
        if (isLetterOrDigit(c) || c == '/' || c == '.' || c == '-' || c == '_' || c == '~')
            continue;
        if (c == '%' && i + 2 < path.size() && isHexDigit(path[i + 1]) && isHexDigit(path[i + 2])) {
            i += 2;
            continue;
        }
        return false;
    }
    return true;
}

}  // namespace

ParsedArguments parsePlayerArguments(const std::vector<std::string_view>& fields) {
    ParsedArguments parsed;
    if (fields.size() >= 2) parsed.mainWindow = integer(fields[1]);
    if (fields.size() < 3 || fields.size() > 4) {
        parsed.problem = "expected 3 or 4 arguments, got " + std::to_string(fields.size());
        return parsed;
    }
    const auto region = integer(fields[0]);
    if (!region || *region <= 0) {
        parsed.problem = "the video region \"" + std::string(fields[0]) + "\" is no window";
        return parsed;
    }
    if (!parsed.mainWindow) {
        parsed.problem = "the main window \"" + std::string(fields[1]) + "\" is no window";
        return parsed;
    }
    std::int64_t start = 0;
    if (fields.size() == 4) {
        const auto seconds = integer(fields[3]);
        if (!seconds || *seconds < 0) {
            parsed.problem =
                "the start position \"" + std::string(fields[3]) + "\" is not a number of seconds";
            return parsed;
        }
        start = *seconds;
    }
    parsed.arguments = PlayerArguments{*region, *parsed.mainWindow, std::string(fields[2]), start};
    return parsed;
}

std::optional<std::string> liveChannelAddress(std::string_view name) {
    if (name.size() > kLongestName || !name.starts_with(kScheme)) return std::nullopt;
    const std::string_view rest = name.substr(kScheme.size());
    const std::size_t slash = rest.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    const std::string_view authority = rest.substr(0, slash);
    const std::size_t colon = authority.find(':');
    const std::string_view host = authority.substr(0, colon);
    if (!isHost(host)) return std::nullopt;
    if (colon != std::string_view::npos && !isPort(authority.substr(colon + 1)))
        return std::nullopt;
    if (!isPath(rest.substr(slash))) return std::nullopt;
    return "http://" + std::string(rest);
}

}  // namespace zov::player

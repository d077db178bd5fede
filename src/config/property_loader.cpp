#include "config/property_loader.hpp"

#include "platform/file_system.hpp"
#include "runtime/numeric_text.hpp"

namespace zov::config {

namespace {

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

std::string_view trimSpaces(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The next line of the text and the rest after its ending. Lines end in CR LF; a lone LF
// or CR also ends one, so a file saved by a Linux editor reads the same.
std::string_view nextLine(std::string_view& rest) {
    const auto end = rest.find_first_of("\r\n");
    const auto line = rest.substr(0, end);
    if (end == std::string_view::npos) {
        rest = {};
    } else {
        const bool crlf = rest[end] == '\r' && end + 1 < rest.size() && rest[end + 1] == '\n';
        rest.remove_prefix(end + (crlf ? 2 : 1));
    }
    return line;
}

}  // namespace

PropertyLoader::PropertyLoader(platform::FileSystem& fileSystem) : fileSystem_(fileSystem) {}

bool PropertyLoader::loadFile(std::string_view path) {
    const auto contents = fileSystem_.readFile(path);
    if (!contents) return false;

    std::string_view rest = *contents;
    if (rest.starts_with(kUtf8ByteOrderMark)) rest.remove_prefix(kUtf8ByteOrderMark.size());

    std::size_t entries = 0;
    while (!rest.empty() && entries < keys_.size()) {
        const auto line = trimSpaces(nextLine(rest));
        if (line.empty() || line.front() == '\'') continue;
        const auto equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        keys_[entries] = line.substr(0, equals);
        values_[entries] = line.substr(equals + 1);
        ++entries;
    }
    return true;
}

std::string PropertyLoader::getString(std::string_view key, std::string_view defaultText) const {
    for (std::size_t slot = 0; slot < keys_.size(); ++slot) {
        if (keys_[slot] == key) return values_[slot];
    }
    return std::string(defaultText);
}

std::int16_t PropertyLoader::getInteger(std::string_view key, std::int16_t defaultNumber) const {
    return runtime::toInt16(getString(key, "")).value_or(defaultNumber);
}

}  // namespace zov::config

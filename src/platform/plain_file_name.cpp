#include "platform/plain_file_name.hpp"

#include <algorithm>

namespace zov::platform {

bool isPlainFileName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return c == '\\' || c == '/' || c == ':' || byte < 0x20 || byte == 0x7f;
    });
}

}  // namespace zov::platform

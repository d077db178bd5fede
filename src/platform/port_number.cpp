#include "platform/port_number.hpp"

namespace zov::platform {

std::optional<std::int32_t> portNumber(std::string_view text) {
    if (text.empty() || text.size() > 5) return std::nullopt;
    std::int32_t port = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        port = port * 10 + (c - '0');
    }
    if (port > 65535) return std::nullopt;
    return port;
}

}  // namespace zov::platform

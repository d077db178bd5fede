#pragma once
// A TCP port as typed on a command line or in an address: decimal digits only, 0 to 65535
// (0 asks the system for a free port where that makes sense).

#include <cstdint>
#include <optional>
#include <string_view>

namespace zov::platform {

std::optional<std::int32_t> portNumber(std::string_view text);

}  // namespace zov::platform

// Arbitrary side-file content over a partial movie of arbitrary length: the resume point is
// never negative, never past what the partial movie holds, and never beyond what a 32-bit
// count can say.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "net/ftp_reply.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::uint32_t length = 0;
    if (size >= sizeof length) {
        std::memcpy(&length, data, sizeof length);
        data += sizeof length;
        size -= sizeof length;
    }
    std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto point = zov::net::resumePointFromSideFile(text, length, 1280);
    if (point.offset < 0 || point.offset > point.count || point.count > length ||
        point.count > 2147483647) {
        std::abort();
    }
    return 0;
}

// Arbitrary side-file content: the resume point is never negative and never beyond what a
// 32-bit count can say.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "net/ftp_reply.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::int64_t offset = zov::net::resumeOffsetFromSideFile(text, 1280);
    if (offset < 0 || offset > 2147483647) std::abort();
    return 0;
}

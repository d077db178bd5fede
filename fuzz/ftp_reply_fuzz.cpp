// Arbitrary server text through the reply readers: reply codes, the passive-mode port, the
// SIZE reply; none may crash, and what they return must be in range.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "net/ftp_reply.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto scan = zov::net::scanReply(text);
    if (scan.code < 0 || scan.code > 999) std::abort();
    if (scan.continuation.size() > text.size() + text.size()) std::abort();
    if (auto port = zov::net::passiveDataPort(text); port && *port == 0) std::abort();
    if (auto bytes = zov::net::sizeFromReply(text); bytes && *bytes < 0) std::abort();
    return 0;
}

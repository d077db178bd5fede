// Arbitrary server text through the reply readers: cut into receives at arbitrary places
// for the reply reader, and whole for the passive-mode port and the SIZE reply. None may
// crash, and what they return must be in range: codes of three digits, every reply handed
// out once and no longer than what was fed, the waiting text bounded.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "net/ftp_reply.hpp"
#include "net/ftp_reply_reader.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    if (auto port = zov::net::passiveDataPort(text); port && *port == 0) std::abort();
    if (auto bytes = zov::net::sizeFromReply(text); bytes && *bytes < 0) std::abort();

    // The first byte chooses how the rest is cut into receives.
    if (text.empty()) return 0;
    const std::size_t piece = 1 + static_cast<unsigned char>(text[0]) % 64;
    text.remove_prefix(1);
    zov::net::FtpReplyReader reader;
    std::size_t handedOut = 0;
    for (std::size_t at = 0; at < text.size(); at += piece) {
        reader.feed(text.substr(at, piece));
        while (auto reply = reader.next()) {
            if (reply->code < 0 || reply->code > 999 || reply->text.size() < 5) std::abort();
            handedOut += reply->text.size();
        }
        if (reader.waiting() > zov::net::FtpReplyReader::kLimit + piece) std::abort();
    }
    if (handedOut > text.size()) std::abort();
    return 0;
}

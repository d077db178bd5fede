// Arbitrary authentication server output, cut into chunks at every 0xFF byte, through the
// chunk reader and the attribute reader, as a hostile server could send it. Beyond not
// crashing, the list must stay within its bound and every value must come from the text.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "net/auth_reply.hpp"

namespace {

constexpr std::size_t kLimit = 4096;  // small, so that the bound is reached often

void require(bool condition) {
    if (!condition) std::abort();
}

void readAttributes(const std::string& list) {
    for (const char* name : {"location", "username", "password", "cdnport", "epgGuide", "AdsUrl"}) {
        const std::string value = zov::net::readReplyValue(list, name);
        require(value.find('"') == std::string::npos);
        require(value.empty() || list.find(value) != std::string::npos);
    }
    const std::int32_t port = zov::net::cdnPort(zov::net::readReplyValue(list, "cdnport"));
    require(port == -1 || (port >= 1 && port <= 65535));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::string list;
    std::size_t start = 0;
    while (start <= input.size()) {
        std::size_t end = input.find('\xff', start);
        if (end == std::string_view::npos) end = input.size();
        const std::string_view chunk = input.substr(start, end - start);
        start = end + 1;

        const zov::net::ChunkMeaning meaning = zov::net::classifyChunk(chunk);
        require(meaning.endsAttempt == chunk.starts_with("ERR"));
        require((meaning.kind == zov::net::ChunkKind::StatusReply) == !meaning.status.empty());
        if (meaning.kind != zov::net::ChunkKind::ListPart) continue;
        const std::size_t before = list.size();
        switch (zov::net::appendToList(list, chunk, kLimit)) {
            case zov::net::ListProgress::Overflow:
                require(list.empty() && before + chunk.size() > kLimit);
                break;
            case zov::net::ListProgress::Complete:
                require(list.ends_with("</movieList>"));
                readAttributes(list);
                list.clear();
                break;
            case zov::net::ListProgress::Partial:
                require(list.size() == before + chunk.size() && list.size() <= kLimit);
                break;
        }
    }
    readAttributes(list);
    zov::net::isSendable(input);
    return 0;
}

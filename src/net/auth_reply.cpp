#include "net/auth_reply.hpp"

#include <array>

#include "runtime/numeric_text.hpp"

namespace zov::net {

namespace {

struct StatusKeyword {
    std::string_view keyword;
    std::string_view status;
};

constexpr std::string_view kCommunicationError =
    "Communication Error.  Please Try to Login Again...";

constexpr std::array<StatusKeyword, 6> kStatusKeywords{{
    {"ERR_INVALID_PASS", "Invalid Password..."},
    {"ERR_MULTI_LOGIN", "Duplicated Logins Detected..."},
    {"ERR_INVALID_USER_OR_CONTENT_DISTRIBUTOR", "User ID Does Not Exist..."},
    {"ERR_INCOMPLETEINFO", "Insufficient Information Provided..."},
    {"ERR_INVALIDID", kCommunicationError},
    {kReadErrorChunk, kCommunicationError},
}};

constexpr std::string_view kListEnd = "</movieList>";

}  // namespace

ChunkMeaning classifyChunk(std::string_view chunk) {
    ChunkMeaning meaning;
    meaning.endsAttempt = chunk.starts_with("ERR");
    for (const StatusKeyword& entry : kStatusKeywords) {
        if (chunk == entry.keyword) {
            meaning.kind = ChunkKind::StatusReply;
            meaning.status = entry.status;
            return meaning;
        }
    }
    if (chunk == "CM_PING") {
        meaning.kind = ChunkKind::Ping;
    } else if (chunk == "RPL_ACCEPTED") {
        meaning.kind = ChunkKind::Accepted;
    }
    return meaning;
}

ListProgress appendToList(std::string& buffer, std::string_view chunk, std::size_t limit) {
    if (chunk.size() > limit || buffer.size() > limit - chunk.size()) {
        buffer.clear();
        buffer.shrink_to_fit();
        return ListProgress::Overflow;
    }
    buffer.append(chunk);
    // The end may have been cut across two chunks; only an empty chunk adds nothing new.
    if (!chunk.empty() && buffer.ends_with(kListEnd)) return ListProgress::Complete;
    return ListProgress::Partial;
}

std::string readReplyValue(std::string_view text, std::string_view name) {
    std::string key;
    key.reserve(name.size() + 2);
    key.append(" ").append(name).append("=");
    const std::size_t at = text.find(key);
    if (at == std::string_view::npos) return {};
    const std::size_t open = text.find('"', at + key.size());
    if (open == std::string_view::npos) return {};
    // The closing quote may be the very next character: an empty value.
    const std::size_t close = text.find('"', open + 1);
    if (close == std::string_view::npos) return {};
    return std::string(text.substr(open + 1, close - open - 1));
}

std::int32_t cdnPort(std::string_view value) {
    const auto port = runtime::toInt32(value);
    if (!port || *port < 1 || *port > 65535) return -1;
    return *port;
}

bool isSendable(std::string_view value) {
    return value.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

}  // namespace zov::net

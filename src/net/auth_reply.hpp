#pragma once
// Reading what the authentication server says: which kind of reply a chunk is, how the
// movie list grows chunk by chunk, and the configuration attributes inside it. Pure
// functions over text from outside: they accept anything and never fail loudly.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zov::net {

// The chunk the client makes up when reading what arrived fails.
inline constexpr std::string_view kReadErrorChunk = "ERROR_GETTING_DATA";

enum class ChunkKind {
    StatusReply,  // an error keyword with a status line of its own
    Ping,         // "CM_PING"
    Accepted,     // "RPL_ACCEPTED"
    ListPart,     // anything else: a piece of the movie list
};

struct ChunkMeaning {
    ChunkKind kind = ChunkKind::ListPart;
    // Every reply starting with "ERR" ends the attempt, keyword or not.
    bool endsAttempt = false;
    std::string_view status;  // the status line of a StatusReply, else empty
};

// A keyword is the whole chunk, compared exactly: a keyword with a line end, or two in one
// chunk, are list parts.
ChunkMeaning classifyChunk(std::string_view chunk);

enum class ListProgress { Partial, Complete, Overflow };

// Appends a chunk to the movie list gathered so far. Complete once the text ends with
// "</movieList>", wherever the chunks were cut. A list that would grow past `limit` bytes
// is dropped (the buffer is emptied) and reported as Overflow.
ListProgress appendToList(std::string& buffer, std::string_view chunk, std::size_t limit);

// The value of the first ` name="value"` in the text: the name exact and case-sensitive,
// nothing between it and "=". Empty when the attribute is missing, has no quotes, or
// has an empty value.
std::string readReplyValue(std::string_view text, std::string_view name);

// The delivery server port of a `cdnport` value: a number from 1 to 65535, else -1.
std::int32_t cdnPort(std::string_view value);

// Whether a login value may go on the wire: a CR, LF or NUL would end the login line early
// and smuggle in a line of its own.
bool isSendable(std::string_view value);

}  // namespace zov::net

#pragma once
// Reading what clients of the service send. Pure functions over hostile text: they accept
// anything, never throw, and bound what they keep.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zov::service {

// The longest command line a client may send; anything longer is refused.
inline constexpr std::size_t kMaxLineLength = 1024;

enum class LineStatus { Line, Incomplete, TooLong };

// Takes the first line (ended by LF, a CR before it dropped) off the front of `buffer`.
// TooLong when a line, finished or not, exceeds `limit` bytes; the buffer is then useless.
LineStatus takeLine(std::string& buffer, std::string& line, std::size_t limit = kMaxLineLength);

struct FtpCommand {
    std::string verb;      // upper case
    std::string argument;  // everything after the first space, as sent
};

FtpCommand readFtpCommand(std::string_view line);

struct LoginLine {
    std::string distributor;
    std::string user;
    std::string password;  // the rest of the line: a password may hold spaces
};

// "USER distributor user password"; nothing when a part is missing.
std::optional<LoginLine> readLoginLine(std::string_view line);

// A REST offset: decimal digits only, at most 2^53.
std::optional<std::int64_t> readOffset(std::string_view text);

// Whether a name sent by a client may name a movie: one plain file name, no path.
bool isServableName(std::string_view name);

}  // namespace zov::service

namespace zov::service {

// The longest request head (request line and headers) the HTTP server reads.
inline constexpr std::size_t kMaxRequestHead = 8192;

enum class RequestStatus { Complete, Incomplete, Malformed };

struct HttpRequest {
    std::string method;
    std::string path;        // without the query
    std::string query;       // after "?", undecoded
    std::string range = {};  // the value of a "Range" header; empty without one
};

// Reads the head of an HTTP request from what has arrived so far; Malformed when the head
// is too long or the request line is not "METHOD TARGET HTTP/x".
RequestStatus readHttpRequest(std::string_view received, HttpRequest& request);

}  // namespace zov::service

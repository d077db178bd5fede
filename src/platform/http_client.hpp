#pragma once
// One synchronous HTTP GET, for the few places that must have an answer before they go on
// (the version check). The call blocks the calling thread, so every request carries bounds:
// it gives up when the connection or the whole exchange takes too long, or the answer grows
// too large. Not for downloads: those are asynchronous sockets on the event loop.

#include <cstddef>
#include <cstdint>
#include <string>

namespace zov::platform {

// Numbers of the failures get() raises, as the Windows HTTP services number them, in line
// with the socket errors keeping their Windows Sockets numbers.
enum HttpErrorNumber : std::int32_t {
    kHttpTimeout = 12002,
    kHttpInternalError = 12004,
    kHttpInvalidUrl = 12005,
    kHttpUnrecognizedScheme = 12006,
    kHttpNameNotResolved = 12007,
    kHttpCannotConnect = 12029,
    kHttpConnectionError = 12030,
    kHttpInvalidResponse = 12152,
};

struct HttpLimits {
    std::int64_t connectTimeoutMs = 10000;  // to set up the connection
    std::int64_t totalTimeoutMs = 30000;    // for the whole exchange, connection included
    std::size_t maxBodyBytes = 1 << 20;     // a longer answer is refused, not truncated
};

struct HttpResponse {
    int status = 0;  // the status code of the answer, 200 for "OK"
    std::string body;
};

class HttpClient {
  public:
    virtual ~HttpClient() = default;

    // Sends a GET without a body and returns whatever status the server answered with.
    // Throws zov::Error with one of the numbers above when no answer arrives within the
    // limits: bad address, unreachable server, time-out, broken or oversized answer.
    virtual HttpResponse get(const std::string& url, const HttpLimits& limits) = 0;
};

}  // namespace zov::platform

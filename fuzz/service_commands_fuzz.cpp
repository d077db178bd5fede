// Arbitrary client text through the service's command readers: line taking, FTP commands,
// login lines, REST offsets, served names and HTTP request heads. None may crash, and what
// they keep must stay within their bounds.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "command_reader.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zov::service;
    std::string_view text(reinterpret_cast<const char*>(data), size);

    std::string buffer(text);
    std::string line;
    for (;;) {
        LineStatus status = takeLine(buffer, line);
        if (status != LineStatus::Line) break;
        if (line.size() > kMaxLineLength) std::abort();
        FtpCommand command = readFtpCommand(line);
        if (command.verb.size() + command.argument.size() > line.size()) std::abort();
        if (auto login = readLoginLine(line); login && login->user.empty()) std::abort();
        if (auto offset = readOffset(command.argument); offset && *offset < 0) std::abort();
        if (isServableName(command.argument) &&
            (command.argument.find('/') != std::string::npos || command.argument == "..")) {
            std::abort();
        }
    }

    HttpRequest request;
    if (readHttpRequest(text, request) == RequestStatus::Complete &&
        (request.path.empty() || request.path.front() != '/')) {
        std::abort();
    }
    return 0;
}

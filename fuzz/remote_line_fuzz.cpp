// Arbitrary bytes from a remote-control client, cut into lines by the bounded line splitter
// and read as JSON, as a hostile script could send them. Beyond not crashing: no line passes
// the bound, only valid UTF-8 is read, whatever is read writes back as one line of valid
// UTF-8 that reads back the same, and any bytes at all held as text write as valid UTF-8.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/utf8.hpp"
#include "remote/json_value.hpp"
#include "remote/line_splitter.hpp"

namespace {

constexpr std::size_t kMaxLine = 4096;  // small, so that the bound is reached often

void require(bool condition) {
    if (!condition) std::abort();
}

void readLine(std::string_view line) {
    require(line.size() <= kMaxLine);
    std::string error;
    auto value = zov::remote::JsonValue::parse(line, &error);
    require(value.has_value() == error.empty());
    if (!value) return;
    require(zov::platform::isValidUtf8(line));
    const std::string text = value->dump();
    require(text.find('\n') == std::string::npos && text.find('\r') == std::string::npos);
    require(zov::platform::isValidUtf8(text));
    auto again = zov::remote::JsonValue::parse(text);
    require(again.has_value() && again->dump() == text);
}

// Text from outside (a page, a server's reply) reaches the writer as any bytes at all.
void writeText(std::string_view bytes) {
    const std::string text = zov::remote::JsonValue(std::string(bytes)).dump();
    require(zov::platform::isValidUtf8(text));
    auto again = zov::remote::JsonValue::parse(text);
    require(again.has_value() && again->isString() && again->dump() == text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    zov::remote::LineSplitter splitter(
        [](std::string_view line, bool overlong) {
            if (!overlong) readLine(line);
        },
        kMaxLine);
    // Fed in two pieces, so that a line split across reads is exercised too.
    const std::size_t half = size / 2;
    splitter.feed(input.substr(0, half));
    splitter.feed(input.substr(half));
    splitter.finish();
    writeText(input);
    return 0;
}

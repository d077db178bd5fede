// Feeds arbitrary bytes to the version answer reader, as a hostile version server could.
// Beyond not crashing, what it returns must be consistent with the text it was given.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "net/version_answer.hpp"

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

bool inside(std::string_view text, const std::string& part) {
    return text.find(part) != std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const zov::net::VersionAnswer answer = zov::net::VersionAnswer::parse(text);

    if (answer.product) {
        require(!answer.product->name.empty());
        require(answer.product->name.find('"') == std::string::npos);
        require(answer.product->url.find('"') == std::string::npos);
        require(inside(text, answer.product->name) && inside(text, answer.product->url));
    }
    if (answer.version) {
        for (const std::string* value :
             {&answer.version->id, &answer.version->newerThanYou, &answer.version->requireUpdate}) {
            require(!value->empty() && value->find('"') == std::string::npos);
            require(inside(text, *value));
        }
        zov::net::VersionAnswer::flag(answer.version->newerThanYou);
    }
    if (answer.modifications) {
        require(inside(text, *answer.modifications));
    }
    if (answer.url) {
        require(inside(text, *answer.url));
    }
    return 0;
}

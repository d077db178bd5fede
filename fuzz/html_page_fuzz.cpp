// Arbitrary page markup from a service: the page reader must neither crash nor recurse
// without bound, whatever it is given.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "ui/headless/html_subset_parser.hpp"
#include "ui/headless/memory_element.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view html(reinterpret_cast<const char*>(data), size);
    auto nodes = zov::ui::headless::HtmlSubsetParser::parse(html);
    for (const auto& node : nodes)
        (void)node->innerText();
    return 0;
}

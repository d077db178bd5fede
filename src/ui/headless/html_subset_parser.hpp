#pragma once
// Reads the small subset of HTML that the guide, banner and playlist pages need into
// in-memory elements: tags with quoted or bare attributes, text, character references,
// comments, elements without content (input, br, ...), and the implied ends of table rows
// and cells. Scripts and styles are skipped, not run. Forgiving like a browser: stray end
// tags are ignored, unclosed elements end with their parent, and nesting deeper than
// kMaxDepth continues at that depth instead of going deeper (pages come from outside).

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

namespace zov::ui::headless {

class MemoryElement;

class HtmlSubsetParser {
  public:
    static constexpr std::size_t kMaxDepth = 256;

    // The top-level nodes of the markup, in order.
    static std::vector<std::shared_ptr<MemoryElement>> parse(std::string_view html);
};

}  // namespace zov::ui::headless

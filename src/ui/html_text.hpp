#pragma once
// Text that goes into a page as text, never as markup.

#include <string>
#include <string_view>

namespace zov::ui {

enum class HtmlContext { Text, Attribute };

// Escapes &, < and > (and, inside an attribute value, " and ').
std::string escapeHtml(std::string_view text, HtmlContext context = HtmlContext::Attribute);

}  // namespace zov::ui

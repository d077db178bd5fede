#include "ui/html_text.hpp"

namespace zov::ui {

std::string escapeHtml(std::string_view text, HtmlContext context) {
    const bool attribute = context == HtmlContext::Attribute;
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += attribute ? "&quot;" : "\"";
                break;
            case '\'':
                out += attribute ? "&#39;" : "'";
                break;
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace zov::ui

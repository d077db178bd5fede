#include "ui/headless/html_subset_parser.hpp"

#include "platform/utf8.hpp"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>

#include "ui/headless/memory_element.hpp"

namespace zov::ui::headless {

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool isLetter(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0;
}

char lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

std::string lowered(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), lower);
    return out;
}

bool isOneOf(std::string_view tag, std::initializer_list<std::string_view> tags) {
    return std::find(tags.begin(), tags.end(), tag) != tags.end();
}

bool isVoid(std::string_view tag) {
    return isOneOf(tag, {"area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta",
                         "param", "source", "track", "wbr"});
}

void appendUtf8(std::string& out, std::uint32_t code) {
    // A reference to nothing, to a surrogate or past Unicode shows as the replacement mark.
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
    platform::appendUtf8(out, code);
}

// One character reference without its '&' and ';', or false when it is not one we know.
bool decodeReference(std::string_view name, std::string& out) {
    if (name.size() >= 2 && name[0] == '#') {
        const bool hex = name[1] == 'x' || name[1] == 'X';
        std::string_view digits = name.substr(hex ? 2 : 1);
        if (digits.empty() || digits.size() > 8) return false;
        std::uint32_t code = 0;
        for (char c : digits) {
            const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                              : hex && std::isxdigit(static_cast<unsigned char>(c))
                                  ? lower(c) - 'a' + 10
                                  : -1;
            if (digit < 0) return false;
            code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
        }
        appendUtf8(out, code);
        return true;
    }
    static const std::pair<std::string_view, std::string_view> kNamed[] = {
        {"amp", "&"},   {"lt", "<"},   {"gt", ">"},
        {"quot", "\""}, {"apos", "'"}, {"nbsp", "\xC2\xA0"}};
    for (const auto& [known, text] : kNamed) {
        if (name == known) {
            out += text;
            return true;
        }
    }
    return false;
}

std::string decoded(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&') {
            const std::size_t end = text.find(';', i + 1);
            if (end != std::string_view::npos && end - i <= 10 &&
                decodeReference(text.substr(i + 1, end - i - 1), out)) {
                i = end;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

// More attributes on one tag than any page needs are dropped.
constexpr std::size_t kMaxAttributes = 64;

class Reader {
  public:
    explicit Reader(std::string_view html) : s_(html) {}

    std::vector<std::shared_ptr<MemoryElement>> read() {
        while (i_ < s_.size()) {
            const std::size_t lt = s_.find('<', i_);
            if (lt == std::string_view::npos) {
                addText(s_.substr(i_));
                break;
            }
            addText(s_.substr(i_, lt - i_));
            i_ = lt;
            const char next = i_ + 1 < s_.size() ? s_[i_ + 1] : '\0';
            if (s_.substr(i_, 4) == "<!--") {
                skipPast("-->", i_ + 4);
            } else if (next == '!' || next == '?') {
                skipPast(">", i_ + 2);
            } else if (next == '/' && i_ + 2 < s_.size() && isLetter(s_[i_ + 2])) {
                endTag();
            } else if (isLetter(next)) {
                startTag();
            } else {
                addText("<");
                ++i_;
            }
        }
        return std::move(top_);
    }

  private:
    struct Open {
        std::shared_ptr<MemoryElement> element;
        std::size_t contentStart;
    };

    void skipPast(std::string_view end, std::size_t from) {
        const std::size_t at = s_.find(end, std::min(from, s_.size()));
        i_ = at == std::string_view::npos ? s_.size() : at + end.size();
    }

    void addNode(std::shared_ptr<MemoryElement> node) {
        if (open_.empty())
            top_.push_back(std::move(node));
        else
            open_.back().element->appendChild(std::move(node));
    }

    void addText(std::string_view raw) {
        if (!raw.empty()) addNode(MemoryElement::createText(decoded(raw)));
    }

    std::string_view readName(std::size_t& j) const {
        const std::size_t start = j;
        while (j < s_.size() && !isSpace(s_[j]) && s_[j] != '>' && s_[j] != '/' && s_[j] != '=')
            ++j;
        return s_.substr(start, j - start);
    }

    void skipSpaces(std::size_t& j) const {
        while (j < s_.size() && isSpace(s_[j]))
            ++j;
    }

    void startTag() {
        std::size_t j = i_ + 1;
        const std::string tag = lowered(readName(j));
        MemoryElement::Attributes attributes;
        bool selfClosing = false;
        while (true) {
            skipSpaces(j);
            if (j >= s_.size()) {
                i_ = s_.size();  // a tag cut off by the end of the page is dropped
                return;
            }
            if (s_[j] == '>') {
                ++j;
                break;
            }
            if (s_[j] == '/') {
                selfClosing = j + 1 < s_.size() && s_[j + 1] == '>';
                j += selfClosing ? 2 : 1;
                if (selfClosing) break;
                continue;
            }
            std::string name = lowered(readName(j));
            if (name.empty()) {
                ++j;  // a stray '=' or quote
                continue;
            }
            std::string value;
            skipSpaces(j);
            if (j < s_.size() && s_[j] == '=') {
                ++j;
                skipSpaces(j);
                if (j < s_.size() && (s_[j] == '"' || s_[j] == '\'')) {
                    const std::size_t close = s_.find(s_[j], j + 1);
                    const std::size_t end = close == std::string_view::npos ? s_.size() : close;
                    value = decoded(s_.substr(j + 1, end - j - 1));
                    j = close == std::string_view::npos ? s_.size() : close + 1;
                } else {
                    const std::size_t start = j;
                    while (j < s_.size() && !isSpace(s_[j]) && s_[j] != '>')
                        ++j;
                    value = decoded(s_.substr(start, j - start));
                }
            }
            const bool seen = std::any_of(attributes.begin(), attributes.end(),
                                          [&name](const auto& a) { return a.first == name; });
            if (!seen && attributes.size() < kMaxAttributes)
                attributes.emplace_back(std::move(name), std::move(value));
        }
        i_ = j;

        closeImpliedBy(tag);
        auto element = MemoryElement::create(tag, std::move(attributes));
        MemoryElement* raw = element.get();
        addNode(element);
        if (selfClosing || isVoid(tag)) return;
        if (tag == "script" || tag == "style" || tag == "textarea" || tag == "title") {
            readRawContent(*raw, tag);
            return;
        }
        if (open_.size() < HtmlSubsetParser::kMaxDepth)
            open_.push_back(Open{std::move(element), i_});
    }

    // Where "</tag" begins, in any letter case, from i_ on; the end of the page if nowhere.
    std::size_t findEndTag(const std::string& tag) const {
        for (std::size_t at = s_.find("</", i_); at != std::string_view::npos;
             at = s_.find("</", at + 2)) {
            const std::string_view name = s_.substr(at + 2, tag.size());
            if (name.size() == tag.size() &&
                std::equal(name.begin(), name.end(), tag.begin(),
                           [](char a, char b) { return lower(a) == b; }))
                return at;
        }
        return s_.size();
    }

    // Content that is not markup runs to its own end tag.
    void readRawContent(MemoryElement& element, const std::string& tag) {
        const std::size_t end = findEndTag(tag);
        const std::string_view content = s_.substr(i_, end - i_);
        if (tag == "textarea" || tag == "title") {
            if (!content.empty()) element.appendChild(MemoryElement::createText(decoded(content)));
        }
        element.keepSourceMarkup(std::string(content));
        skipPast(">", end);
    }

    // A new row ends the open cell and row; a new cell ends the open cell; likewise for
    // list items and options.
    void closeImpliedBy(const std::string& tag) {
        auto topIs = [this](std::initializer_list<std::string_view> tags) {
            return !open_.empty() && isOneOf(open_.back().element->tagName(), tags);
        };
        if (tag == "tr") {
            while (topIs({"td", "th", "tr"}))
                open_.pop_back();
        } else if (tag == "td" || tag == "th") {
            while (topIs({"td", "th"}))
                open_.pop_back();
        } else if (tag == "li" || tag == "option") {
            while (topIs({tag}))
                open_.pop_back();
        }
    }

    void endTag() {
        const std::size_t tagStart = i_;
        std::size_t j = i_ + 2;
        const std::string tag = lowered(readName(j));
        skipPast(">", j);
        for (std::size_t k = open_.size(); k-- > 0;) {
            if (open_[k].element->tagName() != tag) continue;
            open_[k].element->keepSourceMarkup(
                std::string(s_.substr(open_[k].contentStart, tagStart - open_[k].contentStart)));
            open_.resize(k);
            return;
        }
    }

    std::string_view s_;
    std::size_t i_ = 0;
    std::vector<std::shared_ptr<MemoryElement>> top_;
    std::vector<Open> open_;
};

}  // namespace

std::vector<std::shared_ptr<MemoryElement>> HtmlSubsetParser::parse(std::string_view html) {
    return Reader(html).read();
}

}  // namespace zov::ui::headless

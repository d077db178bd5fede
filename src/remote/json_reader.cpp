// The bounded reader behind JsonValue::parse: every line it reads comes from outside.

#include <cmath>
#include <cstdlib>

#include "platform/utf8.hpp"
#include "remote/json_value.hpp"

namespace zov::remote {

// Reads one whole text; a friend of JsonValue, so that numbers keep their literal.
class JsonReader {
  public:
    explicit JsonReader(std::string_view text) : text_(text) {}

    std::optional<JsonValue> document(std::string* error) {
        // Values are filled in place: moving them through optionals upsets GCC's analysis.
        // (emplace rather than in_place: clang cannot check that constructor for a type that
        // holds containers of itself.)
        std::optional<JsonValue> value;
        value.emplace(nullptr);
        if (parseValue(0, *value)) {
            skipSpace();
            if (pos_ != text_.size()) fail("trailing characters");
        }
        if (!error_.empty()) {
            if (error) *error = error_ + " at offset " + std::to_string(pos_);
            value.reset();
        }
        return value;
    }

  private:
    bool fail(const char* reason) {
        if (error_.empty()) error_ = reason;
        return false;
    }

    void skipSpace() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                       text_[pos_] == '\r' || text_[pos_] == '\n'))
            ++pos_;
    }

    bool consume(std::string_view word) {
        if (text_.substr(pos_, word.size()) != word) return false;
        pos_ += word.size();
        return true;
    }

    bool parseValue(std::size_t depth, JsonValue& out) {
        if (depth >= JsonValue::kMaxDepth) return fail("nesting too deep");
        skipSpace();
        if (pos_ >= text_.size()) return fail("unexpected end");
        const char c = text_[pos_];
        if (c == '{') return parseObject(depth, out);
        if (c == '[') return parseArray(depth, out);
        if (c == '"') {
            std::string s;
            if (!parseString(s)) return false;
            out = JsonValue(std::move(s));
            return true;
        }
        if (consume("true")) return out = JsonValue(true), true;
        if (consume("false")) return out = JsonValue(false), true;
        if (consume("null")) return out = JsonValue(nullptr), true;
        if (c == '-' || (c >= '0' && c <= '9')) return parseNumber(out);
        return fail("unexpected character");
    }

    bool parseNumber(JsonValue& out) {
        const std::size_t start = pos_;
        if (text_[pos_] == '-') ++pos_;
        auto digits = [&] {
            const std::size_t from = pos_;
            while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9')
                ++pos_;
            return pos_ > from;
        };
        if (!digits()) return fail("bad number");
        if (pos_ < text_.size() && text_[pos_] == '.') {
            ++pos_;
            if (!digits()) return fail("bad number");
        }
        if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
            ++pos_;
            if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-')) ++pos_;
            if (!digits()) return fail("bad number");
        }
        if (pos_ - start > JsonValue::kMaxNumberLength) return fail("number too long");
        const std::string digitsText(text_.substr(start, pos_ - start));
        const double value = std::strtod(digitsText.c_str(), nullptr);
        if (!std::isfinite(value)) return fail("number out of range");
        out.value_ = JsonValue::Number{value, digitsText};
        return true;
    }

    std::optional<unsigned> hex4() {
        if (text_.size() - pos_ < 4) return std::nullopt;
        unsigned code = 0;
        for (int i = 0; i < 4; ++i) {
            const char h = text_[pos_++];
            code <<= 4;
            if (h >= '0' && h <= '9')
                code |= static_cast<unsigned>(h - '0');
            else if (h >= 'a' && h <= 'f')
                code |= static_cast<unsigned>(h - 'a' + 10);
            else if (h >= 'A' && h <= 'F')
                code |= static_cast<unsigned>(h - 'A' + 10);
            else
                return std::nullopt;
        }
        return code;
    }

    bool parseString(std::string& out) {
        ++pos_;  // the opening quote
        while (pos_ < text_.size()) {
            const char c = text_[pos_++];
            if (c == '"') return true;
            if (static_cast<unsigned char>(c) < 0x20) return fail("control character in string");
            if (static_cast<unsigned char>(c) >= 0x80) {
                const std::size_t length = platform::utf8SequenceLength(text_, pos_ - 1);
                if (length == 0) {
                    --pos_;  // the offset names the offending byte
                    return fail("invalid UTF-8");
                }
                out.append(text_.substr(pos_ - 1, length));
                pos_ += length - 1;
                continue;
            }
            if (c != '\\') {
                out += c;
                continue;
            }
            if (pos_ >= text_.size()) break;
            switch (text_[pos_++]) {
                case '"':
                    out += '"';
                    break;
                case '\\':
                    out += '\\';
                    break;
                case '/':
                    out += '/';
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'n':
                    out += '\n';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'u': {
                    std::optional<unsigned> code = hex4();
                    if (!code) return fail("bad escape");
                    // A lone half of a surrogate pair becomes U+FFFD rather than bad UTF-8.
                    // An escape behind it that is not its other half is read on its own.
                    const std::size_t next = pos_;
                    if (*code >= 0xD800 && *code < 0xDC00 && consume("\\u")) {
                        std::optional<unsigned> low = hex4();
                        if (!low) return fail("bad escape");
                        if (*low >= 0xDC00 && *low < 0xE000) {
                            code = 0x10000 + ((*code - 0xD800) << 10) + (*low - 0xDC00);
                        } else {
                            code = 0xFFFD;
                            pos_ = next;
                        }
                    } else if (*code >= 0xD800 && *code < 0xE000) {
                        code = 0xFFFD;
                    }
                    platform::appendUtf8(out, *code);
                    break;
                }
                default:
                    return fail("bad escape");
            }
        }
        return fail("unterminated string");
    }

    bool parseArray(std::size_t depth, JsonValue& out) {
        ++pos_;
        out = JsonValue(JsonValue::Array{});
        JsonValue::Array& items = out.asArray();
        skipSpace();
        if (consume("]")) return true;
        while (true) {
            if (items.size() >= JsonValue::kMaxElements) return fail("too many elements");
            items.emplace_back();
            if (!parseValue(depth + 1, items.back())) return false;
            skipSpace();
            if (consume("]")) return true;
            if (!consume(",")) return fail("expected , or ]");
        }
    }

    bool parseObject(std::size_t depth, JsonValue& out) {
        ++pos_;
        out = JsonValue(JsonValue::Object{});
        JsonValue::Object& members = out.asObject();
        skipSpace();
        if (consume("}")) return true;
        while (true) {
            if (members.size() >= JsonValue::kMaxElements) return fail("too many elements");
            skipSpace();
            if (pos_ >= text_.size() || text_[pos_] != '"') return fail("expected a name");
            std::string name;
            if (!parseString(name)) return false;
            skipSpace();
            if (!consume(":")) return fail("expected :");
            JsonValue& value = members[std::move(name)];  // a repeated name keeps the last
            value = JsonValue();
            if (!parseValue(depth + 1, value)) return false;
            skipSpace();
            if (consume("}")) return true;
            if (!consume(",")) return fail("expected , or }");
        }
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    std::string error_;
};

std::optional<JsonValue> JsonValue::parse(std::string_view text, std::string* error) {
    return JsonReader(text).document(error);
}

}  // namespace zov::remote

#include "remote/json_value.hpp"

#include <cmath>
#include <cstdio>

#include "platform/utf8.hpp"

namespace zov::remote {

namespace {

void dumpString(std::string& out, const std::string& s) {
    out += '"';
    for (std::size_t pos = 0; pos < s.size(); ++pos) {
        const char c = s[pos];
        if (static_cast<unsigned char>(c) >= 0x80) {
            // Text from outside (a page, a server's reply) may be in any encoding; a reader
            // of the channel must still get valid UTF-8.
            const std::size_t length = platform::utf8SequenceLength(s, pos);
            if (length == 0) {
                out += "\xEF\xBF\xBD";
            } else {
                out.append(s, pos, length);
                pos += length - 1;
            }
            continue;
        }
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                    char buffer[8];
                    std::snprintf(buffer, sizeof buffer, "\\u%04x", static_cast<unsigned char>(c));
                    out += buffer;
                } else {
                    out += c;
                }
        }
    }
    out += '"';
}

}  // namespace

const JsonValue* JsonValue::find(const std::string& name) const {
    if (!isObject()) return nullptr;
    const Object& members = asObject();
    auto it = members.find(name);
    return it == members.end() ? nullptr : &it->second;
}

std::string JsonValue::dump() const {
    std::string out;
    dumpTo(out);
    return out;
}

void JsonValue::dumpTo(std::string& out) const {
    if (isNull()) {
        out += "null";
    } else if (isBool()) {
        out += asBool() ? "true" : "false";
    } else if (isNumber() && !std::get<Number>(value_).literal.empty()) {
        out += std::get<Number>(value_).literal;
    } else if (isNumber()) {
        const double n = asNumber();
        char buffer[40];
        if (n == std::floor(n) && std::fabs(n) < 1e15)
            std::snprintf(buffer, sizeof buffer, "%.0f", n);
        else
            std::snprintf(buffer, sizeof buffer, "%.17g", n);
        out += buffer;
    } else if (isString()) {
        dumpString(out, asString());
    } else if (isArray()) {
        out += '[';
        bool first = true;
        for (const JsonValue& item : asArray()) {
            if (!first) out += ',';
            first = false;
            item.dumpTo(out);
        }
        out += ']';
    } else {
        out += '{';
        bool first = true;
        for (const auto& [name, value] : asObject()) {
            if (!first) out += ',';
            first = false;
            dumpString(out, name);
            out += ':';
            value.dumpTo(out);
        }
        out += '}';
    }
}

}  // namespace zov::remote

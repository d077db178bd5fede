#pragma once
// A small JSON value for the remote-control channel. Reading is bounded, because every line
// comes from outside: nesting depth, string length, number length and element count all
// have limits, and anything beyond them is an error, never a crash. Text read is valid
// UTF-8, and text written is too, whatever bytes the strings hold.

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace zov::remote {

class JsonValue {
  public:
    using Array = std::vector<JsonValue>;
    using Object = std::map<std::string, JsonValue>;

    static constexpr std::size_t kMaxDepth = 32;
    static constexpr std::size_t kMaxElements = 4096;  // array items and object members
    static constexpr std::size_t kMaxNumberLength = 32;

    JsonValue() = default;
    JsonValue(std::nullptr_t) {}
    JsonValue(bool value) : value_(value) {}
    JsonValue(double value) : value_(Number{value, {}}) {}
    JsonValue(int value) : value_(Number{static_cast<double>(value), {}}) {}
    JsonValue(std::string value) : value_(std::move(value)) {}
    JsonValue(const char* value) : value_(std::string(value)) {}
    JsonValue(Array value) : value_(std::move(value)) {}
    JsonValue(Object value) : value_(std::move(value)) {}

    // The value of one whole text, or nullopt with a short reason in `error`.
    static std::optional<JsonValue> parse(std::string_view text, std::string* error = nullptr);

    bool isNull() const { return std::holds_alternative<std::nullptr_t>(value_); }
    bool isBool() const { return std::holds_alternative<bool>(value_); }
    bool isNumber() const { return std::holds_alternative<Number>(value_); }
    bool isString() const { return std::holds_alternative<std::string>(value_); }
    bool isArray() const { return std::holds_alternative<Array>(value_); }
    bool isObject() const { return std::holds_alternative<Object>(value_); }

    bool asBool() const { return std::get<bool>(value_); }
    double asNumber() const { return std::get<Number>(value_).value; }
    const std::string& asString() const { return std::get<std::string>(value_); }
    const Array& asArray() const { return std::get<Array>(value_); }
    Array& asArray() { return std::get<Array>(value_); }
    const Object& asObject() const { return std::get<Object>(value_); }
    Object& asObject() { return std::get<Object>(value_); }

    // A member of an object; nullptr when this is no object or has no such member.
    const JsonValue* find(const std::string& name) const;

    // Compact text on one line: control bytes and line breaks inside strings are escaped,
    // bytes that are not UTF-8 become U+FFFD, and a number read is written as it was read
    // (a 64-bit id does not come back rounded to a double).
    std::string dump() const;

  private:
    friend class JsonReader;

    struct Number {
        double value;
        std::string literal;  // as read; empty for a number the program made
    };

    void dumpTo(std::string& out) const;

    std::variant<std::nullptr_t, bool, Number, std::string, Array, Object> value_ = nullptr;
};

}  // namespace zov::remote

#include "runtime/socket_value.hpp"

#include <cstring>

namespace zov::runtime {

namespace {

template <class T>
std::string raw(const T& value) {
    std::string bytes(sizeof(T), '\0');
    std::memcpy(bytes.data(), &value, sizeof(T));
    return bytes;
}

template <class T>
T fixed(std::string_view bytes) {
    T value{};
    std::memcpy(&value, bytes.data(), std::min(bytes.size(), sizeof(T)));
    return value;
}

}  // namespace

std::string toBytes(const SocketValue& value) {
    struct Visitor {
        std::string operator()(std::monostate) const { return {}; }
        // A true boolean is all bits set, as a 16-bit -1.
        std::string operator()(bool b) const { return raw<std::int16_t>(b ? -1 : 0); }
        std::string operator()(std::uint8_t v) const { return raw(v); }
        std::string operator()(std::int16_t v) const { return raw(v); }
        std::string operator()(std::int32_t v) const { return raw(v); }
        std::string operator()(float v) const { return raw(v); }
        std::string operator()(double v) const { return raw(v); }
        std::string operator()(Currency v) const { return raw(v.scaled); }
        std::string operator()(Date v) const { return raw(v.value); }
        std::string operator()(const std::string& v) const { return v; }
        std::string operator()(const ByteArray& v) const { return {v.begin(), v.end()}; }
    };
    return std::visit(Visitor{}, value);
}

bool fromBytes(std::string_view bytes, VarType type, SocketValue& out) {
    switch (type) {
        case VarType::ByteArray:
            out = ByteArray(bytes.begin(), bytes.end());
            return true;
        case VarType::Boolean:
            out = fixed<std::int16_t>(bytes) != 0;
            return true;
        case VarType::Byte:
            out = fixed<std::uint8_t>(bytes);
            return true;
        case VarType::Currency:
            out = Currency{fixed<std::int64_t>(bytes)};
            return true;
        case VarType::Date:
            out = Date{fixed<double>(bytes)};
            return true;
        case VarType::Double:
            out = fixed<double>(bytes);
            return true;
        case VarType::Integer:
            out = fixed<std::int16_t>(bytes);
            return true;
        case VarType::Long:
            out = fixed<std::int32_t>(bytes);
            return true;
        case VarType::Single:
            out = fixed<float>(bytes);
            return true;
        case VarType::String:
            out = std::string(bytes);
            return true;
        case VarType::Other:
            return false;
    }
    return false;
}

}  // namespace zov::runtime

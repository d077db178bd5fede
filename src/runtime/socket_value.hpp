#pragma once
// The typed values a socket sends and receives, and their byte forms: 16-bit integers and
// booleans take 2 bytes, 32-bit integers and singles 4, doubles, currency and dates 8, a
// byte 1 (all in memory order); text is one byte per character; byte arrays go as they are.

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace zov::runtime {

struct Currency {
    std::int64_t scaled = 0;  // the amount times 10,000
    bool operator==(const Currency&) const = default;
};
struct Date {
    double value = 0;  // days since 30 December 1899
    bool operator==(const Date&) const = default;
};

using ByteArray = std::vector<std::uint8_t>;
using SocketValue = std::variant<std::monostate, bool, std::uint8_t, std::int16_t, std::int32_t,
                                 float, double, Currency, Date, std::string, ByteArray>;

// The types GetData and PeekData can convert to; Other stands for any type they cannot
// (the bytes are taken all the same and the target is left alone).
enum class VarType {
    ByteArray,
    Boolean,
    Byte,
    Currency,
    Date,
    Double,
    Integer,
    Long,
    Single,
    String,
    Other
};

std::string toBytes(const SocketValue& value);

// Converts bytes to the type; a fixed-size type missing bytes is filled with zeros. Returns
// false (and leaves `out` alone) for VarType::Other.
bool fromBytes(std::string_view bytes, VarType type, SocketValue& out);

}  // namespace zov::runtime

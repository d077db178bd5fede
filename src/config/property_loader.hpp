#pragma once
// Reads a settings file of key=value lines into a table of at most 20 entries and answers
// look-ups by exact key. Not a general INI parser: no sections, no quoting, no escapes.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace zov::platform {
class FileSystem;
}

namespace zov::config {

class PropertyLoader {
  public:
    static constexpr std::int16_t kCapacity = 20;

    explicit PropertyLoader(platform::FileSystem& fileSystem);

    std::int16_t capacity() const { return kCapacity; }

    // Fills the table from the file (a Windows-form path). False when the file cannot be
    // read; the table then keeps what it had.
    bool loadFile(std::string_view path);

    // The value of the first slot whose key equals the given one, else the default. Empty
    // slots take part with an empty key.
    std::string getString(std::string_view key, std::string_view defaultText) const;
    // The value as a 16-bit number (a fraction rounds half to even); the default when the
    // key is missing or its value is empty, not a number or out of range.
    std::int16_t getInteger(std::string_view key, std::int16_t defaultNumber) const;

  private:
    platform::FileSystem& fileSystem_;
    std::array<std::string, kCapacity> keys_;
    std::array<std::string, kCapacity> values_;
};

}  // namespace zov::config

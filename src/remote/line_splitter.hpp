#pragma once
// Cuts a byte stream into lines. A line may arrive in pieces, several may arrive at once,
// and a line longer than the bound is not kept: it is reported once as overlong and its
// bytes are dropped up to the next line feed, so no sender can grow our buffer.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace zov::remote {

class LineSplitter {
  public:
    static constexpr std::size_t kDefaultMaxLine = 64 * 1024;

    // A whole line without its line feed (a trailing CR is dropped too), or, for a line
    // that was too long, overlong = true and an empty text.
    using LineHandler = std::function<void(std::string_view line, bool overlong)>;

    explicit LineSplitter(LineHandler handler, std::size_t maxLine = kDefaultMaxLine);

    void feed(std::string_view bytes);
    // The stream ended: a last line without its line feed still counts.
    void finish();

  private:
    void emit();

    LineHandler handler_;
    std::size_t maxLine_;
    std::string partial_;
    bool discarding_ = false;
};

}  // namespace zov::remote

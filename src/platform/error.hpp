#pragma once
// The error every synchronous failure of the system raises: a number, a text and the
// operation that failed ("CSocket.Connect"). Asynchronous failures are events instead.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace zov {

class Error : public std::runtime_error {
  public:
    Error(std::int32_t number, std::string description, std::string source)
        : std::runtime_error(description),
          number_(number),
          description_(std::move(description)),
          source_(std::move(source)) {}

    std::int32_t number() const { return number_; }
    const std::string& description() const { return description_; }
    const std::string& source() const { return source_; }

  private:
    std::int32_t number_;
    std::string description_;
    std::string source_;
};

}  // namespace zov

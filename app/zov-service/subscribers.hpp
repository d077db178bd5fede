#pragma once
// Who may log in: distributor, user and password, one subscriber a line in a small text
// file. Blank lines and lines starting with "#" are skipped.

#include <string>
#include <string_view>
#include <vector>

namespace zov::service {

class Subscribers {
  public:
    struct Entry {
        std::string distributor, user, password;
    };
    enum class Check { Accepted, UnknownUser, WrongPassword };

    // Throws zov::Error when the file cannot be read or a line is malformed: a service
    // with a half-read subscriber list would turn people away without saying why.
    static Subscribers load(const std::string& path);
    static Subscribers parse(std::string_view text);

    Check check(std::string_view distributor, std::string_view user,
                std::string_view password) const;
    // The delivery server knows only the user name.
    bool acceptsAccount(std::string_view user, std::string_view password) const;

  private:
    std::vector<Entry> entries_;
};

}  // namespace zov::service

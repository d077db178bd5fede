#include "subscribers.hpp"

#include <fstream>
#include <sstream>

#include "platform/error.hpp"

namespace zov::service {

namespace {

// Values end up inside double-quoted attributes of the movie list and on FTP lines.
bool isSafeValue(std::string_view value) {
    for (char c : value) {
        auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f || c == '"') return false;
    }
    return !value.empty();
}

}  // namespace

Subscribers Subscribers::load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw Error(53, "Cannot read the subscriber file " + path, "Subscribers");
    std::ostringstream text;
    text << in.rdbuf();
    return parse(text.str());
}

Subscribers Subscribers::parse(std::string_view text) {
    Subscribers result;
    std::istringstream lines{std::string(text)};
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream words(line);
        Entry entry;
        if (!(words >> entry.distributor) || entry.distributor.front() == '#') continue;
        std::string extra;
        if (!(words >> entry.user >> entry.password) || (words >> extra) ||
            !isSafeValue(entry.distributor) || !isSafeValue(entry.user) ||
            !isSafeValue(entry.password)) {
            throw Error(13,
                        "Subscriber line " + std::to_string(number) +
                            " is not \"distributor user password\"",
                        "Subscribers");
        }
        result.entries_.push_back(std::move(entry));
    }
    return result;
}

Subscribers::Check Subscribers::check(std::string_view distributor, std::string_view user,
                                      std::string_view password) const {
    for (const Entry& entry : entries_) {
        if (entry.distributor == distributor && entry.user == user) {
            return entry.password == password ? Check::Accepted : Check::WrongPassword;
        }
    }
    return Check::UnknownUser;
}

bool Subscribers::acceptsAccount(std::string_view user, std::string_view password) const {
    for (const Entry& entry : entries_) {
        if (entry.user == user && entry.password == password) return true;
    }
    return false;
}

}  // namespace zov::service

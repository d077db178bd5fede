#pragma once
// What the version server's answer says, read the way the client always read it: four
// elements found by regular expressions anywhere in the text, names in any letter case,
// values kept as they stand. Reading never fails; an element that is not there stays empty.

#include <optional>
#include <string>
#include <string_view>

namespace zov::net {

class VersionAnswer {
  public:
    struct Product {
        std::string name;
        std::string url;
    };
    struct Version {
        std::string id;
        std::string newerThanYou;
        std::string requireUpdate;
    };

    static VersionAnswer parse(std::string_view text);

    // The answer's yes/no attributes: exactly "no" is false, any other text is true.
    static bool flag(std::string_view text) { return text != "no"; }

    std::optional<Product> product;
    std::optional<Version> version;
    std::optional<std::string> modifications;  // may span lines
    std::optional<std::string> url;            // may span lines
};

}  // namespace zov::net

#include "ui/element_rules.hpp"

namespace zov::ui::element_rules {

void requireTag(std::string_view tag, std::string_view wanted, const char* operation) {
    if (tag != wanted) throw notSupported(operation);
}

Error notSupported(const char* operation) {
    return Error(kNotSupported, "Object doesn't support this property or method",
                 std::string("Element.") + operation);
}

Error invalidArgument(const char* operation) {
    return Error(kInvalidArgument, "Invalid argument.", std::string("Element.") + operation);
}

int insertIndex(int index, int count, const char* operation) {
    if (index == -1) return count;
    if (index < 0 || index > count) throw invalidArgument(operation);
    return index;
}

std::optional<int> deleteIndex(int index, int count, const char* operation) {
    if (index == -1) return count == 0 ? std::nullopt : std::optional<int>(count - 1);
    if (index < 0 || index >= count) throw invalidArgument(operation);
    return index;
}

}  // namespace zov::ui::element_rules

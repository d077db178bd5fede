#pragma once
// What the elements of every page model share (the in-memory pages and the mirrors of real
// ones): the errors of an operation an element does not have or an index out of range,
// how table operations read their index, and finding a row or a cell by it.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/error.hpp"

namespace zov::ui::element_rules {

inline constexpr std::int32_t kNotSupported = 438;
inline constexpr std::int32_t kInvalidArgument = -2147024809;  // 0x80070057

// "Object doesn't support this property or method" unless the element's tag is `wanted`.
void requireTag(std::string_view tag, std::string_view wanted, const char* operation);
Error notSupported(const char* operation);
Error invalidArgument(const char* operation);

// Where an insertion lands: -1 or count append; anything else outside 0..count is refused.
int insertIndex(int index, int count, const char* operation);
// What a deletion removes: -1 is the last (nothing when there is none); anything else
// outside the items is refused.
std::optional<int> deleteIndex(int index, int count, const char* operation);

// The index-th item, or nullptr outside them.
template <class Item>
Item* itemAt(const std::vector<Item*>& items, int index) {
    return index >= 0 && index < static_cast<int>(items.size())
               ? items[static_cast<std::size_t>(index)]
               : nullptr;
}

// A table's rows in order, its sections' included (the elements' tagName and children).
template <class Item>
std::vector<Item*> rowsOf(const Item& table) {
    std::vector<Item*> out;
    for (const auto& child : table.children()) {
        const std::string tag = child->tagName();
        if (tag == "tr") {
            out.push_back(child.get());
        } else if (tag == "thead" || tag == "tbody" || tag == "tfoot") {
            for (const auto& grandChild : child->children())
                if (grandChild->tagName() == "tr") out.push_back(grandChild.get());
        }
    }
    return out;
}

// A row's cells in order.
template <class Item>
std::vector<Item*> cellsOf(const Item& row) {
    std::vector<Item*> out;
    for (const auto& child : row.children()) {
        const std::string tag = child->tagName();
        if (tag == "td" || tag == "th") out.push_back(child.get());
    }
    return out;
}

// The position of `child` among `children` (shared pointers), or their end.
template <class Children, class Item>
std::size_t positionIn(const Children& children, const Item* child) {
    for (std::size_t i = 0; i < children.size(); ++i)
        if (children[i].get() == child) return i;
    return children.size();
}

}  // namespace zov::ui::element_rules

#include "ui/headless/headless_list_box.hpp"

#include "platform/error.hpp"

namespace zov::ui::headless {

void HeadlessListBox::addItem(const std::string& item) {
    items_.push_back(item);
    notify("items", std::to_string(items_.size()));
}

void HeadlessListBox::removeItem(int index) {
    if (index < 0 || index >= listCount())
        throw Error(5, "Invalid procedure call or argument", "ListBox.RemoveItem");
    items_.erase(items_.begin() + index);
    // The selection follows its item, and is lost with it.
    if (listIndex_ == index)
        listIndex_ = -1;
    else if (listIndex_ > index)
        --listIndex_;
    notify("items", std::to_string(items_.size()));
}

void HeadlessListBox::clear() {
    items_.clear();
    listIndex_ = -1;
    notify("items", "0");
}

std::string HeadlessListBox::list(int index) const {
    if (index < 0 || index >= listCount()) return {};
    return items_[static_cast<std::size_t>(index)];
}

void HeadlessListBox::setListIndex(int index) {
    if (index < -1 || index >= listCount())
        throw Error(380, "Invalid property value", "ListBox.ListIndex");
    listIndex_ = index;
}

void HeadlessListBox::choose(int index) {
    setListIndex(index);
    Click();
}

}  // namespace zov::ui::headless

#pragma once
// A list box in memory. Setting the selection from code raises nothing; a person's choice
// (choose) raises Click.

#include <string>
#include <vector>

#include "ui/controls.hpp"
#include "ui/named_control.hpp"

namespace zov::ui::headless {

class HeadlessListBox final : public NamedControl<ListBox> {
  public:
    using NamedControl::NamedControl;

    void addItem(const std::string& item) override;
    // Raises zov::Error 5 for an index out of range.
    void removeItem(int index) override;
    void clear() override;
    int listCount() const override { return static_cast<int>(items_.size()); }
    // "" for an index out of range.
    std::string list(int index) const override;
    int listIndex() const override { return listIndex_; }
    // -1 clears the selection; raises zov::Error 380 for an index out of range.
    void setListIndex(int index) override;

    const std::vector<std::string>& items() const { return items_; }
    void choose(int index);

  private:
    std::vector<std::string> items_;
    int listIndex_ = -1;
};

}  // namespace zov::ui::headless

#pragma once
// A list box on the screen (QListWidget). Setting the selection from code raises nothing;
// a person's click on an item raises Click.

#include <string>

#include "ui/controls.hpp"
#include "ui/desktop/desktop_control.hpp"

class QListWidget;

namespace zov::ui::desktop {

class DesktopListBox final : public DesktopControl<ListBox> {
  public:
    DesktopListBox(ControlName name, QWidget* window, double unitsPerPixel);

    void addItem(const std::string& item) override;
    // Raises zov::Error 5 for an index out of range.
    void removeItem(int index) override;
    void clear() override;
    int listCount() const override;
    // "" for an index out of range.
    std::string list(int index) const override;
    int listIndex() const override;
    // -1 clears the selection; raises zov::Error 380 for an index out of range.
    void setListIndex(int index) override;

  private:
    QListWidget* listWidget() const;
};

}  // namespace zov::ui::desktop

#pragma once
// A picture box on the screen: a native child window, so that another program (the
// external player) can draw into it by its handle. It paints its background colour, takes
// the keyboard focus, and raises DblClick for a double click, KeyPress with the character
// typed, and Resize when the system gives it another size. Placing it brings it to the
// front of its window.

#include "ui/controls.hpp"
#include "ui/desktop/desktop_control.hpp"

namespace zov::ui::desktop {

class DesktopPictureBox final : public DesktopControl<PictureBox> {
  public:
    DesktopPictureBox(ControlName name, QWidget* window, double unitsPerPixel);

    WindowHandle windowHandle() const override;
    Colour backColour() const override { return backColour_; }
    void setBackColour(const Colour& colour) override;
    void repaint() override;
    void setFocus() override;
    void setRect(const Rect& rect) override;

  private:
    bool handle(QEvent* event);

    Colour backColour_{255, 255, 255};
};

}  // namespace zov::ui::desktop

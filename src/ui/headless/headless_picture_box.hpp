#pragma once
// A picture box in memory: its window handle (settable for tests), background colour, how
// often it was repainted and focused, and the double clicks and keys a person gives it.

#include "ui/controls.hpp"
#include "ui/named_control.hpp"

namespace zov::ui::headless {

class HeadlessPictureBox final : public NamedControl<PictureBox> {
  public:
    HeadlessPictureBox(ControlName name, WindowHandle handle)
        : NamedControl(std::move(name)), handle_(handle) {}

    WindowHandle windowHandle() const override { return handle_; }
    Colour backColour() const override { return backColour_; }
    void setBackColour(const Colour& colour) override { backColour_ = colour; }
    void repaint() override { ++repaints_; }
    void setFocus() override { ++focusCount_; }
    // Raises Resize when the size changes, as a window does.
    void setRect(const Rect& rect) override;

    void setHWnd(WindowHandle handle) { handle_ = handle; }
    int repaints() const { return repaints_; }
    int focusCount() const { return focusCount_; }
    void doubleClick() { DblClick(); }
    void pressKey(int keyAscii) { KeyPress(keyAscii); }

  private:
    WindowHandle handle_;
    Colour backColour_{255, 255, 255};
    int repaints_ = 0;
    int focusCount_ = 0;
};

}  // namespace zov::ui::headless

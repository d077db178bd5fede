#pragma once
// A shape on the screen: a plain filled rectangle, coloured by its window's style (the
// question's selector).

#include "ui/controls.hpp"
#include "ui/desktop/desktop_control.hpp"

namespace zov::ui::desktop {

class DesktopShape final : public DesktopControl<Shape> {
  public:
    DesktopShape(ControlName name, QWidget* window, double unitsPerPixel)
        : DesktopControl(std::move(name), new ControlWidget<QWidget>(window), unitsPerPixel) {
        widget()->setAttribute(Qt::WA_StyledBackground);
    }
};

}  // namespace zov::ui::desktop

#pragma once
// A shape in memory: only where it is and whether it shows.

#include "ui/controls.hpp"
#include "ui/headless/headless_control.hpp"

namespace zov::ui::headless {

class HeadlessShape final : public HeadlessControl<Shape> {
  public:
    using HeadlessControl::HeadlessControl;
};

}  // namespace zov::ui::headless

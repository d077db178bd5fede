#pragma once
// A shape in memory: only where it is and whether it shows.

#include "ui/controls.hpp"
#include "ui/named_control.hpp"

namespace zov::ui::headless {

class HeadlessShape final : public NamedControl<Shape> {
  public:
    using NamedControl::NamedControl;
};

}  // namespace zov::ui::headless

#pragma once
// A button in memory. Like a real one, a disabled or hidden button cannot be clicked.

#include <string>

#include "ui/controls.hpp"
#include "ui/named_control.hpp"

namespace zov::ui::headless {

class HeadlessButton final : public NamedControl<Button> {
  public:
    using NamedControl::NamedControl;

    std::string caption() const override { return caption_; }
    void setCaption(const std::string& caption) override;
    bool enabled() const override { return enabled_; }
    void setEnabled(bool enabled) override { enabled_ = enabled; }

    // The pointer moves over the button: false (and nothing happens) when the button is
    // hidden or disabled, as for a click.
    bool mouseOver();

  private:
    std::string caption_;
    bool enabled_ = true;
};

}  // namespace zov::ui::headless

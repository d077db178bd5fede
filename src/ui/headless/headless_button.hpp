#pragma once
// A button in memory. Like a real one, a disabled or hidden button cannot be clicked.

#include <string>

#include "ui/controls.hpp"
#include "ui/headless/headless_control.hpp"

namespace zov::ui::headless {

class HeadlessButton final : public HeadlessControl<Button> {
  public:
    using HeadlessControl::HeadlessControl;

    std::string caption() const override { return caption_; }
    void setCaption(const std::string& caption) override;
    bool enabled() const override { return enabled_; }
    void setEnabled(bool enabled) override { enabled_ = enabled; }

    // What a person can do: false (and nothing happens) when the button is hidden or
    // disabled.
    bool click();
    bool mouseOver();

  private:
    std::string caption_;
    bool enabled_ = true;
};

}  // namespace zov::ui::headless

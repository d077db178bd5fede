#pragma once
// A text box in memory; typing is setting its text.

#include <string>

#include "ui/controls.hpp"
#include "ui/headless/headless_control.hpp"

namespace zov::ui::headless {

class HeadlessTextBox final : public HeadlessControl<TextBox> {
  public:
    using HeadlessControl::HeadlessControl;

    std::string text() const override { return text_; }
    void setText(const std::string& text) override {
        text_ = text;
        notify("text", text);
    }

  private:
    std::string text_;
};

}  // namespace zov::ui::headless

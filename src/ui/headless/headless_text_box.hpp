#pragma once
// A text box in memory; typing is setting its text.

#include <string>

#include "ui/controls.hpp"
#include "ui/named_control.hpp"

namespace zov::ui::headless {

class HeadlessTextBox final : public NamedControl<TextBox> {
  public:
    using NamedControl::NamedControl;

    std::string text() const override { return text_; }
    void setText(const std::string& text) override {
        text_ = text;
        notify("text", text);
    }

  private:
    std::string text_;
};

}  // namespace zov::ui::headless

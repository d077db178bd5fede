#pragma once
// A one-line text box on the screen (QLineEdit). What a person types is its text at once,
// and is reported as the text set from code is.

#include <string>

#include "ui/controls.hpp"
#include "ui/desktop/desktop_control.hpp"

class QLineEdit;

namespace zov::ui::desktop {

class DesktopTextBox final : public DesktopControl<TextBox> {
  public:
    DesktopTextBox(ControlName name, QWidget* window, double unitsPerPixel);

    std::string text() const override { return text_; }
    void setText(const std::string& text) override;

  private:
    QLineEdit* lineEdit() const;

    std::string text_;
};

}  // namespace zov::ui::desktop

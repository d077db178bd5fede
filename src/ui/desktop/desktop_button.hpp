#pragma once
// A push button on the screen (QPushButton): a person's click raises Click, the mouse
// entering an enabled button raises MouseMove.

#include <string>

#include "ui/controls.hpp"
#include "ui/desktop/desktop_control.hpp"

class QPushButton;

namespace zov::ui::desktop {

class DesktopButton final : public DesktopControl<Button> {
  public:
    DesktopButton(ControlName name, QWidget* window, double unitsPerPixel);

    std::string caption() const override { return caption_; }
    void setCaption(const std::string& caption) override;
    bool enabled() const override { return enabled_; }
    void setEnabled(bool enabled) override;
    // What a picture button shows, as text; the caption stays as the system set it.
    void setFace(const std::string& face);

  private:
    QPushButton* button() const;

    std::string caption_;
    bool enabled_ = true;
};

}  // namespace zov::ui::desktop

#pragma once
// A label on the screen (QLabel). Labels serve as buttons: a person's click (the mouse
// released over it) raises Click, and the mouse entering or moving over it raises
// MouseMove, which the yes/no question follows with its selector. A centred, wrapped text
// too long for the label is shown in a smaller font.

#include <string>

#include "ui/controls.hpp"
#include "ui/desktop/desktop_control.hpp"

class QLabel;

namespace zov::ui::desktop {
enum class TextAlign;
}

namespace zov::ui::desktop {

class DesktopLabel final : public DesktopControl<Label> {
  public:
    DesktopLabel(ControlName name, QWidget* window, double unitsPerPixel);

    std::string caption() const override { return caption_; }
    void setCaption(const std::string& caption) override;
    int fontSize() const override { return fontSize_; }
    void setFontSize(int points) override;
    void setRect(const Rect& rect) override;

    // Centred and wrapped over several lines, as on the popups and the status window, or
    // on one line at the left or right.
    void alignText(TextAlign align);
    void setBold(bool bold);

  private:
    QLabel* label() const;
    bool handle(QEvent* event);
    // Shrinks a wrapped text's font until the text fits the label.
    void fitText();

    std::string caption_;
    int fontSize_ = 8;
};

}  // namespace zov::ui::desktop

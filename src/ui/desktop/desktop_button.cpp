#include "ui/desktop/desktop_button.hpp"

#include <QPushButton>

namespace zov::ui::desktop {

DesktopButton::DesktopButton(ControlName name, QWidget* window, double unitsPerPixel)
    : DesktopControl(std::move(name), new ControlWidget<QPushButton>(window), unitsPerPixel) {
    auto* shown = static_cast<ControlWidget<QPushButton>*>(button());
    shown->onEvent = [this](QEvent* event) {
        if (event->type() == QEvent::Enter && enabled_) MouseMove();
        return false;
    };
    // Qt clicks only a shown, enabled button, as the port's click does.
    QObject::connect(shown, &QPushButton::clicked, shown, [this] { Click(); });
}

QPushButton* DesktopButton::button() const {
    return static_cast<QPushButton*>(widget());
}

void DesktopButton::setCaption(const std::string& caption) {
    caption_ = caption;
    if (auto* shown = button()) shown->setText(QString::fromStdString(caption));
    notify("caption", caption);
}

void DesktopButton::setFace(const std::string& face) {
    if (auto* shown = button()) shown->setText(QString::fromStdString(face));
}

void DesktopButton::setEnabled(bool enabled) {
    enabled_ = enabled;
    if (auto* shown = button()) shown->setEnabled(enabled);
}

}  // namespace zov::ui::desktop

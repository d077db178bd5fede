#include "ui/desktop/desktop_text_box.hpp"

#include <QLineEdit>

namespace zov::ui::desktop {

DesktopTextBox::DesktopTextBox(ControlName name, QWidget* window, double unitsPerPixel)
    : DesktopControl(std::move(name), new ControlWidget<QLineEdit>(window), unitsPerPixel) {
    auto* shown = lineEdit();
    QObject::connect(shown, &QLineEdit::textEdited, shown, [this](const QString& typed) {
        text_ = typed.toStdString();
        notify("text", text_);
    });
}

QLineEdit* DesktopTextBox::lineEdit() const {
    return static_cast<QLineEdit*>(widget());
}

void DesktopTextBox::setText(const std::string& text) {
    text_ = text;
    if (auto* shown = lineEdit()) shown->setText(QString::fromStdString(text));
    notify("text", text);
}

}  // namespace zov::ui::desktop

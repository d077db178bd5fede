#include "ui/desktop/desktop_picture_box.hpp"

#include <QKeyEvent>
#include <QPalette>

#include "ui/desktop/windows_key_codes.hpp"

namespace zov::ui::desktop {

namespace {

QWidget* makeRegion(QWidget* window) {
    auto* region = new ControlWidget<QWidget>(window);
    // A window of its own, without making its window's children native too.
    region->setAttribute(Qt::WA_NativeWindow);
    region->setAttribute(Qt::WA_DontCreateNativeAncestors);
    region->setAutoFillBackground(true);
    region->setFocusPolicy(Qt::StrongFocus);
    return region;
}

}  // namespace

DesktopPictureBox::DesktopPictureBox(ControlName name, QWidget* window, double unitsPerPixel)
    : DesktopControl(std::move(name), makeRegion(window), unitsPerPixel) {
    static_cast<ControlWidget<QWidget>*>(widget())->onEvent = [this](QEvent* event) {
        return handle(event);
    };
    setBackColour(backColour_);
}

WindowHandle DesktopPictureBox::windowHandle() const {
    return widget() ? static_cast<WindowHandle>(widget()->winId()) : 0;
}

void DesktopPictureBox::setBackColour(const Colour& colour) {
    backColour_ = colour;
    if (auto* region = widget()) {
        QPalette palette = region->palette();
        palette.setColor(QPalette::Window, QColor(colour.red, colour.green, colour.blue));
        region->setPalette(palette);
    }
}

void DesktopPictureBox::repaint() {
    if (auto* region = widget()) region->repaint();
}

void DesktopPictureBox::setFocus() {
    if (auto* region = widget()) region->setFocus(Qt::OtherFocusReason);
}

void DesktopPictureBox::setRect(const Rect& rect) {
    const Rect before = this->rect();
    DesktopControl::setRect(rect);
    // The system places the box each time it hands it to another program to draw in (the
    // external player over the embedded player's place): it must then be seen above its
    // native siblings, whichever was raised last.
    if (auto* region = widget()) region->raise();
    // Raised here rather than from Qt's resize event, which a hidden widget gets only when
    // it is shown.
    if (before.width != rect.width || before.height != rect.height) Resize();
}

bool DesktopPictureBox::handle(QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonDblClick:
            DblClick();
            return true;
        case QEvent::KeyPress:
            if (auto key = keyAscii(*static_cast<QKeyEvent*>(event))) {
                KeyPress(*key);
                return true;
            }
            return false;
        default:
            return false;
    }
}

}  // namespace zov::ui::desktop

#pragma once
// What every desktop control shares: its name, visible flag and rectangle in its window's
// units, as the in-memory controls keep them, carried over to its Qt widget (a pixel
// rectangle inside the window). The control keeps its own flag while its window is hidden,
// as a person's control does. Its widget goes with the control; once the window around it
// has gone, the control answers from what it keeps itself (a list's items go with the list).

#include <QPointer>
#include <QWidget>
#include <utility>

#include "ui/desktop/control_widget.hpp"
#include "ui/desktop/pixel_rect.hpp"
#include "ui/named_control.hpp"

namespace zov::ui::desktop {

template <class Port>
class DesktopControl : public NamedControl<Port> {
  public:
    // The widget is a child of the window, whose units are unitsPerPixel to the pixel.
    DesktopControl(ControlName name, QWidget* widget, double unitsPerPixel)
        : NamedControl<Port>(std::move(name)), widget_(widget), unitsPerPixel_(unitsPerPixel) {
        widget_->setObjectName(QString::fromStdString(this->controlName().control));
        widget_->show();  // with its window
    }
    ~DesktopControl() override { releaseWidget(widget_); }
    DesktopControl(const DesktopControl&) = delete;
    DesktopControl& operator=(const DesktopControl&) = delete;

    void setVisible(bool visible) override {
        NamedControl<Port>::setVisible(visible);
        if (widget_) widget_->setVisible(visible);
    }
    void setRect(const Rect& rect) override {
        NamedControl<Port>::setRect(rect);
        if (widget_) widget_->setGeometry(pixelRect(rect, unitsPerPixel_));
    }

    // Nullptr once the window around it has gone.
    QWidget* widget() const { return widget_.data(); }

  private:
    QPointer<QWidget> widget_;
    double unitsPerPixel_;
};

}  // namespace zov::ui::desktop

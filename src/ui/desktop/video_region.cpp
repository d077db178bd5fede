#include "ui/desktop/video_region.hpp"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPalette>
#include <QWindow>

namespace zov::ui::desktop {

VideoRegion::VideoRegion(QWidget* mainWindow) : QWidget(mainWindow) {
    setObjectName("videoRegion");
    // libmpv needs a window of its own to draw into; the main window need not be native.
    setAttribute(Qt::WA_DontCreateNativeAncestors);
    setAttribute(Qt::WA_NativeWindow);
    // libmpv draws in a window of its own inside this one, which Qt never paints over; the
    // black shows only where there is no picture (nothing open, or around the movie).
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
    winId();  // the native window exists from now on, so its handle can be handed out
}

VideoRegion::~VideoRegion() {
    qApp->removeEventFilter(this);
}

void VideoRegion::place(const QRect& rect) {
    placed_ = rect;
    if (!covering_) setGeometry(rect);
}

void VideoRegion::setCovering(bool covering) {
    if (covering == covering_) return;
    covering_ = covering;
    if (covering) {
        fitToWindow();
        raise();
        // Escape is heard wherever the focus is (the skin's page usually has it).
        qApp->installEventFilter(this);
    } else {
        qApp->removeEventFilter(this);
        setGeometry(placed_);
    }
}

void VideoRegion::fitToWindow() {
    if (QWidget* parent = parentWidget()) setGeometry(parent->rect());
}

void VideoRegion::mouseDoubleClickEvent(QMouseEvent* event) {
    if (covering_) {
        event->accept();
        emit leaveFullScreenRequested();
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

bool VideoRegion::eventFilter(QObject* watched, QEvent* event) {
    if (!covering_) return false;
    if (event->type() == QEvent::Resize && watched == parentWidget()) {
        fitToWindow();  // the main window changed size: keep covering it
        return false;
    }
    if (event->type() != QEvent::KeyPress) return false;
    if (static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape || !inMainWindow(watched))
        return false;
    emit leaveFullScreenRequested();
    return true;  // Escape here means only this
}

bool VideoRegion::inMainWindow(QObject* object) const {
    const QWidget* mainWindow = window();
    if (auto* widget = qobject_cast<QWidget*>(object)) return widget->window() == mainWindow;
    // Keys reach the top-level's QWindow before any widget.
    if (auto* nativeWindow = qobject_cast<QWindow*>(object))
        return nativeWindow == mainWindow->windowHandle();
    return false;
}

}  // namespace zov::ui::desktop

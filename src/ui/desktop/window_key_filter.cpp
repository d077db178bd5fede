#include "ui/desktop/window_key_filter.hpp"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>
#include <algorithm>

#include "ui/desktop/windows_key_codes.hpp"

namespace zov::ui::desktop {

WindowKeyFilter::WindowKeyFilter(QWidget* window, std::vector<int> keys,
                                 std::function<void(int)> press)
    : window_(window), keys_(std::move(keys)), press_(std::move(press)) {
    qApp->installEventFilter(this);
}

WindowKeyFilter::~WindowKeyFilter() {
    qApp->removeEventFilter(this);
}

bool WindowKeyFilter::typingInto(QWidget* widget) {
    // A text field, and a page whose focus is in one of its fields, ask for text input.
    return widget->testAttribute(Qt::WA_InputMethodEnabled) &&
           widget->inputMethodQuery(Qt::ImEnabled).toBool();
}

bool WindowKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !window_) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != window_) return false;
    const auto code = windowsKeyCode(*static_cast<QKeyEvent*>(event));
    if (!code || std::find(keys_.begin(), keys_.end(), *code) == keys_.end()) return false;
    if (widget == window_) {
        // A page hands the keys it did not use back to its window, a field's too (Delete at
        // the end of the text): while a field has the keyboard they are still the field's.
        QWidget* focus = QApplication::focusWidget();
        return focus && focus != window_ && focus->window() == window_ && typingInto(focus);
    }
    if (typingInto(widget)) return false;
    press_(*code);
    return true;
}

}  // namespace zov::ui::desktop

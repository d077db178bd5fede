#pragma once
// The Qt widget behind one of our controls or windows: a Qt widget class whose events the
// adapter sees first (onEvent returns true for an event it has consumed), and the one safe
// way to release it. A handler of a widget's event may release the adapter and with it the
// widget, or the window around it; Qt must not delete a widget while one of ours is still
// handling an event, so the release waits for the loop then.

#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <functional>

namespace zov::ui::desktop {

// How many of our widgets are handling an event right now (all on the one thread).
inline int& widgetsHandlingEvents() {
    static int depth = 0;
    return depth;
}

// What every one of our widgets has, whatever Qt class it is.
struct EventHook {
    virtual ~EventHook() = default;
    std::function<bool(QEvent*)> onEvent;
};

template <class QtWidget>
class ControlWidget : public QtWidget, public EventHook {
  public:
    using QtWidget::QtWidget;

  protected:
    bool event(QEvent* event) override {
        ++widgetsHandlingEvents();
        struct Leave {
            ~Leave() { --widgetsHandlingEvents(); }
        } leave;
        if (onEvent) {
            auto handler = onEvent;  // the handler may clear onEvent while it runs
            if (handler(event)) return true;
        }
        return QtWidget::event(event);
    }
};

// Deletes the widget (and its children) now, or hidden and at the loop's next pass while
// any of our widgets is inside an event handler.
inline void releaseWidget(QPointer<QWidget>& widget) {
    if (!widget) return;
    QWidget* doomed = widget.data();
    widget.clear();
    // Its adapter is going: nothing may reach it any more.
    if (auto* hook = dynamic_cast<EventHook*>(doomed)) hook->onEvent = nullptr;
    if (widgetsHandlingEvents() > 0) {
        doomed->hide();
        doomed->deleteLater();
    } else {
        delete doomed;
    }
}

}  // namespace zov::ui::desktop

#include "ui/desktop/button_row.hpp"

#include <QEvent>

namespace zov::ui::desktop {

void ButtonRow::join(QWidget* button) {
    buttons_.emplace_back(button);
    button->installEventFilter(this);
    arrange();
}

bool ButtonRow::eventFilter(QObject*, QEvent* event) {
    // Only a button's own showing and hiding, not its window's.
    if (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent) arrange();
    return false;
}

void ButtonRow::arrange() {
    int edge = edge_;
    auto place = [&](QWidget* button) {
        if (!button || button->isHidden()) return;
        const int left = right_ ? edge - button->width() : edge;
        button->move(left, button->y());
        edge = right_ ? left - gap_ : left + button->width() + gap_;
    };
    // Aligned right, the last button listed stands at the edge.
    if (right_) {
        for (auto it = buttons_.rbegin(); it != buttons_.rend(); ++it)
            place(it->data());
    } else {
        for (const auto& button : buttons_)
            place(button.data());
    }
}

}  // namespace zov::ui::desktop

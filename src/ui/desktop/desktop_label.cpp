#include "ui/desktop/desktop_label.hpp"

#include <QFontMetrics>
#include <QLabel>
#include <QMouseEvent>

#include "ui/desktop/form_designs.hpp"

namespace zov::ui::desktop {

namespace {

QLabel* makeLabel(QWidget* window) {
    auto* label = new ControlWidget<QLabel>(window);
    label->setMouseTracking(true);  // MouseMove without a button held
    label->setTextFormat(Qt::PlainText);
    return label;
}

}  // namespace

DesktopLabel::DesktopLabel(ControlName name, QWidget* window, double unitsPerPixel)
    : DesktopControl(std::move(name), makeLabel(window), unitsPerPixel) {
    static_cast<ControlWidget<QLabel>*>(label())->onEvent = [this](QEvent* event) {
        return handle(event);
    };
    setFontSize(fontSize_);
}

QLabel* DesktopLabel::label() const {
    return static_cast<QLabel*>(widget());
}

void DesktopLabel::setCaption(const std::string& caption) {
    caption_ = caption;
    if (auto* shown = label()) shown->setText(QString::fromStdString(caption));
    fitText();
    notify("caption", caption);
}

void DesktopLabel::setRect(const Rect& rect) {
    DesktopControl::setRect(rect);
    fitText();
}

void DesktopLabel::fitText() {
    auto* shown = label();
    if (!shown || !shown->wordWrap()) return;
    // A long message in a small popup is shown smaller rather than cut off; the font size
    // the system set stays what it reads back.
    constexpr int kSmallestPoints = 8;
    QFont font = shown->font();
    const QRect room = shown->contentsRect();
    for (int points = fontSize_; points >= kSmallestPoints; --points) {
        font.setPointSize(points);
        const QRect needed = QFontMetrics(font).boundingRect(
            room, Qt::AlignCenter | Qt::TextWordWrap, shown->text());
        if (room.isEmpty() || (needed.height() <= room.height() && needed.width() <= room.width()))
            break;
    }
    shown->setFont(font);
}

void DesktopLabel::setFontSize(int points) {
    fontSize_ = points;
    if (auto* shown = label()) {
        QFont font = shown->font();
        font.setPointSize(points);
        shown->setFont(font);
    }
    fitText();
}

void DesktopLabel::alignText(TextAlign align) {
    auto* shown = label();
    if (!shown) return;
    switch (align) {
        case TextAlign::Centre:
            shown->setAlignment(Qt::AlignCenter);
            shown->setWordWrap(true);
            fitText();
            break;
        case TextAlign::Left:
            shown->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            break;
        case TextAlign::Right:
            shown->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            break;
    }
}

void DesktopLabel::setBold(bool bold) {
    if (auto* shown = label()) {
        QFont font = shown->font();
        font.setBold(bold);
        shown->setFont(font);
    }
}

bool DesktopLabel::handle(QEvent* event) {
    switch (event->type()) {
        case QEvent::Enter:
        case QEvent::MouseMove:
            MouseMove();
            return false;
        case QEvent::MouseButtonPress:
            // Taken, so that the release comes back here (a plain label would pass the
            // press on to its window).
            return static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
        case QEvent::MouseButtonRelease: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            // A press dragged off the label before its release is no click.
            if (mouse->button() == Qt::LeftButton && label() &&
                label()->rect().contains(mouse->position().toPoint()))
                Click();
            return false;
        }
        default:
            return false;
    }
}

}  // namespace zov::ui::desktop

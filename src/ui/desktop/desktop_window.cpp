#include "ui/desktop/desktop_window.hpp"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "platform/error.hpp"
#include "platform/event_loop.hpp"
#include "ui/desktop/button_row.hpp"
#include "ui/desktop/control_widget.hpp"
#include "ui/desktop/form_designs.hpp"
#include "ui/desktop/pixel_rect.hpp"
#include "ui/desktop/window_key_filter.hpp"
#include "ui/desktop/windows_key_codes.hpp"
#include "ui/screen.hpp"

namespace zov::ui::desktop {

DesktopWindow::DesktopWindow(platform::EventLoop& loop, ModalStack& modals, const Screen& screen,
                             ControlName name, const FormDesign* design)
    : loop_(loop),
      modals_(modals),
      screen_(screen),
      name_(std::move(name)),
      design_(design),
      unitsPerPixel_(design ? kTwipsPerPixel : 1) {
    auto* widget = new ControlWidget<QWidget>();
    widget->setObjectName(QString::fromStdString(name_.window));
    widget->onEvent = [this](QEvent* event) { return handle(event); };
    // Its controls' keys that they leave unused come up to the window.
    widget->setFocusPolicy(Qt::StrongFocus);
    widget_ = widget;
    if (design_) applyDesign();
}

void DesktopWindow::applyDesign() {
    Qt::WindowFlags flags = Qt::Window | Qt::FramelessWindowHint;
    if (design_->kind == FormKind::Popup) flags |= Qt::WindowStaysOnTopHint;
    widget_->setWindowFlags(flags);
    widget_->setAttribute(Qt::WA_StyledBackground);
    widget_->setAttribute(Qt::WA_ShowWithoutActivating, !design_->takesFocus);
    widget_->setStyleSheet(QString::fromUtf8(design_->styleSheet));
    rect_ = {0, 0, design_->width, design_->height};
    widget_->setGeometry(pixelRect(rect_, unitsPerPixel_));
    if (design_->captionHeight > 0) {
        // Frameless, the window would otherwise never show its caption.
        captionStrip_ = new QLabel(widget_);
        captionStrip_->setObjectName("windowCaption");
        captionStrip_->setGeometry(
            pixelRect({0, 0, design_->width, design_->captionHeight}, unitsPerPixel_));
        QFont font = captionStrip_->font();
        font.setPointSize(13);
        font.setBold(true);
        captionStrip_->setFont(font);
    }
    for (const auto& row : design_->rows) {
        const auto pixels = [this](double twips) {
            return static_cast<int>(std::lround(twips / unitsPerPixel_));
        };
        rows_.emplace_back(new ButtonRow(pixels(row.edge), pixels(row.gap), row.alignRight));
        rows_.back()->setParent(widget_);
    }
    if (!design_->windowKeys.empty()) {
        keyFilter_ =
            std::make_unique<WindowKeyFilter>(widget_, design_->windowKeys, [this](int key) {
                auto self = shared_from_this();  // the handler may drop the window
                KeyDown(key);
            });
    }
}

void DesktopWindow::joinRow(const std::string& control, QWidget* widget) {
    if (!design_ || !widget) return;
    for (std::size_t i = 0; i < design_->rows.size() && i < rows_.size(); ++i) {
        const auto& names = design_->rows[i].controls;
        if (rows_[i] && std::find(names.begin(), names.end(), control) != names.end())
            rows_[i]->join(widget);
    }
}

DesktopWindow::~DesktopWindow() {
    keyFilter_.reset();
    releaseWidget(widget_);
}

void DesktopWindow::show(ShowMode mode) {
    if (mode == ShowMode::Modeless) {
        setVisible(true);
        return;
    }
    if (modal_) throw Error(400, "Form already displayed; can't show modally", "Window.Show");

    auto self = shared_from_this();  // a handler inside the nested loop may drop the window
    modal_ = true;
    modals_.push_back(this);
    {
        // Also when a handler's exception leaves the nested loop.
        struct Unwind {
            DesktopWindow& window;
            ~Unwind() {
                window.modals_.pop_back();
                window.modal_ = false;
                if (window.widget_) window.widget_->setWindowModality(Qt::NonModal);
            }
        } unwind{*this};
        if (widget_) {
            // Qt takes a change of modality only when the window is shown anew.
            widget_->hide();
            widget_->setWindowModality(Qt::ApplicationModal);
        }
        setVisible(true);
        setFocus();
        // A quit meant for an inner modal window may end this level early; run again
        // until this window is the one that was hidden.
        while (visible_)
            loop_.run();
    }
    // An outer modal window hidden while this one was up is still waiting for its quit.
    if (!modals_.empty() && !modals_.back()->visible_) loop_.quit();
}

void DesktopWindow::hide() {
    setVisible(false);
    if (modal_ && !modals_.empty() && modals_.back() == this) loop_.quit();
}

void DesktopWindow::setVisible(bool visible) {
    const bool changed = visible != visible_;
    visible_ = visible;
    if (widget_) {
        if (visible) {
            if (design_ && !placedBySystem_) centreOnScreen();
            widget_->show();
            if (design_ && design_->kind == FormKind::Popup) widget_->raise();
        } else {
            widget_->hide();
        }
    }
    if (changed) name_.notify("visible", visible ? "true" : "false");
}

void DesktopWindow::setCaption(const std::string& caption) {
    caption_ = caption;
    if (widget_) widget_->setWindowTitle(QString::fromStdString(caption));
    if (captionStrip_) captionStrip_->setText(QString::fromStdString(caption));
    name_.notify("caption", caption);
}

void DesktopWindow::setRect(const Rect& rect) {
    rect_ = rect;
    placedBySystem_ = true;
    if (widget_) widget_->setGeometry(pixelRect(rect, unitsPerPixel_));
}

void DesktopWindow::setFocus() {
    if (!visible_ || !widget_) return;
    widget_->raise();
    widget_->activateWindow();
}

void DesktopWindow::minimize() {
    if (widget_) widget_->showMinimized();
}

WindowHandle DesktopWindow::windowHandle() const {
    return widget_ ? static_cast<WindowHandle>(widget_->winId()) : 0;
}

bool DesktopWindow::setOpacity(int alpha) {
    if (alpha < 0 || alpha > 255) return false;
    if (widget_) widget_->setWindowOpacity(alpha / 255.0);
    return true;
}

void DesktopWindow::pressKey(int key) {
    const auto qtKey = qtKeyFor(key);
    if (!qtKey || !widget_) {
        KeyDown(key);
        return;
    }
    QKeyEvent press(QEvent::KeyPress, qtKey->key, qtKey->modifiers, qtKey->text);
    QCoreApplication::sendEvent(widget_.data(), &press);
    if (!widget_) return;  // the key closed the window for good
    QKeyEvent release(QEvent::KeyRelease, qtKey->key, qtKey->modifiers, qtKey->text);
    QCoreApplication::sendEvent(widget_.data(), &release);
}

bool DesktopWindow::handle(QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress: {
            const auto code = windowsKeyCode(*static_cast<QKeyEvent*>(event));
            if (!code) return false;
            auto self = shared_from_this();  // the handler may drop the window
            KeyDown(*code);
            return true;
        }
        case QEvent::Close:
            // Closed from the window's frame: hidden, as the system hides it, so that it
            // knows.
            event->ignore();
            hide();
            return true;
        default:
            return false;
    }
}

void DesktopWindow::centreOnScreen() {
    const QRect pixels = pixelRect(rect_, unitsPerPixel_);
    const int left = (static_cast<int>(screen_.width()) - pixels.width()) / 2;
    const int top = (static_cast<int>(screen_.height()) - pixels.height()) / 2;
    widget_->move(std::max(0, left), std::max(0, top));
}

std::optional<std::pair<int, int>> DesktopWindow::saveScreenshot(const std::string& path) {
    if (!widget_ || !widget_->isVisible()) return std::nullopt;
    QScreen* screen = widget_->screen();
    if (!screen) return std::nullopt;
    const QRect area = widget_->frameGeometry();
    const QPixmap shot = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    if (shot.isNull() || !shot.save(QString::fromStdString(path), "PNG")) return std::nullopt;
    return std::make_pair(shot.width(), shot.height());
}

}  // namespace zov::ui::desktop

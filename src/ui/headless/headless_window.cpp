#include "ui/headless/headless_window.hpp"

#include "platform/error.hpp"
#include "platform/event_loop.hpp"

namespace zov::ui::headless {

HeadlessWindow::HeadlessWindow(platform::EventLoop& loop, ModalStack& modals, ControlName name,
                               WindowHandle handle)
    : loop_(loop), modals_(modals), name_(std::move(name)), handle_(handle) {}

void HeadlessWindow::show(ShowMode mode) {
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
            HeadlessWindow& window;
            ~Unwind() {
                window.modals_.pop_back();
                window.modal_ = false;
            }
        } unwind{*this};
        setVisible(true);
        // A quit meant for an inner modal window may end this level early; run again
        // until this window is the one that was hidden.
        while (visible_)
            loop_.run();
    }
    // An outer modal window hidden while this one was up is still waiting for its quit.
    if (!modals_.empty() && !modals_.back()->visible_) loop_.quit();
}

void HeadlessWindow::hide() {
    setVisible(false);
    if (modal_ && !modals_.empty() && modals_.back() == this) loop_.quit();
}

void HeadlessWindow::setVisible(bool visible) {
    if (visible == visible_) return;
    visible_ = visible;
    name_.notify("visible", visible ? "true" : "false");
}

void HeadlessWindow::setCaption(const std::string& caption) {
    caption_ = caption;
    name_.notify("caption", caption);
}

void HeadlessWindow::setFocus() {
    if (visible_) ++focusCount_;
}

bool HeadlessWindow::setOpacity(int alpha) {
    if (alpha < 0 || alpha > 255) return false;
    opacity_ = alpha;
    return true;
}

}  // namespace zov::ui::headless

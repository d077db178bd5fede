#pragma once
// A top-level window in memory. Shown modally it runs a nested event loop until it is
// hidden again, as a modal dialog does; events keep flowing meanwhile. Several modal
// windows nest: hiding an outer one while an inner one is up ends the outer one's loop as
// soon as the inner one has closed.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/change_sink.hpp"
#include "ui/window.hpp"

namespace zov::platform {
class EventLoop;
}

namespace zov::ui::headless {

class HeadlessWindow final : public Window, public std::enable_shared_from_this<HeadlessWindow> {
  public:
    // The windows shown modally, innermost last; one list per front end.
    using ModalStack = std::vector<HeadlessWindow*>;

    // Hidden, not minimised, opaque until told otherwise. Held by shared pointer.
    HeadlessWindow(platform::EventLoop& loop, ModalStack& modals, ControlName name,
                   WindowHandle handle);
    HeadlessWindow(const HeadlessWindow&) = delete;
    HeadlessWindow& operator=(const HeadlessWindow&) = delete;

    // Showing a window modally that is already shown modally raises zov::Error 400.
    void show(ShowMode mode = ShowMode::Modeless) override;
    void hide() override;
    bool visible() const override { return visible_; }
    std::string caption() const override { return caption_; }
    void setCaption(const std::string& caption) override;
    Rect rect() const override { return rect_; }
    void setRect(const Rect& rect) override { rect_ = rect; }
    // A hidden window cannot take the focus; the request is ignored.
    void setFocus() override;
    void minimize() override { minimized_ = true; }
    WindowHandle windowHandle() const override { return handle_; }
    // False, and nothing changes, for an alpha outside 0-255.
    bool setOpacity(int alpha) override;

    const std::string& name() const { return name_.window; }
    bool minimized() const { return minimized_; }
    // What a person does from the task bar.
    void restore() { minimized_ = false; }
    bool shownModally() const { return modal_; }
    int focusCount() const { return focusCount_; }
    std::optional<int> opacity() const { return opacity_; }

  private:
    void setVisible(bool visible);

    platform::EventLoop& loop_;
    ModalStack& modals_;
    ControlName name_;
    WindowHandle handle_;
    bool visible_ = false;
    bool modal_ = false;
    bool minimized_ = false;
    std::string caption_;
    Rect rect_;
    int focusCount_ = 0;
    std::optional<int> opacity_;
};

}  // namespace zov::ui::headless

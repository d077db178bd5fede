#pragma once
// A top-level window on the screen. Shown modally it runs a nested turn of the system's
// event loop until it is hidden again (never QDialog::exec, which would leave the system's
// timers waiting), and input to the other windows is blocked meanwhile. Keys that no control
// of the window takes reach KeyDown as the system's key codes. Several modal windows nest
// as in the headless front end.

#include <QPointer>
#include <memory>
#include <string>
#include <vector>

#include "ui/change_sink.hpp"
#include "ui/window.hpp"

class QEvent;
class QLabel;
class QWidget;

namespace zov::platform {
class EventLoop;
}
namespace zov::ui {
class Screen;
}

namespace zov::ui::desktop {

struct FormDesign;
class ButtonRow;
class WindowKeyFilter;

class DesktopWindow final : public Window, public std::enable_shared_from_this<DesktopWindow> {
  public:
    using ModalStack = std::vector<DesktopWindow*>;

    // A window with a design is laid out, framed and placed by it (in twips); any other is
    // placed by the system in pixels. Hidden and opaque at first. Held by shared pointer.
    // The screen is what a designed window is centred on.
    DesktopWindow(platform::EventLoop& loop, ModalStack& modals, const Screen& screen,
                  ControlName name, const FormDesign* design);
    ~DesktopWindow() override;
    DesktopWindow(const DesktopWindow&) = delete;
    DesktopWindow& operator=(const DesktopWindow&) = delete;

    // Showing a window modally that is already shown modally raises zov::Error 400.
    void show(ShowMode mode = ShowMode::Modeless) override;
    void hide() override;
    bool visible() const override { return visible_; }
    std::string caption() const override { return caption_; }
    void setCaption(const std::string& caption) override;
    Rect rect() const override { return rect_; }
    void setRect(const Rect& rect) override;
    // Activates and raises a shown window (no window manager may be there to do it); a
    // hidden window ignores the request.
    void setFocus() override;
    void minimize() override;
    WindowHandle windowHandle() const override;
    // False, and nothing changes, for an alpha outside 0-255.
    bool setOpacity(int alpha) override;
    // Replays the key as a key press on the window itself, through Qt, so that whatever
    // watches a person's keys sees it too; a code no key gives is raised as KeyDown directly.
    void pressKey(int key) override;
    // Taken from the screen, not drawn from the widgets: the video is not in a widget.
    std::optional<std::pair<int, int>> saveScreenshot(const std::string& path) override;

    const std::string& name() const { return name_.window; }
    // Where its controls go; nullptr once Qt has destroyed it.
    QWidget* widget() const { return widget_.data(); }
    double unitsPerPixel() const { return unitsPerPixel_; }
    bool shownModally() const { return modal_; }
    // A designed control's widget takes its place in the design's row of buttons, if any.
    void joinRow(const std::string& control, QWidget* widget);

  private:
    bool handle(QEvent* event);
    void setVisible(bool visible);
    void centreOnScreen();
    void applyDesign();

    platform::EventLoop& loop_;
    ModalStack& modals_;
    const Screen& screen_;
    ControlName name_;
    const FormDesign* design_;
    double unitsPerPixel_;
    QPointer<QWidget> widget_;
    QPointer<QLabel> captionStrip_;
    std::vector<QPointer<ButtonRow>> rows_;
    std::unique_ptr<WindowKeyFilter> keyFilter_;
    bool visible_ = false;
    bool modal_ = false;
    bool placedBySystem_ = false;
    std::string caption_;
    Rect rect_;
};

}  // namespace zov::ui::desktop

#pragma once
// The desktop front end's windows and controls, as Qt widgets. Every window is a top-level
// widget and every control a child widget of its window, filed in the registry under the
// designer's names and reporting its changes exactly as the headless controls do, so that
// the remote-control channel serves both front ends alike. The movies, browsers and the
// media player are made by the makers given (each gets its window's widget as parent).
// Lookups hold as the registry does: what the system still holds, nullptr otherwise.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ui/change_sink.hpp"
#include "ui/desktop/desktop_screen.hpp"
#include "ui/desktop/desktop_window.hpp"
#include "ui/registry.hpp"
#include "ui/ui_factory.hpp"

class QWidget;

namespace zov::platform {
class EventLoop;
class FileSystem;
}  // namespace zov::platform

namespace zov::ui::desktop {

class DesktopUiFactory final : public UiFactory {
  public:
    // Each maker gets the widget of the window the control goes in, and the control's name
    // to report its changes under; the control places itself on setRect.
    template <class Port>
    using Maker = std::function<std::shared_ptr<Port>(QWidget* window, ControlName name)>;
    struct Makers {
        Maker<FlashMovie> flashMovie;
        Maker<Browser> browser;
        Maker<MediaPlayerControl> mediaPlayer;
    };

    // Neither the loop (the Qt loop: modal windows turn it) nor the file system (the drive
    // list's drives) is owned; both outlive the factory and everything it made. A
    // QApplication must exist. A chosen screen size stands in for the display's.
    DesktopUiFactory(platform::EventLoop& loop, platform::FileSystem& files, Makers makers,
                     std::optional<ScreenSize> screen = std::nullopt);
    ~DesktopUiFactory() override;
    DesktopUiFactory(const DesktopUiFactory&) = delete;
    DesktopUiFactory& operator=(const DesktopUiFactory&) = delete;

    std::shared_ptr<Window> createWindow(const std::string& name) override;
    std::shared_ptr<Label> createLabel(Window& window, const std::string& name) override;
    std::shared_ptr<Button> createButton(Window& window, const std::string& name) override;
    std::shared_ptr<TextBox> createTextBox(Window& window, const std::string& name) override;
    std::shared_ptr<ListBox> createListBox(Window& window, const std::string& name) override;
    std::shared_ptr<DriveList> createDriveList(Window& window, const std::string& name) override;
    std::shared_ptr<Shape> createShape(Window& window, const std::string& name) override;
    std::shared_ptr<PictureBox> createPictureBox(Window& window, const std::string& name) override;
    std::shared_ptr<IntervalTimer> createTimer(Window& window, const std::string& name) override;
    // Raise std::logic_error when no maker was given for the kind.
    std::shared_ptr<FlashMovie> createFlashMovie(Window& window, const std::string& name) override;
    std::shared_ptr<Browser> createBrowser(Window& window, const std::string& name) override;
    std::shared_ptr<MediaPlayerControl> createMediaPlayer(Window& window,
                                                          const std::string& name) override;
    Screen& screen() override { return screen_; }
    Registry& registry() override { return registry_; }

    std::shared_ptr<DesktopWindow> window(const std::string& name) const;
    // The widget a window ("" for the control) or one of this factory's own controls shows
    // on the screen, found by the designer's names; nullptr when there is none.
    QWidget* widget(const std::string& window, const std::string& control) const;

  private:
    struct Placement;
    Placement placementIn(Window& window, const std::string& control) const;
    template <class Control>
    std::shared_ptr<Control> place(const Placement& where, std::shared_ptr<Control> control);

    platform::EventLoop& loop_;
    platform::FileSystem& files_;
    Makers makers_;
    DesktopScreen screen_;
    Registry registry_;
    DesktopWindow::ModalStack modals_;
};

}  // namespace zov::ui::desktop

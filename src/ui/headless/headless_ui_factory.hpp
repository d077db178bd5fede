#pragma once
// The headless front end's windows and controls. Every window is filed in the registry
// under its name and every control under its window's name and its own, so that the
// remote-control channel finds them through the ports and tests find the in-memory
// controls themselves, to read and drive them:
//     factory.window("movieGuide")->visible()
//     factory.flashMovie("mainPlayer", "PlayerSkin")->writes()
// Lookups hold as the registry does: what the system still holds, nullptr otherwise.

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "ui/change_sink.hpp"
#include "ui/headless/headless_screen.hpp"
#include "ui/headless/headless_window.hpp"
#include "ui/headless/media_catalog.hpp"
#include "ui/headless/page_sources.hpp"
#include "ui/registry.hpp"
#include "ui/ui_factory.hpp"

namespace zov::platform {
class EventLoop;
class FileSystem;
}  // namespace zov::platform

namespace zov::ui::headless {

class HeadlessLabel;
class HeadlessButton;
class HeadlessTextBox;
class HeadlessListBox;
class HeadlessDriveList;
class HeadlessShape;
class HeadlessPictureBox;
class HeadlessIntervalTimer;
class HeadlessFlashMovie;
class MemoryBrowser;
class SimulatedMediaPlayer;

class HeadlessUiFactory final : public UiFactory {
  public:
    // Makes the media player control; the simulated player unless told otherwise.
    using MediaPlayerMaker = std::function<std::shared_ptr<MediaPlayerControl>(ControlName name)>;

    // Neither is owned; both outlive the factory and everything it made. The file system
    // serves the drive list, the simulated player's files and local pages.
    HeadlessUiFactory(platform::EventLoop& loop, platform::FileSystem& files);
    ~HeadlessUiFactory() override;
    HeadlessUiFactory(const HeadlessUiFactory&) = delete;
    HeadlessUiFactory& operator=(const HeadlessUiFactory&) = delete;

    std::shared_ptr<Window> createWindow(const std::string& name) override;
    std::shared_ptr<Label> createLabel(Window& window, const std::string& name) override;
    std::shared_ptr<Button> createButton(Window& window, const std::string& name) override;
    std::shared_ptr<TextBox> createTextBox(Window& window, const std::string& name) override;
    std::shared_ptr<ListBox> createListBox(Window& window, const std::string& name) override;
    std::shared_ptr<DriveList> createDriveList(Window& window, const std::string& name) override;
    std::shared_ptr<Shape> createShape(Window& window, const std::string& name) override;
    std::shared_ptr<PictureBox> createPictureBox(Window& window, const std::string& name) override;
    std::shared_ptr<IntervalTimer> createTimer(Window& window, const std::string& name) override;
    std::shared_ptr<FlashMovie> createFlashMovie(Window& window, const std::string& name) override;
    std::shared_ptr<Browser> createBrowser(Window& window, const std::string& name) override;
    std::shared_ptr<MediaPlayerControl> createMediaPlayer(Window& window,
                                                          const std::string& name) override;
    Screen& screen() override { return screen_; }

    // Finding what was made.
    std::shared_ptr<HeadlessWindow> window(const std::string& name) const;
    std::shared_ptr<HeadlessLabel> label(const std::string& window, const std::string& name) const;
    std::shared_ptr<HeadlessButton> button(const std::string& window,
                                           const std::string& name) const;
    std::shared_ptr<HeadlessTextBox> textBox(const std::string& window,
                                             const std::string& name) const;
    std::shared_ptr<HeadlessListBox> listBox(const std::string& window,
                                             const std::string& name) const;
    std::shared_ptr<HeadlessDriveList> driveList(const std::string& window,
                                                 const std::string& name) const;
    std::shared_ptr<HeadlessShape> shape(const std::string& window, const std::string& name) const;
    std::shared_ptr<HeadlessPictureBox> pictureBox(const std::string& window,
                                                   const std::string& name) const;
    std::shared_ptr<HeadlessIntervalTimer> timer(const std::string& window,
                                                 const std::string& name) const;
    std::shared_ptr<HeadlessFlashMovie> flashMovie(const std::string& window,
                                                   const std::string& name) const;
    std::shared_ptr<MemoryBrowser> browser(const std::string& window,
                                           const std::string& name) const;
    std::shared_ptr<MediaPlayerControl> mediaPlayer(const std::string& window,
                                                    const std::string& name) const;
    // The same, when it is the simulated player.
    std::shared_ptr<SimulatedMediaPlayer> simulatedPlayer(const std::string& window,
                                                          const std::string& name) const;

    HeadlessScreen& headlessScreen() { return screen_; }
    PageSources& pages() { return pages_; }
    MediaCatalog& media() { return media_; }
    void setMediaPlayerMaker(MediaPlayerMaker maker) { mediaPlayerMaker_ = std::move(maker); }
    // Told of every change to what a person would see; replaces the previous sink.
    void onChange(ChangeSink sink) { registry_.onChange(std::move(sink)); }
    Registry& registry() override { return registry_; }
    const Registry& registry() const { return registry_; }

  private:
    ControlName nameIn(const Window& window, const std::string& control) const;
    template <class T>
    std::shared_ptr<T> remember(const ControlName& name, std::shared_ptr<T> control);
    WindowHandle nextHandle();

    platform::EventLoop& loop_;
    platform::FileSystem& files_;
    HeadlessScreen screen_;
    PageSources pages_;
    MediaCatalog media_;
    MediaPlayerMaker mediaPlayerMaker_;
    Registry registry_;
    HeadlessWindow::ModalStack modals_;
    WindowHandle lastHandle_ = 0x10000;
};

}  // namespace zov::ui::headless

#pragma once
// The headless front end's windows and controls. Every window is registered under its
// name and every control under its window's name and its own, so that tests and the
// remote-control channel can find, read and drive them:
//     factory.window("movieGuide")->visible()
//     factory.button("movieGuide", "MLdownload")->click()
// The registry holds them weakly: a lookup finds what the system still holds, nullptr
// otherwise (and for a name never created). A name created twice finds the latest.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <typeindex>
#include <utility>

#include "ui/headless/change_sink.hpp"
#include "ui/headless/headless_screen.hpp"
#include "ui/headless/headless_window.hpp"
#include "ui/headless/media_catalog.hpp"
#include "ui/headless/page_sources.hpp"
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
    void onChange(ChangeSink sink) { *sink_ = std::move(sink); }

  private:
    ControlName nameIn(const Window& window, const std::string& control) const;
    template <class T>
    std::shared_ptr<T> remember(const ControlName& name, std::shared_ptr<T> control);
    template <class T>
    std::shared_ptr<T> find(const std::string& window, const std::string& name) const;
    WindowHandle nextHandle();

    platform::EventLoop& loop_;
    platform::FileSystem& files_;
    HeadlessScreen screen_;
    PageSources pages_;
    MediaCatalog media_;
    MediaPlayerMaker mediaPlayerMaker_;
    std::shared_ptr<ChangeSink> sink_ = std::make_shared<ChangeSink>();
    HeadlessWindow::ModalStack modals_;
    std::map<std::string, std::weak_ptr<HeadlessWindow>> windows_;
    struct Entry {
        std::weak_ptr<void> object;
        std::type_index type;
    };
    std::map<std::pair<std::string, std::string>, Entry> controls_;
    WindowHandle lastHandle_ = 0x10000;
};

}  // namespace zov::ui::headless

#include "ui/headless/headless_ui_factory.hpp"

#include <cctype>
#include <vector>

#include "platform/file_system.hpp"
#include "ui/headless/headless_button.hpp"
#include "ui/headless/headless_drive_list.hpp"
#include "ui/headless/headless_flash_movie.hpp"
#include "ui/headless/headless_interval_timer.hpp"
#include "ui/headless/headless_label.hpp"
#include "ui/headless/headless_list_box.hpp"
#include "ui/headless/headless_picture_box.hpp"
#include "ui/headless/headless_shape.hpp"
#include "ui/headless/headless_text_box.hpp"
#include "ui/headless/memory_browser.hpp"
#include "ui/headless/simulated_media_player.hpp"

namespace zov::ui::headless {

HeadlessUiFactory::HeadlessUiFactory(platform::EventLoop& loop, platform::FileSystem& files)
    : loop_(loop), files_(files) {
    pages_.setFileSystem(&files_);
    mediaPlayerMaker_ = [this](ControlName name) -> std::shared_ptr<MediaPlayerControl> {
        return SimulatedMediaPlayer::create(std::move(name), loop_, files_, media_);
    };
}

HeadlessUiFactory::~HeadlessUiFactory() = default;

WindowHandle HeadlessUiFactory::nextHandle() {
    lastHandle_ += 0x10;
    return lastHandle_;
}

ControlName HeadlessUiFactory::nameIn(const Window& window, const std::string& control) const {
    const auto* headless = dynamic_cast<const HeadlessWindow*>(&window);
    return ControlName{headless ? headless->name() : std::string(), control, sink_};
}

template <class T>
std::shared_ptr<T> HeadlessUiFactory::remember(const ControlName& name,
                                               std::shared_ptr<T> control) {
    controls_.insert_or_assign(std::pair(name.window, name.control),
                               Entry{control, std::type_index(typeid(T))});
    return control;
}

template <class T>
std::shared_ptr<T> HeadlessUiFactory::find(const std::string& window,
                                           const std::string& name) const {
    auto it = controls_.find(std::pair(window, name));
    if (it == controls_.end() || it->second.type != std::type_index(typeid(T))) return nullptr;
    return std::static_pointer_cast<T>(it->second.object.lock());
}

std::shared_ptr<Window> HeadlessUiFactory::createWindow(const std::string& name) {
    auto window = std::make_shared<HeadlessWindow>(
        loop_, modals_, ControlName{name, std::string(), sink_}, nextHandle());
    windows_.insert_or_assign(name, window);
    return window;
}

std::shared_ptr<Label> HeadlessUiFactory::createLabel(Window& window, const std::string& name) {
    const ControlName id = nameIn(window, name);
    return remember(id, std::make_shared<HeadlessLabel>(id));
}

std::shared_ptr<Button> HeadlessUiFactory::createButton(Window& window, const std::string& name) {
    const ControlName id = nameIn(window, name);
    return remember(id, std::make_shared<HeadlessButton>(id));
}

std::shared_ptr<TextBox> HeadlessUiFactory::createTextBox(Window& window, const std::string& name) {
    const ControlName id = nameIn(window, name);
    return remember(id, std::make_shared<HeadlessTextBox>(id));
}

std::shared_ptr<ListBox> HeadlessUiFactory::createListBox(Window& window, const std::string& name) {
    const ControlName id = nameIn(window, name);
    return remember(id, std::make_shared<HeadlessListBox>(id));
}

std::shared_ptr<DriveList> HeadlessUiFactory::createDriveList(Window& window,
                                                              const std::string& name) {
    const ControlName id = nameIn(window, name);
    auto drives = [this] {
        std::vector<std::string> entries;
        for (char letter : files_.driveLetters()) {
            const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
            const std::string drive = std::string(1, lower) + ":";
            const std::string folder = files_.hostPath(drive + "\\");
            entries.push_back(folder.empty() ? drive : drive + " [" + folder + "]");
        }
        return entries;
    };
    return remember(id, std::make_shared<HeadlessDriveList>(id, std::move(drives)));
}

std::shared_ptr<Shape> HeadlessUiFactory::createShape(Window& window, const std::string& name) {
    const ControlName id = nameIn(window, name);
    return remember(id, std::make_shared<HeadlessShape>(id));
}

std::shared_ptr<PictureBox> HeadlessUiFactory::createPictureBox(Window& window,
                                                                const std::string& name) {
    const ControlName id = nameIn(window, name);
    return remember(id, std::make_shared<HeadlessPictureBox>(id, nextHandle()));
}

std::shared_ptr<IntervalTimer> HeadlessUiFactory::createTimer(Window& window,
                                                              const std::string& name) {
    const ControlName id = nameIn(window, name);
    return remember(id, HeadlessIntervalTimer::create(loop_));
}

std::shared_ptr<FlashMovie> HeadlessUiFactory::createFlashMovie(Window& window,
                                                                const std::string& name) {
    const ControlName id = nameIn(window, name);
    return remember(id, std::make_shared<HeadlessFlashMovie>(id));
}

std::shared_ptr<Browser> HeadlessUiFactory::createBrowser(Window& window, const std::string& name) {
    const ControlName id = nameIn(window, name);
    return remember(id, std::make_shared<MemoryBrowser>(id, loop_, pages_));
}

std::shared_ptr<MediaPlayerControl> HeadlessUiFactory::createMediaPlayer(Window& window,
                                                                         const std::string& name) {
    const ControlName id = nameIn(window, name);
    return remember(id, mediaPlayerMaker_(id));
}

std::shared_ptr<HeadlessWindow> HeadlessUiFactory::window(const std::string& name) const {
    auto it = windows_.find(name);
    return it == windows_.end() ? nullptr : it->second.lock();
}

std::shared_ptr<HeadlessLabel> HeadlessUiFactory::label(const std::string& window,
                                                        const std::string& name) const {
    return find<HeadlessLabel>(window, name);
}

std::shared_ptr<HeadlessButton> HeadlessUiFactory::button(const std::string& window,
                                                          const std::string& name) const {
    return find<HeadlessButton>(window, name);
}

std::shared_ptr<HeadlessTextBox> HeadlessUiFactory::textBox(const std::string& window,
                                                            const std::string& name) const {
    return find<HeadlessTextBox>(window, name);
}

std::shared_ptr<HeadlessListBox> HeadlessUiFactory::listBox(const std::string& window,
                                                            const std::string& name) const {
    return find<HeadlessListBox>(window, name);
}

std::shared_ptr<HeadlessDriveList> HeadlessUiFactory::driveList(const std::string& window,
                                                                const std::string& name) const {
    return find<HeadlessDriveList>(window, name);
}

std::shared_ptr<HeadlessShape> HeadlessUiFactory::shape(const std::string& window,
                                                        const std::string& name) const {
    return find<HeadlessShape>(window, name);
}

std::shared_ptr<HeadlessPictureBox> HeadlessUiFactory::pictureBox(const std::string& window,
                                                                  const std::string& name) const {
    return find<HeadlessPictureBox>(window, name);
}

std::shared_ptr<HeadlessIntervalTimer> HeadlessUiFactory::timer(const std::string& window,
                                                                const std::string& name) const {
    return find<HeadlessIntervalTimer>(window, name);
}

std::shared_ptr<HeadlessFlashMovie> HeadlessUiFactory::flashMovie(const std::string& window,
                                                                  const std::string& name) const {
    return find<HeadlessFlashMovie>(window, name);
}

std::shared_ptr<MemoryBrowser> HeadlessUiFactory::browser(const std::string& window,
                                                          const std::string& name) const {
    return find<MemoryBrowser>(window, name);
}

std::shared_ptr<MediaPlayerControl> HeadlessUiFactory::mediaPlayer(const std::string& window,
                                                                   const std::string& name) const {
    return find<MediaPlayerControl>(window, name);
}

std::shared_ptr<SimulatedMediaPlayer> HeadlessUiFactory::simulatedPlayer(
    const std::string& window, const std::string& name) const {
    return std::dynamic_pointer_cast<SimulatedMediaPlayer>(mediaPlayer(window, name));
}

}  // namespace zov::ui::headless

#include "ui/headless/headless_ui_factory.hpp"

#include "platform/file_system.hpp"
#include "ui/drive_entries.hpp"
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
    return registry_.nameFor(headless ? headless->name() : std::string(), control);
}

template <class T>
std::shared_ptr<T> HeadlessUiFactory::remember(const ControlName& name,
                                               std::shared_ptr<T> control) {
    registry_.add(name.window, name.control, control);
    return control;
}

std::shared_ptr<Window> HeadlessUiFactory::createWindow(const std::string& name) {
    auto window =
        std::make_shared<HeadlessWindow>(loop_, modals_, registry_.nameFor(name, ""), nextHandle());
    registry_.addWindow(name, window);
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
    auto drives = [this] { return driveEntries(files_); };
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

// What this factory filed is of its own kinds; anything else filed under the name is not.
std::shared_ptr<HeadlessWindow> HeadlessUiFactory::window(const std::string& name) const {
    return std::dynamic_pointer_cast<HeadlessWindow>(registry_.window(name));
}

std::shared_ptr<HeadlessLabel> HeadlessUiFactory::label(const std::string& window,
                                                        const std::string& name) const {
    return std::dynamic_pointer_cast<HeadlessLabel>(registry_.label(window, name));
}

std::shared_ptr<HeadlessButton> HeadlessUiFactory::button(const std::string& window,
                                                          const std::string& name) const {
    return std::dynamic_pointer_cast<HeadlessButton>(registry_.button(window, name));
}

std::shared_ptr<HeadlessTextBox> HeadlessUiFactory::textBox(const std::string& window,
                                                            const std::string& name) const {
    return std::dynamic_pointer_cast<HeadlessTextBox>(registry_.textBox(window, name));
}

std::shared_ptr<HeadlessListBox> HeadlessUiFactory::listBox(const std::string& window,
                                                            const std::string& name) const {
    return std::dynamic_pointer_cast<HeadlessListBox>(registry_.listBox(window, name));
}

std::shared_ptr<HeadlessDriveList> HeadlessUiFactory::driveList(const std::string& window,
                                                                const std::string& name) const {
    return std::dynamic_pointer_cast<HeadlessDriveList>(registry_.driveList(window, name));
}

std::shared_ptr<HeadlessShape> HeadlessUiFactory::shape(const std::string& window,
                                                        const std::string& name) const {
    return std::dynamic_pointer_cast<HeadlessShape>(registry_.shape(window, name));
}

std::shared_ptr<HeadlessPictureBox> HeadlessUiFactory::pictureBox(const std::string& window,
                                                                  const std::string& name) const {
    return std::dynamic_pointer_cast<HeadlessPictureBox>(registry_.pictureBox(window, name));
}

std::shared_ptr<HeadlessIntervalTimer> HeadlessUiFactory::timer(const std::string& window,
                                                                const std::string& name) const {
    return std::dynamic_pointer_cast<HeadlessIntervalTimer>(registry_.timer(window, name));
}

std::shared_ptr<HeadlessFlashMovie> HeadlessUiFactory::flashMovie(const std::string& window,
                                                                  const std::string& name) const {
    return std::dynamic_pointer_cast<HeadlessFlashMovie>(registry_.flashMovie(window, name));
}

std::shared_ptr<MemoryBrowser> HeadlessUiFactory::browser(const std::string& window,
                                                          const std::string& name) const {
    return std::dynamic_pointer_cast<MemoryBrowser>(registry_.browser(window, name));
}

std::shared_ptr<MediaPlayerControl> HeadlessUiFactory::mediaPlayer(const std::string& window,
                                                                   const std::string& name) const {
    return registry_.mediaPlayer(window, name);
}

std::shared_ptr<SimulatedMediaPlayer> HeadlessUiFactory::simulatedPlayer(
    const std::string& window, const std::string& name) const {
    return std::dynamic_pointer_cast<SimulatedMediaPlayer>(mediaPlayer(window, name));
}

}  // namespace zov::ui::headless

#include "ui/desktop/desktop_ui_factory.hpp"

#include <QWidget>
#include <stdexcept>
#include <type_traits>

#include "ui/browser.hpp"
#include "ui/desktop/desktop_button.hpp"
#include "ui/desktop/desktop_drive_list.hpp"
#include "ui/desktop/desktop_interval_timer.hpp"
#include "ui/desktop/desktop_label.hpp"
#include "ui/desktop/desktop_list_box.hpp"
#include "ui/desktop/desktop_picture_box.hpp"
#include "ui/desktop/desktop_shape.hpp"
#include "ui/desktop/desktop_text_box.hpp"
#include "ui/desktop/form_designs.hpp"
#include "ui/desktop/pixel_rect.hpp"
#include "ui/drive_entries.hpp"
#include "ui/flash_movie.hpp"
#include "ui/media_player_control.hpp"

namespace zov::ui::desktop {

// Where a new control goes: its name, its window's widget and units, and its place in the
// window's design if the window has one.
struct DesktopUiFactory::Placement {
    ControlName name;
    QWidget* parent;
    double unitsPerPixel;
    const FormDesign* form;
    DesktopWindow* window;
};

DesktopUiFactory::DesktopUiFactory(platform::EventLoop& loop, platform::FileSystem& files,
                                   Makers makers, std::optional<ScreenSize> screen)
    : loop_(loop), files_(files), makers_(std::move(makers)), screen_(screen) {}

DesktopUiFactory::~DesktopUiFactory() = default;

DesktopUiFactory::Placement DesktopUiFactory::placementIn(Window& window,
                                                          const std::string& control) const {
    auto* desktop = dynamic_cast<DesktopWindow*>(&window);
    if (!desktop) throw std::invalid_argument("a desktop control goes in a desktop window");
    return {registry_.nameFor(desktop->name(), control), desktop->widget(),
            desktop->unitsPerPixel(), formDesign(desktop->name()), desktop};
}

template <class Control>
std::shared_ptr<Control> DesktopUiFactory::place(const Placement& where,
                                                 std::shared_ptr<Control> control) {
    if (where.form) {
        auto designed = where.form->controls.find(where.name.control);
        if (designed != where.form->controls.end()) {
            const ControlDesign& design = designed->second;
            control->setRect(design.rect);
            if constexpr (std::is_same_v<Control, DesktopLabel>) {
                if (design.fontSize > 0) control->setFontSize(design.fontSize);
                control->setBold(design.bold);
                control->alignText(design.align);
            }
            if constexpr (std::is_same_v<Control, DesktopButton>) {
                if (design.face) control->setFace(design.face);
            }
            if (!design.takesFocus && control->widget())
                control->widget()->setFocusPolicy(Qt::NoFocus);
            where.window->joinRow(where.name.control, control->widget());
        } else if constexpr (std::is_same_v<Control, DesktopLabel>) {
            control->alignText(TextAlign::Centre);
        }
    }
    registry_.add(where.name.window, where.name.control, control);
    return control;
}

std::shared_ptr<Window> DesktopUiFactory::createWindow(const std::string& name) {
    auto window = std::make_shared<DesktopWindow>(loop_, modals_, screen_,
                                                  registry_.nameFor(name, ""), formDesign(name));
    registry_.addWindow(name, window);
    return window;
}

std::shared_ptr<Label> DesktopUiFactory::createLabel(Window& window, const std::string& name) {
    const Placement where = placementIn(window, name);
    return place(where,
                 std::make_shared<DesktopLabel>(where.name, where.parent, where.unitsPerPixel));
}

std::shared_ptr<Button> DesktopUiFactory::createButton(Window& window, const std::string& name) {
    const Placement where = placementIn(window, name);
    return place(where,
                 std::make_shared<DesktopButton>(where.name, where.parent, where.unitsPerPixel));
}

std::shared_ptr<TextBox> DesktopUiFactory::createTextBox(Window& window, const std::string& name) {
    const Placement where = placementIn(window, name);
    return place(where,
                 std::make_shared<DesktopTextBox>(where.name, where.parent, where.unitsPerPixel));
}

std::shared_ptr<ListBox> DesktopUiFactory::createListBox(Window& window, const std::string& name) {
    const Placement where = placementIn(window, name);
    return place(where,
                 std::make_shared<DesktopListBox>(where.name, where.parent, where.unitsPerPixel));
}

std::shared_ptr<DriveList> DesktopUiFactory::createDriveList(Window& window,
                                                             const std::string& name) {
    const Placement where = placementIn(window, name);
    auto drives = [this] { return driveEntries(files_); };
    return place(where, std::make_shared<DesktopDriveList>(where.name, where.parent,
                                                           where.unitsPerPixel, drives));
}

std::shared_ptr<Shape> DesktopUiFactory::createShape(Window& window, const std::string& name) {
    const Placement where = placementIn(window, name);
    return place(where,
                 std::make_shared<DesktopShape>(where.name, where.parent, where.unitsPerPixel));
}

std::shared_ptr<PictureBox> DesktopUiFactory::createPictureBox(Window& window,
                                                               const std::string& name) {
    const Placement where = placementIn(window, name);
    return place(
        where, std::make_shared<DesktopPictureBox>(where.name, where.parent, where.unitsPerPixel));
}

std::shared_ptr<IntervalTimer> DesktopUiFactory::createTimer(Window& window,
                                                             const std::string& name) {
    const Placement where = placementIn(window, name);
    auto timer = DesktopIntervalTimer::create(loop_);
    registry_.add(where.name.window, where.name.control, timer);
    return timer;
}

namespace {

template <class Port>
std::shared_ptr<Port> make(const DesktopUiFactory::Maker<Port>& maker, const char* kind,
                           QWidget* parent, const ControlName& name) {
    if (!maker) throw std::logic_error(std::string("the desktop front end makes no ") + kind);
    return maker(parent, name);
}

// The made controls (pages, movies, the player) measure in pixels, whatever their window's
// units: in a designed window they get their designed place in pixels.
template <class Port>
void placeMade(const FormDesign* form, const ControlName& name, double unitsPerPixel,
               Port* control) {
    if (!form || !control) return;
    auto designed = form->controls.find(name.control);
    if (designed == form->controls.end()) return;
    const QRect pixels = pixelRect(designed->second.rect, unitsPerPixel);
    control->setRect(
        {double(pixels.x()), double(pixels.y()), double(pixels.width()), double(pixels.height())});
}

}  // namespace

std::shared_ptr<FlashMovie> DesktopUiFactory::createFlashMovie(Window& window,
                                                               const std::string& name) {
    const Placement where = placementIn(window, name);
    auto movie = make(makers_.flashMovie, "movies", where.parent, where.name);
    placeMade(where.form, where.name, where.unitsPerPixel, movie.get());
    registry_.add(where.name.window, where.name.control, movie);
    return movie;
}

std::shared_ptr<Browser> DesktopUiFactory::createBrowser(Window& window, const std::string& name) {
    const Placement where = placementIn(window, name);
    auto browser = make(makers_.browser, "browsers", where.parent, where.name);
    placeMade(where.form, where.name, where.unitsPerPixel, browser.get());
    registry_.add(where.name.window, where.name.control, browser);
    return browser;
}

std::shared_ptr<MediaPlayerControl> DesktopUiFactory::createMediaPlayer(Window& window,
                                                                        const std::string& name) {
    const Placement where = placementIn(window, name);
    auto player = make(makers_.mediaPlayer, "media players", where.parent, where.name);
    placeMade(where.form, where.name, where.unitsPerPixel, player.get());
    registry_.add(where.name.window, where.name.control, player);
    return player;
}

std::shared_ptr<DesktopWindow> DesktopUiFactory::window(const std::string& name) const {
    return std::dynamic_pointer_cast<DesktopWindow>(registry_.window(name));
}

QWidget* DesktopUiFactory::widget(const std::string& window, const std::string& control) const {
    auto shown = this->window(window);
    QWidget* frame = shown ? shown->widget() : nullptr;
    if (!frame || control.empty()) return frame;
    return frame->findChild<QWidget*>(QString::fromStdString(control), Qt::FindDirectChildrenOnly);
}

}  // namespace zov::ui::desktop

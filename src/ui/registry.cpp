#include "ui/registry.hpp"

#include "ui/browser.hpp"
#include "ui/controls.hpp"
#include "ui/flash_movie.hpp"
#include "ui/media_player_control.hpp"
#include "ui/window.hpp"

namespace zov::ui {

Registry::Registry() = default;
Registry::~Registry() = default;

ControlName Registry::nameFor(const std::string& window, const std::string& control) const {
    return ControlName{window, control, sink_};
}

void Registry::addWindow(const std::string& name, const std::shared_ptr<Window>& window) {
    windows_.insert_or_assign(name, window);
}

std::shared_ptr<Window> Registry::window(const std::string& name) const {
    auto it = windows_.find(name);
    return it == windows_.end() ? nullptr : it->second.lock();
}

template <class Port>
void Registry::remember(const std::string& window, const std::string& name,
                        std::shared_ptr<Port> control) {
    // Converted to the port before it loses its type, so that find may cast straight back.
    controls_.insert_or_assign(
        std::pair(window, name),
        Entry{std::shared_ptr<void>(std::move(control)), std::type_index(typeid(Port))});
}

template <class Port>
std::shared_ptr<Port> Registry::find(const std::string& window, const std::string& name) const {
    auto it = controls_.find(std::pair(window, name));
    if (it == controls_.end() || it->second.kind != std::type_index(typeid(Port))) return nullptr;
    return std::static_pointer_cast<Port>(it->second.object.lock());
}

// One filing and one lookup per kind of control.
#define ZOV_REGISTRY_KIND(Port, lookup)                                                        \
    void Registry::add(const std::string& window, const std::string& name,                     \
                       std::shared_ptr<Port> control) {                                        \
        remember<Port>(window, name, std::move(control));                                      \
    }                                                                                          \
    std::shared_ptr<Port> Registry::lookup(const std::string& window, const std::string& name) \
        const {                                                                                \
        return find<Port>(window, name);                                                       \
    }

ZOV_REGISTRY_KIND(Label, label)
ZOV_REGISTRY_KIND(Button, button)
ZOV_REGISTRY_KIND(TextBox, textBox)
ZOV_REGISTRY_KIND(ListBox, listBox)
ZOV_REGISTRY_KIND(DriveList, driveList)
ZOV_REGISTRY_KIND(Shape, shape)
ZOV_REGISTRY_KIND(PictureBox, pictureBox)
ZOV_REGISTRY_KIND(IntervalTimer, timer)
ZOV_REGISTRY_KIND(FlashMovie, flashMovie)
ZOV_REGISTRY_KIND(Browser, browser)
ZOV_REGISTRY_KIND(MediaPlayerControl, mediaPlayer)

#undef ZOV_REGISTRY_KIND

}  // namespace zov::ui

#pragma once
// Where a front end files the windows and controls it makes, under the names the window's
// designer gave them, so that the remote-control channel and tests find them again whichever
// front end runs:
//     registry.window("movieGuide")->visible()
//     registry.button("movieGuide", "MLdownload")->click()
// It holds them weakly: a lookup finds what the system still holds, nullptr otherwise (and
// for a name never filed, or filed as another kind of control). A name filed twice finds the
// latest. It also hands every control the front end's one change sink (nameFor), so that
// whoever listens (onChange) hears every window and control.

#include <map>
#include <memory>
#include <string>
#include <typeindex>
#include <utility>

#include "ui/change_sink.hpp"

namespace zov::ui {

class Window;
class Label;
class Button;
class TextBox;
class ListBox;
class DriveList;
class Shape;
class PictureBox;
class IntervalTimer;
class FlashMovie;
class Browser;
class MediaPlayerControl;

class Registry {
  public:
    Registry();
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    // The name a control of that window reports its changes under ("" for the window).
    ControlName nameFor(const std::string& window, const std::string& control) const;
    // Told of every change any window or control reports; replaces the previous sink, and an
    // empty one silences them.
    void onChange(ChangeSink sink) { *sink_ = std::move(sink); }

    void addWindow(const std::string& name, const std::shared_ptr<Window>& window);
    // Each kind of control is found only as that kind.
    void add(const std::string& window, const std::string& name, std::shared_ptr<Label> control);
    void add(const std::string& window, const std::string& name, std::shared_ptr<Button> control);
    void add(const std::string& window, const std::string& name, std::shared_ptr<TextBox> control);
    void add(const std::string& window, const std::string& name, std::shared_ptr<ListBox> control);
    void add(const std::string& window, const std::string& name,
             std::shared_ptr<DriveList> control);
    void add(const std::string& window, const std::string& name, std::shared_ptr<Shape> control);
    void add(const std::string& window, const std::string& name,
             std::shared_ptr<PictureBox> control);
    void add(const std::string& window, const std::string& name,
             std::shared_ptr<IntervalTimer> control);
    void add(const std::string& window, const std::string& name,
             std::shared_ptr<FlashMovie> control);
    void add(const std::string& window, const std::string& name, std::shared_ptr<Browser> control);
    void add(const std::string& window, const std::string& name,
             std::shared_ptr<MediaPlayerControl> control);

    std::shared_ptr<Window> window(const std::string& name) const;
    std::shared_ptr<Label> label(const std::string& window, const std::string& name) const;
    std::shared_ptr<Button> button(const std::string& window, const std::string& name) const;
    std::shared_ptr<TextBox> textBox(const std::string& window, const std::string& name) const;
    std::shared_ptr<ListBox> listBox(const std::string& window, const std::string& name) const;
    std::shared_ptr<DriveList> driveList(const std::string& window, const std::string& name) const;
    std::shared_ptr<Shape> shape(const std::string& window, const std::string& name) const;
    std::shared_ptr<PictureBox> pictureBox(const std::string& window,
                                           const std::string& name) const;
    std::shared_ptr<IntervalTimer> timer(const std::string& window, const std::string& name) const;
    std::shared_ptr<FlashMovie> flashMovie(const std::string& window,
                                           const std::string& name) const;
    std::shared_ptr<Browser> browser(const std::string& window, const std::string& name) const;
    std::shared_ptr<MediaPlayerControl> mediaPlayer(const std::string& window,
                                                    const std::string& name) const;

  private:
    template <class Port>
    void remember(const std::string& window, const std::string& name,
                  std::shared_ptr<Port> control);
    template <class Port>
    std::shared_ptr<Port> find(const std::string& window, const std::string& name) const;

    struct Entry {
        std::weak_ptr<void> object;  // points at the Port part of the control
        std::type_index kind;
    };
    std::shared_ptr<ChangeSink> sink_ = std::make_shared<ChangeSink>();
    std::map<std::string, std::weak_ptr<Window>> windows_;
    std::map<std::pair<std::string, std::string>, Entry> controls_;
};

}  // namespace zov::ui

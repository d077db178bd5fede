#pragma once
// A top-level window as the system's windows use it: shown modelessly or modally, hidden,
// placed, focused, minimised, made translucent, and named by a window handle.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "platform/event.hpp"

namespace zov::ui {

using WindowHandle = std::int64_t;

// Positions and sizes in the window's own units (twips for the original forms; the headless
// front end uses the screen's units).
struct Rect {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
};

enum class ShowMode { Modeless, Modal };

class Window {
  public:
    virtual ~Window() = default;

    // Modal: returns only when the window has been hidden again; events keep flowing
    // meanwhile (a nested run of the event loop).
    virtual void show(ShowMode mode = ShowMode::Modeless) = 0;
    virtual void hide() = 0;
    virtual bool visible() const = 0;
    virtual std::string caption() const = 0;
    virtual void setCaption(const std::string& caption) = 0;
    virtual Rect rect() const = 0;
    virtual void setRect(const Rect& rect) = 0;
    virtual void setFocus() = 0;
    virtual void minimize() = 0;
    virtual WindowHandle windowHandle() const = 0;
    // A layered window with constant opacity 0-255; false when the platform refused.
    virtual bool setOpacity(int alpha) = 0;

    // A key given to the window as a person presses it while the window has the focus: the
    // remote-control channel's keys. Raises KeyDown unless the front end delivers it its
    // own way.
    virtual void pressKey(int key) { KeyDown(key); }

    // What the window shows on the screen now, video included, written as a PNG file; its
    // width and height in pixels, or nothing where there is no screen to take it from (the
    // headless front end) or the file could not be written.
    virtual std::optional<std::pair<int, int>> saveScreenshot(const std::string& path) {
        (void)path;
        return std::nullopt;
    }

    // A key pressed while the window has the focus (the character or key code).
    Event<int> KeyDown;
};

}  // namespace zov::ui

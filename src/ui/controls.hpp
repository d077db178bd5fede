#pragma once
// The small controls the windows hold: labels (also used as buttons), buttons, text boxes,
// list boxes, the drive list, shapes, picture boxes and interval timers.

#include <cstdint>
#include <string>

#include "platform/event.hpp"
#include "ui/window.hpp"

namespace zov::ui {

struct Colour {
    int red = 0;
    int green = 0;
    int blue = 0;
    bool operator==(const Colour&) const = default;
};

class Control {
  public:
    virtual ~Control() = default;
    virtual bool visible() const = 0;
    virtual void setVisible(bool visible) = 0;
    virtual Rect rect() const = 0;
    virtual void setRect(const Rect& rect) = 0;
};

class Label : public Control {
  public:
    virtual std::string caption() const = 0;
    virtual void setCaption(const std::string& caption) = 0;
    virtual int fontSize() const = 0;
    virtual void setFontSize(int points) = 0;
    // A person's click (labels serve as buttons): raises Click.
    virtual void click() { Click(); }
    Event<> Click;
    Event<> MouseMove;
};

class Button : public Control {
  public:
    virtual std::string caption() const = 0;
    virtual void setCaption(const std::string& caption) = 0;
    virtual bool enabled() const = 0;
    virtual void setEnabled(bool enabled) = 0;
    // A person's click: false, and nothing happens, while the button is hidden or disabled.
    virtual bool click() {
        if (!visible() || !enabled()) return false;
        Click();
        return true;
    }
    Event<> Click;
    Event<> MouseMove;
};

class TextBox : public Control {
  public:
    virtual std::string text() const = 0;
    virtual void setText(const std::string& text) = 0;
};

class ListBox : public Control {
  public:
    virtual void addItem(const std::string& item) = 0;
    virtual void removeItem(int index) = 0;
    virtual void clear() = 0;
    virtual int listCount() const = 0;
    virtual std::string list(int index) const = 0;
    virtual int listIndex() const = 0;  // -1 when nothing is selected
    virtual void setListIndex(int index) = 0;
    Event<> Click;
};

// The list of drives the cache manager offers; `drive` is the chosen entry's text, whose
// first two characters are the letter and the colon ("e: [usb]"). Setting it chooses the
// entry of the same letter without raising Change (which is the user's choice); a letter
// the list does not offer raises zov::Error 68 "Device unavailable".
class DriveList : public Control {
  public:
    virtual std::string drive() const = 0;
    virtual void setDrive(const std::string& drive) = 0;
    virtual void refresh() = 0;
    Event<> Change;
};

class Shape : public Control {};

class PictureBox : public Control {
  public:
    virtual WindowHandle windowHandle() const = 0;
    virtual Colour backColour() const = 0;
    virtual void setBackColour(const Colour& colour) = 0;
    virtual void repaint() = 0;
    virtual void setFocus() = 0;
    Event<> DblClick;
    Event<int> KeyPress;
    // Raised when the box's size changes.
    Event<> Resize;
};

// A periodic timer control placed on a window (milliseconds; 0 disables it). It starts
// enabled with interval 0, and setting the interval of an enabled timer counts it afresh.
class IntervalTimer {
  public:
    virtual ~IntervalTimer() = default;
    virtual std::int32_t interval() const = 0;
    virtual void setInterval(std::int32_t milliseconds) = 0;
    virtual bool enabled() const = 0;
    virtual void setEnabled(bool enabled) = 0;
    Event<> Timer;
};

}  // namespace zov::ui

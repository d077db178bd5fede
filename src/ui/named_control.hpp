#pragma once
// The part a control shares when nothing on a screen holds its state for it (the in-memory
// controls, the media player's region): its name, visibility and rectangle, and the change
// of visibility reported to the front end's sink.

#include <string>
#include <utility>

#include "ui/change_sink.hpp"
#include "ui/window.hpp"

namespace zov::ui {

template <class Port>
class NamedControl : public Port {
  public:
    explicit NamedControl(ControlName name) : name_(std::move(name)) {}

    const ControlName& controlName() const { return name_; }

    bool visible() const override { return visible_; }
    void setVisible(bool visible) override {
        if (visible == visible_) return;
        visible_ = visible;
        name_.notify("visible", visible ? "true" : "false");
    }
    Rect rect() const override { return rect_; }
    void setRect(const Rect& rect) override { rect_ = rect; }

  protected:
    void notify(const std::string& property, const std::string& value) const {
        name_.notify(property, value);
    }

  private:
    ControlName name_;
    bool visible_ = true;
    Rect rect_;
};

}  // namespace zov::ui

#pragma once
// The part every in-memory control shares: its name, visibility and rectangle.

#include <utility>

#include "ui/headless/change_sink.hpp"
#include "ui/window.hpp"

namespace zov::ui::headless {

template <class Port>
class HeadlessControl : public Port {
  public:
    explicit HeadlessControl(ControlName name) : name_(std::move(name)) {}

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

}  // namespace zov::ui::headless

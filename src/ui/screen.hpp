#pragma once
// The screen the client fills: its size in the windows' units.

namespace zov::ui {

class Screen {
  public:
    virtual ~Screen() = default;
    virtual double width() const = 0;
    virtual double height() const = 0;
};

}  // namespace zov::ui

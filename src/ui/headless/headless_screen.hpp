#pragma once
// A screen of a chosen size (1920x1080 unless told otherwise).

#include "ui/screen.hpp"

namespace zov::ui::headless {

class HeadlessScreen final : public Screen {
  public:
    double width() const override { return width_; }
    double height() const override { return height_; }
    void setSize(double width, double height) {
        width_ = width;
        height_ = height;
    }

  private:
    double width_ = 1920;
    double height_ = 1080;
};

}  // namespace zov::ui::headless

#pragma once
// The video region a test hands the player: a plain X11 window of the region's own colour
// (red 1, green 2, blue 1) on the test's display, which the test can look into.

#include <cstdint>
#include <memory>

namespace zov::test {

class RegionWindow {
  public:
    static constexpr int kWidth = 320;
    static constexpr int kHeight = 240;

    RegionWindow();  // no window when there is no display: handle() is then 0
    ~RegionWindow();
    RegionWindow(const RegionWindow&) = delete;
    RegionWindow& operator=(const RegionWindow&) = delete;

    std::int64_t handle() const;
    // ffmpeg's colour bars at the movie's own size: the seven top bars, 46 pixels each,
    // across the top two thirds of the window.
    bool showsBars() const;

  private:
    struct X;
    std::unique_ptr<X> x_;
};

}  // namespace zov::test

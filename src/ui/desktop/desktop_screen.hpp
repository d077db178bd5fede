#pragma once
// The screen the client fills, in pixels, so that the system's own arithmetic on its size
// gives pixel rectangles: the primary display's size, or a size chosen on the command line
// (--geometry WxH) for a window of that size standing in for the screen.

#include <optional>
#include <string_view>

#include "ui/screen.hpp"

namespace zov::ui::desktop {

struct ScreenSize {
    int width = 0;
    int height = 0;
};

// "1280x720" (an upper-case X too); nothing for anything else or a side below 1.
std::optional<ScreenSize> parseGeometry(std::string_view text);

class DesktopScreen final : public Screen {
  public:
    // A QGuiApplication must exist unless the size is given.
    explicit DesktopScreen(std::optional<ScreenSize> chosen = std::nullopt);

    double width() const override;
    double height() const override;

  private:
    ScreenSize size() const;

    std::optional<ScreenSize> chosen_;
};

}  // namespace zov::ui::desktop

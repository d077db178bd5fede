#pragma once
// The desktop client's command line: the headless client's options (the client folder, the
// remote-control channel, a service on other ports) and the size of the "screen".

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ui/desktop/desktop_screen.hpp"

namespace zov {

struct DesktopOptions {
    std::optional<std::string> clientDir;  // else found as zov finds it (client_folders.hpp)
    std::string remote;
    std::string versionServer;
    std::int32_t authPort = 0;
    std::optional<ui::desktop::ScreenSize> screen;  // --geometry WxH instead of the display
};

// Nothing, with the reason in `problem`, for an option that is unknown or badly formed.
std::optional<DesktopOptions> parseDesktopOptions(const std::vector<std::string>& args,
                                                  std::string& problem);

// DISPLAY or WAYLAND_DISPLAY names a display.
bool hasDisplay();

}  // namespace zov

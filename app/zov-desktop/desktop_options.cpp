#include "desktop_options.hpp"

#include <cstdlib>

#include "platform/port_number.hpp"

namespace zov {

std::optional<DesktopOptions> parseDesktopOptions(const std::vector<std::string>& args,
                                                  std::string& problem) {
    DesktopOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        const std::string& option = args[i];
        if (!hasValue) {
            problem = "unknown option '" + option + "'";
            return std::nullopt;
        }
        const std::string& value = args[++i];
        if (option == "--client-dir") {
            options.clientDir = value;
        } else if (option == "--remote") {
            options.remote = value;
        } else if (option == "--version-server") {
            options.versionServer = value;
        } else if (option == "--auth-port") {
            options.authPort = platform::portNumber(value).value_or(0);
            if (options.authPort == 0) {
                problem = "'--auth-port' takes a port from 1 to 65535";
                return std::nullopt;
            }
        } else if (option == "--geometry") {
            options.screen = ui::desktop::parseGeometry(value);
            if (!options.screen) {
                problem = "'--geometry' takes WIDTHxHEIGHT in pixels, such as 1280x720";
                return std::nullopt;
            }
        } else {
            problem = "unknown option '" + option + "'";
            return std::nullopt;
        }
    }
    return options;
}

bool hasDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value && *value) return true;
    }
    return false;
}

}  // namespace zov

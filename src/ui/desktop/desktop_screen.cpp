#include "ui/desktop/desktop_screen.hpp"

#include <QGuiApplication>
#include <QScreen>
#include <charconv>

namespace zov::ui::desktop {

namespace {

// A side: digits only, at least 1 and at most a large display's.
std::optional<int> side(std::string_view text) {
    constexpr int kLargest = 65535;
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 1 ||
        value > kLargest)
        return std::nullopt;
    return value;
}

}  // namespace

std::optional<ScreenSize> parseGeometry(std::string_view text) {
    const auto cross = text.find_first_of("xX");
    if (cross == std::string_view::npos) return std::nullopt;
    const auto width = side(text.substr(0, cross));
    const auto height = side(text.substr(cross + 1));
    if (!width || !height) return std::nullopt;
    return ScreenSize{*width, *height};
}

DesktopScreen::DesktopScreen(std::optional<ScreenSize> chosen) : chosen_(chosen) {}

ScreenSize DesktopScreen::size() const {
    if (chosen_) return *chosen_;
    // Read each time: the display may change size while the client runs.
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary) return {};
    return {primary->size().width(), primary->size().height()};
}

double DesktopScreen::width() const {
    return size().width;
}

double DesktopScreen::height() const {
    return size().height;
}

}  // namespace zov::ui::desktop

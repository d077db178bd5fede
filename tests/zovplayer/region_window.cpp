#include "region_window.hpp"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <string>

namespace zov::test {

struct RegionWindow::X {
    Display* display = nullptr;
    Window window = 0;
};

namespace {

constexpr unsigned long kBackground = 0x010201;

// One connection for the whole run, never closed: an X server whose last client leaves
// resets, and turns away whoever connects meanwhile.
Display* sharedDisplay() {
    static Display* display = XOpenDisplay(nullptr);
    return display;
}

// The window's pixels as 0xRRGGBB, row by row; empty when it cannot be read.
template <typename Use>
bool withImage(Display* display, Window window, Use use) {
    XImage* image = XGetImage(display, window, 0, 0, RegionWindow::kWidth, RegionWindow::kHeight,
                              AllPlanes, ZPixmap);
    if (!image) return false;
    const bool result = use([image](int x, int y) { return XGetPixel(image, x, y) & 0xffffff; });
    XDestroyImage(image);
    return result;
}

bool near(unsigned long seen, unsigned long expected) {
    for (int shift : {0, 8, 16})
        if (std::abs(int((seen >> shift) & 255) - int((expected >> shift) & 255)) > 40)
            return false;
    return true;
}

}  // namespace

RegionWindow::RegionWindow() : x_(std::make_unique<X>()) {
    x_->display = sharedDisplay();
    if (!x_->display) return;
    x_->window = XCreateSimpleWindow(x_->display, DefaultRootWindow(x_->display), 0, 0, kWidth,
                                     kHeight, 0, 0, kBackground);
    XMapWindow(x_->display, x_->window);
    XSync(x_->display, False);
}

RegionWindow::~RegionWindow() {
    if (!x_->display) return;
    XDestroyWindow(x_->display, x_->window);
    XSync(x_->display, False);
}

std::int64_t RegionWindow::handle() const {
    return static_cast<std::int64_t>(x_->window);
}

bool RegionWindow::showsBars() const {
    static constexpr std::array<unsigned long, 7> bars = {0xbfbfbf, 0xbfbf00, 0x00bfbf, 0x00bf00,
                                                          0xbf00bf, 0xbf0000, 0x0000bf};
    if (!x_->display) return false;
    return withImage(x_->display, x_->window, [](auto pixel) {
        for (std::size_t bar = 0; bar < bars.size(); ++bar)
            if (!near(pixel(46 * int(bar) + 23, kHeight / 3), bars[bar])) return false;
        return true;
    });
}

void RegionWindow::save(const std::string& path) const {
    if (!x_->display) return;
    withImage(x_->display, x_->window, [&path](auto pixel) {
        std::ofstream file(path, std::ios::binary);
        file << "P6\n" << kWidth << " " << kHeight << "\n255\n";
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const unsigned long rgb = pixel(x, y);
                const char bytes[3] = {char(rgb >> 16), char(rgb >> 8), char(rgb)};
                file.write(bytes, 3);
            }
        return true;
    });
}

}  // namespace zov::test

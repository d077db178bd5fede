#include "ui/desktop/pixel_rect.hpp"

#include <algorithm>
#include <cmath>

namespace zov::ui::desktop {

QRect pixelRect(const Rect& rect, double unitsPerPixel) {
    auto pixels = [unitsPerPixel](double units) {
        return static_cast<int>(std::lround(units / unitsPerPixel));
    };
    const int left = pixels(rect.left);
    const int top = pixels(rect.top);
    const int right = pixels(rect.left + rect.width);
    const int bottom = pixels(rect.top + rect.height);
    return QRect(left, top, std::max(0, right - left), std::max(0, bottom - top));
}

}  // namespace zov::ui::desktop

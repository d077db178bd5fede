#include "ui/headless/headless_picture_box.hpp"

namespace zov::ui::headless {

void HeadlessPictureBox::setRect(const Rect& rect) {
    const Rect before = this->rect();
    NamedControl::setRect(rect);
    if (before.width != rect.width || before.height != rect.height) Resize();
}

}  // namespace zov::ui::headless

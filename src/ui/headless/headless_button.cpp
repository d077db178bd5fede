#include "ui/headless/headless_button.hpp"

namespace zov::ui::headless {

void HeadlessButton::setCaption(const std::string& caption) {
    caption_ = caption;
    notify("caption", caption);
}

bool HeadlessButton::mouseOver() {
    if (!visible() || !enabled_) return false;
    MouseMove();
    return true;
}

}  // namespace zov::ui::headless

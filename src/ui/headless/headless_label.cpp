#include "ui/headless/headless_label.hpp"

namespace zov::ui::headless {

void HeadlessLabel::setCaption(const std::string& caption) {
    caption_ = caption;
    notify("caption", caption);
}

}  // namespace zov::ui::headless

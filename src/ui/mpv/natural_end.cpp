#include "ui/mpv/natural_end.hpp"

#include <algorithm>

namespace zov::ui::mpv {

bool isNaturalEnd(double reached, double length) {
    if (length <= 0) return true;
    const double slack = std::max(kEndSlackSeconds, kEndSlackShare * length);
    return reached >= length - slack;
}

}  // namespace zov::ui::mpv

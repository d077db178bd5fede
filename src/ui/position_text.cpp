#include "ui/position_text.hpp"

#include <cstdio>

namespace zov::ui {

std::string positionText(double seconds) {
    const auto total = seconds > 0 ? static_cast<long long>(seconds) : 0LL;
    char text[32];
    if (total >= 3600)
        std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", total / 3600, total / 60 % 60,
                      total % 60);
    else
        std::snprintf(text, sizeof text, "%02lld:%02lld", total / 60, total % 60);
    return text;
}

}  // namespace zov::ui

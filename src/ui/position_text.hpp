#pragma once
// How a media player shows a position: "01:05", or "01:02:03" from an hour on.

#include <string>

namespace zov::ui {

std::string positionText(double seconds);

}  // namespace zov::ui

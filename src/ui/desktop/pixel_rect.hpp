#pragma once
// Rectangles in a window's own units turned into the pixels Qt places widgets by. The
// windows the system places from the screen's size use pixels (one unit per pixel); the
// small forms the desktop front end lays out itself use twips, as their designer did.

#include <QRect>

#include "ui/window.hpp"

namespace zov::ui::desktop {

// Fifteen twips to a pixel at the usual 96 dots per inch.
inline constexpr double kTwipsPerPixel = 15;

// Each edge rounds to the nearest pixel, so that rectangles which meet in units still meet
// on the screen.
QRect pixelRect(const Rect& rect, double unitsPerPixel);

}  // namespace zov::ui::desktop

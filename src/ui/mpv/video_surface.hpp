#pragma once
// The native window a player with a screen draws into (the desktop's video region): placed
// where the main window keeps the player, or covering the whole main window while the
// player is in full screen. The player drives it; the surface tells the player when a
// person asks to leave full screen (Escape, a double click on the video).

#include "platform/event.hpp"
#include "ui/window.hpp"

namespace zov::ui::mpv {

class VideoSurface {
  public:
    virtual ~VideoSurface() = default;

    // The native window libmpv draws into.
    virtual WindowHandle handle() const = 0;
    // The player's rectangle in the main window, kept while covering.
    virtual void place(const Rect& rect) = 0;
    virtual void setShown(bool shown) = 0;
    // Full screen: the whole main window, above everything else in it.
    virtual void setCovering(bool covering) = 0;
    // Media is being opened: the video goes above the other controls at its place.
    virtual void bringToFront() = 0;

    Event<> LeaveFullScreen;
};

}  // namespace zov::ui::mpv

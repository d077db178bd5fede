#pragma once
// The embedded media player of the desktop front end: the libmpv player drawing into a
// video region of the main window, with sound when the machine has any.

#include <memory>

#include "ui/change_sink.hpp"

class QWidget;

namespace zov::platform {
class EventLoop;
class FileSystem;
}  // namespace zov::platform

namespace zov::ui {
class MediaPlayerControl;
}

namespace zov::ui::desktop {

// Libmpv's video outputs on the desktop: the GPU one where it can draw (software GL
// included), X11 images otherwise.
inline constexpr const char* kDesktopVideoOutputs = "gpu,x11";
// Sound where there is a device; without one the movie still plays.
inline constexpr const char* kDesktopAudioOutputs = "pulse,alsa,null";

// The region is made in `mainWindow` and placed when the player's rectangle is set. None of
// the references is owned; the loop and the file system outlive the player. Throws Error
// when libmpv cannot start.
std::shared_ptr<MediaPlayerControl> makeMediaPlayer(QWidget* mainWindow, ControlName name,
                                                    platform::EventLoop& loop,
                                                    const platform::FileSystem& files);

}  // namespace zov::ui::desktop

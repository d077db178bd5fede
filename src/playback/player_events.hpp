#pragma once
// The main window's reactions to the embedded media player and its playback timers: the
// skin's total time and the popups as the player changes state, the ad and playlist
// sequencing at the end of each clip, the bookmark removed when a movie plays to its end,
// the switch to full screen three seconds after playback starts, the pause when preview
// playback catches up with the download, and the pause after a playback error. The main
// window owns one; it handles the player's events and the timers' from construction on.

#include <functional>
#include <memory>
#include <string>

#include "playback/bookmarks.hpp"

namespace zov::platform {
class EventLoop;
class FileSystem;
}  // namespace zov::platform
namespace zov::ui {
class MediaPlayerControl;
}
namespace zov::runtime {
class CTimeout;
class Dialogs;
}  // namespace zov::runtime

namespace zov::playback {

class PlayerAdaptor;

class PlayerEvents {
  public:
    // What the reactions need of the main window and the guide. A function left empty
    // answers false or does nothing.
    struct MainWindow {
        // Whether the main window is shown (the guide is not in front of it).
        std::function<bool()> visible;
        // The guide's previewTimeout: preview playback is about to overtake the download.
        std::function<bool()> previewTimeout;
        // streamingPlayer.fullScreen.
        std::function<void()> streamingPlayerFullScreen;
        // SetVariable of the skin movie PlayerSkin.
        std::function<void(const std::string& name, const std::string& value)> setSkinVariable;
    };

    // None of the references is owned; all outlive this object. fullscreentimer (3 s) is the
    // main window's public timer, shared with the message hook; mediaClipTimer (1 s) and
    // terminateWmpError (4 s) are made here.
    PlayerEvents(platform::EventLoop& loop, ui::MediaPlayerControl& wmpPlayer,
                 PlayerAdaptor& mediaPlayer, runtime::CTimeout& fullscreentimer,
                 runtime::Dialogs& dialogs, platform::FileSystem& files, MainWindow mainWindow);
    ~PlayerEvents();
    PlayerEvents(const PlayerEvents&) = delete;
    PlayerEvents& operator=(const PlayerEvents&) = delete;

    runtime::CTimeout& mediaClipTimer() { return *mediaClipTimer_; }
    runtime::CTimeout& terminateWmpError() { return *terminateWmpError_; }

  private:
    void wmpPlayer_PlayStateChange(int newState);
    void wmpPlayer_Error();
    void mediaClipTimer_TimeOut();
    void terminateWmpError_timeout();
    void fullScreenTimer_timeout();
    // The end of a clip: the ad's, a playlist entry's, or the movie's own.
    void mediaEnded();
    void setSkinVariable(const std::string& name, const std::string& value);

    ui::MediaPlayerControl& wmpPlayer_;
    PlayerAdaptor& mediaPlayer_;
    runtime::CTimeout& fullscreentimer_;
    runtime::Dialogs& dialogs_;
    Bookmarks bookmarks_;
    MainWindow mainWindow_;
    std::shared_ptr<runtime::CTimeout> mediaClipTimer_;
    std::shared_ptr<runtime::CTimeout> terminateWmpError_;
};

}  // namespace zov::playback

#include "playback/player_events.hpp"

#include <utility>

#include "platform/error.hpp"
#include "playback/player_adaptor.hpp"
#include "runtime/c_timeout.hpp"
#include "runtime/dialogs.hpp"
#include "runtime/ignoring_errors.hpp"
#include "runtime/popupwindow.hpp"
#include "ui/media_player_control.hpp"
#include "ui/window.hpp"

namespace zov::playback {

namespace {

constexpr const char* kWaitForDownload = "Please wait for the video to be fully downloaded";

}  // namespace

PlayerEvents::PlayerEvents(platform::EventLoop& loop, ui::MediaPlayerControl& wmpPlayer,
                           PlayerAdaptor& mediaPlayer, runtime::CTimeout& fullscreentimer,
                           runtime::Dialogs& dialogs, platform::FileSystem& files,
                           MainWindow mainWindow)
    : wmpPlayer_(wmpPlayer),
      mediaPlayer_(mediaPlayer),
      fullscreentimer_(fullscreentimer),
      dialogs_(dialogs),
      bookmarks_(files),
      mainWindow_(std::move(mainWindow)),
      mediaClipTimer_(runtime::CTimeout::create(loop, 1)),
      terminateWmpError_(runtime::CTimeout::create(loop, 4)) {
    wmpPlayer_.PlayStateChange.connect([this](int state) { wmpPlayer_PlayStateChange(state); });
    wmpPlayer_.Error.connect([this] { wmpPlayer_Error(); });
    mediaClipTimer_->TimeOut.connect([this] { mediaClipTimer_TimeOut(); });
    terminateWmpError_->TimeOut.connect([this] { terminateWmpError_timeout(); });
    fullscreentimer_.TimeOut.connect([this] { fullScreenTimer_timeout(); });
}

PlayerEvents::~PlayerEvents() {
    wmpPlayer_.PlayStateChange.disconnect();
    wmpPlayer_.Error.disconnect();
    fullscreentimer_.TimeOut.disconnect();
}

// Every handler below is called by the player or a timer, which have nobody to hand a
// failure to: each keeps what it had instead.

void PlayerEvents::wmpPlayer_PlayStateChange(int) {
    runtime::ignoringErrors([&] {
        switch (wmpPlayer_.playState()) {
            case ui::wmppsStopped:
            case ui::wmppsPaused:
                fullscreentimer_.StopTimer();
                mediaClipTimer_->StopTimer();
                break;
            case ui::wmppsPlaying: {
                setSkinVariable("totalTime", PlayerAdaptor::secondsText(wmpPlayer_.duration()));
                fullscreentimer_.StartTimer();
                mediaClipTimer_->StartTimer();
                auto& popup = dialogs_.popupwindow();
                if (popup.window().visible()) {
                    popup.diableKey = false;
                    popup.window().hide();
                }
                break;
            }
            case ui::wmppsBuffering:
                dialogs_.showPersistentPopup("Please Wait... Transmitting");
                break;
            case ui::wmppsMediaEnded:
                mediaClipTimer_->StopTimer();
                mediaEnded();
                break;
            default:
                break;
        }
    });
}

void PlayerEvents::mediaEnded() {
    if (mediaPlayer_.isOnPlayingAds()) {
        mediaPlayer_.unloadContent();
        mediaPlayer_.finishedPlayingAds();
    } else if (mediaPlayer_.isOnPlayList()) {
        mediaPlayer_.nextItemInPlaylist();
    } else {
        // Watched to the end: the next play starts from the beginning.
        bookmarks_.deleteBookmark(wmpPlayer_.URL());
    }
}

void PlayerEvents::wmpPlayer_Error() {
    runtime::ignoringErrors([&] {
        dialogs_.showPersistentPopup(kWaitForDownload);
        terminateWmpError_->StartTimer();
    });
}

void PlayerEvents::mediaClipTimer_TimeOut() {
    runtime::ignoringErrors([&] {
        if (mediaPlayer_.isOnPlayingAds()) return;
        if (mainWindow_.previewTimeout && mainWindow_.previewTimeout()) {
            mediaPlayer_.justPause();
            dialogs_.showPopup(kWaitForDownload);
        }
    });
}

void PlayerEvents::terminateWmpError_timeout() {
    terminateWmpError_->StopTimer();
    runtime::ignoringErrors([&] {
        auto& popup = dialogs_.popupwindow();
        if (popup.window().visible() && popup.diableKey) {
            popup.diableKey = false;
            popup.window().hide();
        }
        mediaPlayer_.justPause();
    });
}

void PlayerEvents::fullScreenTimer_timeout() {
    fullscreentimer_.StopTimer();
    runtime::ignoringErrors([&] {
        if (!mainWindow_.visible || !mainWindow_.visible()) return;  // the guide is in front
        mediaPlayer_.fullScreen();
        if (mainWindow_.streamingPlayerFullScreen) mainWindow_.streamingPlayerFullScreen();
    });
}

void PlayerEvents::setSkinVariable(const std::string& name, const std::string& value) {
    if (mainWindow_.setSkinVariable) mainWindow_.setSkinVariable(name, value);
}

}  // namespace zov::playback

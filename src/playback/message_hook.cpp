#include "playback/message_hook.hpp"

#include <limits>
#include <utility>

#include "platform/error.hpp"
#include "platform/window_messages.hpp"
#include "playback/h264_player.hpp"
#include "runtime/c_timeout.hpp"
#include "runtime/ignoring_errors.hpp"
#include "ui/controls.hpp"

namespace zov::playback {

namespace {

// A count of seconds from the player, kept within what the controller holds.
std::int32_t seconds(std::int64_t wParam) {
    constexpr auto low = std::numeric_limits<std::int32_t>::min();
    constexpr auto high = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(wParam < low ? low : wParam > high ? high : wParam);
}

}  // namespace

MessageHook::MessageHook(platform::WindowMessages& messages, h264Player& streamingPlayer,
                         runtime::CTimeout& fullscreentimer, ui::PictureBox& h264Screen,
                         MainWindow mainWindow)
    : messages_(messages),
      streamingPlayer_(streamingPlayer),
      fullscreentimer_(fullscreentimer),
      h264Screen_(h264Screen),
      mainWindow_(std::move(mainWindow)) {
    h264Screen_.DblClick.connect([this] { h264Screen_DblClick(); });
    h264Screen_.KeyPress.connect([this](int keyAscii) { h264Screen_KeyPress(keyAscii); });
    h264Screen_.Resize.connect([this] { h264Screen_Resize(); });
}

MessageHook::~MessageHook() {
    remove();
    h264Screen_.DblClick.disconnect();
    h264Screen_.KeyPress.disconnect();
    h264Screen_.Resize.disconnect();
}

void MessageHook::install(ui::WindowHandle mainWindow) {
    remove();
    messages_.listen(mainWindow,
                     [this](const platform::WindowMessage& record) { WindowProc(record); });
    hWnd_ = mainWindow;
    installed_ = true;
}

void MessageHook::remove() {
    if (!installed_) return;
    messages_.unlisten(hWnd_);
    installed_ = false;
}

void MessageHook::WindowProc(const platform::WindowMessage& record) {
    switch (record.message) {
        case kControlWindow:
            streamingPlayer_.setController(record.wParam);
            break;
        case kPlaybackStarted:
            streamingPlayer_.setDuration(seconds(record.wParam));
            fullscreentimer_.StartTimer();
            setSkinVariable("videoName",
                            mainWindow_.selectedTitle ? mainWindow_.selectedTitle() : "");
            setSkinVariable("totalTime", std::to_string(record.wParam));
            setSkinVariable("totalTimestring", streamingPlayer_.currentdurationString());
            setSkinVariable("slashstring", "/");
            break;
        case kPosition:
            streamingPlayer_.setCurrentPosition(seconds(record.wParam));
            break;
        case kPlaybackEnded:
            fullscreentimer_.StopTimer();
            repaintVideoRegion();
            streamingPlayer_.normalScreen();
            streamingPlayer_.stopPlaying();
            setSkinVariable("videoName", " ");
            setSkinVariable("slashstring", " ");
            if (mainWindow_.loadStbEProgramGuide) mainWindow_.loadStbEProgramGuide();
            break;
        default:
            break;  // anything else is the main window's ordinary business, not ours
    }
}

void MessageHook::h264Screen_DblClick() {
    streamingPlayer_.taggleFullScreen();
}

void MessageHook::h264Screen_KeyPress(int keyAscii) {
    switch (keyAscii) {
        case 27:
            streamingPlayer_.normalScreen();
            break;
        case 'F':
        case 'f':
            streamingPlayer_.fastforward();
            break;
        case 'R':
        case 'r':
            streamingPlayer_.rewind();
            break;
        case 'P':
        case 'p':
            // A player that cannot be started again leaves things as they were; a key press
            // has nobody to hand the failure to.
            runtime::ignoringErrors([this] { streamingPlayer_.playPause(); });
            break;
        case 'S':
        case 's':
            streamingPlayer_.stopPlaying();
            repaintVideoRegion();
            break;
        case ' ':
            streamingPlayer_.pausePlaying();
            repaintVideoRegion();
            break;
        default:
            break;
    }
}

void MessageHook::h264Screen_Resize() {
    if (streamingPlayer_.PlayerCurrentStatus() == h264Player::Running) h264Screen_.setFocus();
    repaintVideoRegion();
}

void MessageHook::setSkinVariable(const std::string& name, const std::string& value) {
    if (mainWindow_.setSkinVariable) mainWindow_.setSkinVariable(name, value);
}

void MessageHook::repaintVideoRegion() {
    h264Screen_.setBackColour(kVideoRegionColour);
    h264Screen_.repaint();
}

}  // namespace zov::playback

#include "playback/skin_commands.hpp"

#include <string_view>
#include <utility>

#include "platform/error.hpp"
#include "playback/h264_player.hpp"
#include "playback/player_adaptor.hpp"
#include "runtime/ignoring_errors.hpp"
#include "runtime/numeric_text.hpp"
#include "ui/controls.hpp"
#include "ui/media_player_control.hpp"

namespace zov::playback {

SkinCommands::SkinCommands(PlayerAdaptor& mediaPlayer, ui::MediaPlayerControl& wmpPlayer,
                           h264Player& streamingPlayer, ui::PictureBox& h264Screen,
                           platform::FileSystem& files, runtime::Dialogs& dialogs,
                           MainWindow mainWindow)
    : mediaPlayer_(mediaPlayer),
      wmpPlayer_(wmpPlayer),
      streamingPlayer_(streamingPlayer),
      h264Screen_(h264Screen),
      dialogs_(dialogs),
      bookmarks_(files),
      mainWindow_(std::move(mainWindow)) {}

void SkinCommands::dispatch(const std::string& command, const std::string& args) {
    using Action = void (*)(SkinCommands&, const std::string& args);
    struct Entry {
        std::string_view command;
        Action action;  // nullptr: known, and nothing to do
    };
    // Searched in this order; the first equal entry acts.
    static constexpr Entry kCommands[] = {
        {"full_screen", [](SkinCommands& s, const std::string&) { s.fullScreen(); }},
        {"help", nullptr},
        {"idv_central", [](SkinCommands& s, const std::string&) { s.idvCentral(); }},
        {"open_favorite", nullptr},
        {"HDEngine", [](SkinCommands& s, const std::string&) { s.showHDEngine(); }},
        {"preview", nullptr},
        {"min", [](SkinCommands& s, const std::string&) { s.minimize(); }},
        {"play", [](SkinCommands& s, const std::string&) { s.play(); }},
        {"stop", [](SkinCommands& s, const std::string&) { s.stop(); }},
        {"pause", [](SkinCommands& s, const std::string&) { s.pause(); }},
        {"rewind", [](SkinCommands& s, const std::string&) { s.rewind(); }},
        {"forward", [](SkinCommands& s, const std::string&) { s.forward(); }},
        {"End", [](SkinCommands& s, const std::string&) { s.end(); }},
        {"DONE_ENCODING", nullptr},
        {"LOAD", nullptr},
        {"DELETE", nullptr},
        {"DOWNLOAD", nullptr},
        {"UPDATE_TIME", [](SkinCommands& s, const std::string&) { s.updateTime(); }},
        {"UPDATE_POSITION",
         [](SkinCommands& s, const std::string& args) { s.updatePosition(args); }},
        // Our own addition: writes the bookmark of the movie the embedded player has open,
        // so that the guide offers to resume it from here.
        {"bookmark", [](SkinCommands& s, const std::string&) { s.bookmark(); }},
    };

    for (const auto& entry : kCommands) {
        if (entry.command != command) continue;
        if (entry.action) {
            // A player that cannot do it keeps the state it had.
            runtime::ignoringErrors([&] { entry.action(*this, args); });
        }
        return;
    }
}

bool SkinCommands::embeddedActive() const {
    return mediaPlayer_.currentPlayingMedia().has_value();
}

void SkinCommands::fullScreen() {
    repaintVideoRegion();
    // The same button takes the movie back out of full screen (reached by keyboard: the
    // video covers the skin meanwhile).
    if (wmpPlayer_.fullScreen())
        wmpPlayer_.setFullScreen(false);
    else
        mediaPlayer_.fullScreen();
    streamingPlayer_.fullScreen();
}

void SkinCommands::idvCentral() {
    if (mainWindow_.loadStbEProgramGuide) mainWindow_.loadStbEProgramGuide();
}

void SkinCommands::showHDEngine() {
    if (mainWindow_.showHDEngine) mainWindow_.showHDEngine();
}

void SkinCommands::minimize() {
    if (mainWindow_.minimize) mainWindow_.minimize();
}

void SkinCommands::play() {
    if (embeddedActive())
        mediaPlayer_.justPlay();
    else
        streamingPlayer_.playPause();
}

void SkinCommands::stop() {
    if (embeddedActive()) {
        mediaPlayer_.stopPlaying();
        mediaPlayer_.unloadContent();
    } else {
        streamingPlayer_.stopPlaying();
        repaintVideoRegion();
    }
    setSkinVariable("videoName", " ");
    setSkinVariable("slashstring", " ");
}

void SkinCommands::pause() {
    if (embeddedActive()) {
        mediaPlayer_.justPause();
    } else {
        streamingPlayer_.pausePlaying();
        repaintVideoRegion();
    }
}

void SkinCommands::rewind() {
    if (embeddedActive())
        mediaPlayer_.rewind();
    else
        streamingPlayer_.rewind();
}

void SkinCommands::forward() {
    if (embeddedActive())
        mediaPlayer_.fastforward();
    else
        streamingPlayer_.fastforward();
}

void SkinCommands::end() {
    try {
        streamingPlayer_.unloadContent();
    } catch (const Error&) {
        // The user asked to leave: a player that cannot be ended does not keep us.
    }
    if (mainWindow_.ExitPlayer) mainWindow_.ExitPlayer();
}

void SkinCommands::updateTime() {
    if (embeddedActive()) {
        setSkinVariable("txtTime", wmpPlayer_.currentPositionString());
        setSkinVariable("nowTime", mediaPlayer_.currentPosition());
    } else if (streamingPlayer_.duration() > 0) {
        setSkinVariable("txtTime", streamingPlayer_.currentPositionString());
        setSkinVariable("nowTime", std::to_string(streamingPlayer_.currentPosition()));
    } else {
        setSkinVariable("txtTime", " ");
        setSkinVariable("totalTimestring", " ");
        setSkinVariable("nowTime", "0");
    }
}

void SkinCommands::updatePosition(const std::string& args) {
    if (embeddedActive()) {
        mediaPlayer_.gotoPosition(args);
        return;
    }
    if (streamingPlayer_.duration() <= 0) return;  // the player has not told its length yet
    if (auto seconds = runtime::toInt32(args)) streamingPlayer_.seektime(*seconds);
}

void SkinCommands::bookmark() {
    bookmarks_.bookmark(wmpPlayer_, mediaPlayer_, dialogs_);
}

void SkinCommands::repaintVideoRegion() {
    h264Screen_.setBackColour(kVideoRegionColour);
    h264Screen_.repaint();
}

void SkinCommands::setSkinVariable(const std::string& name, const std::string& value) {
    if (mainWindow_.setSkinVariable) mainWindow_.setSkinVariable(name, value);
}

}  // namespace zov::playback

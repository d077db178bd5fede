#include "guide/play_from_guide.hpp"

#include <cmath>
#include <cstdint>

#include "config/media_info.hpp"
#include "config/player_properties.hpp"
#include "guide/download_queue.hpp"
#include "guide/guide_controls.hpp"
#include "guide/guide_host.hpp"
#include "guide/guide_selection.hpp"
#include "guide/media_names.hpp"
#include "platform/error.hpp"
#include "platform/file_system.hpp"
#include "playback/bookmarks.hpp"
#include "playback/h264_player.hpp"
#include "playback/player_adaptor.hpp"
#include "runtime/dialogs.hpp"
#include "runtime/yes_no_popup.hpp"
#include "ui/controls.hpp"
#include "ui/media_player_control.hpp"
#include "ui/window.hpp"

namespace zov::guide {

namespace {

constexpr std::int16_t kPreviewPercent = 5;
constexpr std::int32_t kPreviewMargin = 30;  // seconds of material ahead of the position

// To the nearest whole number, halves to even, as a 32-bit count.
std::int32_t toInt32(double value) {
    return static_cast<std::int32_t>(std::nearbyint(value));
}

}  // namespace

PlayFromGuide::PlayFromGuide(GuideServices services, GuideControls& controls,
                             GuideSelection& selection, DownloadQueue& downloads)
    : services_(services), controls_(controls), selection_(selection), downloads_(downloads) {}

void PlayFromGuide::blankTimeDisplay() {
    for (const char* name : {"videoName", "slashstring", "txttime", "Totaltimestring"})
        services_.host.setSkinVariable(name, " ");
}

void PlayFromGuide::MLplay_Click() {
    // The question below lets other events run: keep the record this click was about.
    const auto selected = selection_.currentSelected;
    if (!selected) return;
    if (refuseUnsafeNames(services_.dialogs, *selected)) return;
    auto& host = services_.host;
    auto& player = host.mediaPlayer();
    const std::string name = selected->movieFileName();

    std::string loaded = name;
    if (player.isCurrentFileLoaded(loaded)) {
        player.justPlay();
        return finishPlayStart(*selected);
    }

    if (isStreaming(*selected) && selected->remoteFileName().starts_with("xms")) {
        if (player.currentPlayingMedia()) {
            player.stopPlaying();
            player.unloadContent();
            blankTimeDisplay();
        }
        services_.host.setSkinVariable("videoName", selected->mediaTitle());
        try {
            host.streamingPlayer().loadContent(selected->remoteFileName());
        } catch (const Error& error) {
            // The external player could not be started: say so and keep the guide up.
            services_.dialogs.showPopup(error.description());
            return;
        }
        return finishPlayStart(*selected);
    }

    if (isStreaming(*selected)) {
        auto& external = host.streamingPlayer();
        if (external.duration() >= 1) {
            blankTimeDisplay();
            external.stopPlaying();
            host.h264Screen().setBackColour(playback::kVideoRegionColour);
        }
        if (player.currentPlayingMedia()) {
            player.stopPlaying();
            player.unloadContent();
            blankTimeDisplay();
        }
        services_.host.setSkinVariable("videoName", selected->mediaTitle());
        player.setCurrentPlayingItem(*selected);
        player.loadStreamingContent(selected->remoteFileName());
        return finishPlayStart(*selected);
    }

    if (services_.fileSystem.fileExists(
            playback::Bookmarks::fileName(services_.host.playerProp().mediaPath() + name))) {
        auto& question = services_.dialogs.yesNoPopup();
        question.Label1().setCaption("Do you want to play the video from where you left off?");
        question.defaultToYes();
        question.ask();
        if (question.decision) {
            resumeFrom(*selected);
            host.showMainWindow();
            controls_.window->hide();
            return;
        }
    }
    player.setCurrentPlayingItem(*selected);
    player.loadContent(name);
    finishPlayStart(*selected);
}

void PlayFromGuide::finishPlayStart(const config::MediaInfo& media) {
    controls_.statustextimer->setInterval(GuideControls::kStatusTickAfterAction);
    selection_.temp_selectnamelabel = media.mediaTitle();
    if (!isStreaming(media)) controls_.second_line_status->setCaption("Now Playing");
    controls_.window->hide();
}

void PlayFromGuide::resumeFromBookmark() {
    if (selection_.currentSelected) resumeFrom(*selection_.currentSelected);
}

void PlayFromGuide::resumeFrom(const config::MediaInfo& media) {
    if (refuseUnsafeNames(services_.dialogs, media)) return;
    auto& player = services_.host.mediaPlayer();
    const std::string name = media.movieFileName();
    // An unreadable bookmark, or one that is not a number, plays from the start.
    playback::Bookmarks bookmarks(services_.fileSystem);
    if (auto position = bookmarks.readPosition(services_.host.playerProp().mediaPath() + name))
        player.loadContentAndResume(name, *position);
    else
        player.loadContent(name);
    player.setCurrentPlayingItem(media);
}

bool PlayFromGuide::playWhileDownloading() {
    if (downloads_.progressBarValue() < kPreviewPercent) {
        services_.dialogs.showPopup(
            "Please wait for the download to be at 5% or greater to use this function");
        return false;
    }
    MLplay_Click();
    downloads_.setPlayingWhileDownloading(true);
    return true;
}

void PlayFromGuide::previewBt_Click() {
    if (!downloads_.currentDownload()) return;
    // Preview is for the movie being downloaded; another selection has nothing on disk yet.
    const auto& selected = selection_.currentSelected;
    if (!selected || !downloads_.isCurrentDownload(*selected)) return;
    if (playWhileDownloading()) {
        services_.host.showMainWindow();
        controls_.window->hide();
    }
}

bool PlayFromGuide::previewTimeout() const {
    if (!downloads_.currentDownload() || !downloads_.playingWhileDownloading()) return false;
    const auto& control = services_.host.wmpPlayer();
    const double position = control.currentPosition();
    const double duration = control.duration();
    // No length known (nothing open yet): nothing to say about what lies ahead.
    if (!(duration > 0) || !std::isfinite(position)) return false;
    const double available =
        static_cast<double>(toInt32(duration)) * downloads_.progressBarValue() / 100.0;
    const std::int32_t ahead = toInt32(available - toInt32(position));
    return ahead < kPreviewMargin;
}

}  // namespace zov::guide

#include "playback/player_adaptor.hpp"

#include <cmath>
#include <cstdio>
#include <limits>
#include <utility>

#include "config/player_properties.hpp"
#include "platform/error.hpp"
#include "runtime/c_timeout.hpp"
#include "runtime/dialogs.hpp"
#include "runtime/ignoring_errors.hpp"
#include "runtime/numeric_text.hpp"
#include "ui/media_player_control.hpp"

namespace zov::playback {

namespace {

constexpr const char* kLoading = "Loading.  Please Wait...";
constexpr const char* kLoadingResume = "Loading.  Please Wait....";

}  // namespace

PlayerAdaptor::PlayerAdaptor(platform::EventLoop& loop, runtime::Dialogs& dialogs)
    : dialogs_(dialogs),
      c_delayPlay_(runtime::CTimeout::create(loop, 1)),
      c_delayPlay2_(runtime::CTimeout::create(loop, 1)) {
    // The timers die with the adaptor, so their handlers never outlive it.
    c_delayPlay_->TimeOut.connect([this] { c_delayPlay_TimeOut(); });
    c_delayPlay2_->TimeOut.connect([this] { c_delayPlay2_timeout(); });
}

PlayerAdaptor::~PlayerAdaptor() = default;

void PlayerAdaptor::setPlayListToRepeat(bool val) {
    repeat_ = val;
}

void PlayerAdaptor::playPause() {
    auto& player = control();
    if (player.playState() == ui::wmppsPlaying) {
        player.pause();
    } else {
        player.play();
        player.setMute(false);
    }
}

void PlayerAdaptor::justPlay() {
    auto& player = control();
    player.play();
    player.setMute(false);
}

void PlayerAdaptor::stopPlaying() {
    control().stop();
}

void PlayerAdaptor::fastforward() {
    if (isOnPlayingAds_) return;
    auto& player = control();
    player.setMute(true);
    player.fastForward();
}

void PlayerAdaptor::finishedPlayingAds() {
    isOnPlayingAds_ = false;
    dialogs_.showPersistentPopup(kLoadingResume);
    c_delayPlay_->StartTimer();
}

void PlayerAdaptor::setCurrentPlayingItem(const config::MediaInfo& item) {
    currentItem_ = item;
}

void PlayerAdaptor::loadContent(const std::string& path) {
    cancelDelayedOpens();
    isOnPlayList_ = false;
    loadWithAds(path);
}

void PlayerAdaptor::loadStreamingContent(const std::string& url) {
    cancelDelayedOpens();
    isOnPlayList_ = false;
    resumePosition_.clear();
    // Loading something else ends the ad: the stream's own end must not count as the ad's.
    isOnPlayingAds_ = false;
    openUrl(url);
}

void PlayerAdaptor::loadContentAndResume(const std::string& path, const std::string& pos) {
    cancelDelayedOpens();
    isOnPlayList_ = false;
    resumePosition_ = pos;
    loadHeld(path, kLoadingResume);
}

void PlayerAdaptor::unloadContent() {
    // A stop between two playlist entries, or while the ad's content waits for its second,
    // stays a stop.
    cancelDelayedOpens();
    control().setURL("");
    currentItem_.reset();
}

void PlayerAdaptor::justPause() {
    control().pause();
}

void PlayerAdaptor::rewind() {
    control().fastReverse();
}

void PlayerAdaptor::fullScreen() {
    // Full screen is a convenience; a player that refuses stays in its window.
    runtime::ignoringErrors([&] {
        auto& player = control();
        switch (player.playState()) {
            case ui::wmppsPlaying:
                player.setFullScreen(true);
                break;
            case ui::wmppsPaused:
                player.play();
                break;
            default:
                break;
        }
    });
}

std::string PlayerAdaptor::currentPosition() const {
    return secondsText(control().currentPosition());
}

void PlayerAdaptor::gotoPosition(const std::string& newval) {
    auto seconds = runtime::parseNumber(newval);
    if (!seconds) throw Error(13, "Type mismatch", "PlayerAdaptor.gotoPosition");
    control().setCurrentPosition(*seconds);
}

void PlayerAdaptor::setMediaPlayer(ui::MediaPlayerControl& control) {
    mediaPlayer_ = &control;
}

void PlayerAdaptor::setPlayerProp(const config::PlayerProperties& properties) {
    playerProp_ = &properties;
}

std::optional<config::MediaInfo> PlayerAdaptor::currentPlayingMedia() const {
    if (!isOnPlayList_) return currentItem_;
    if (!playlist_ || playlistIndex_ < 1 ||
        static_cast<std::size_t>(playlistIndex_) > playlist_->size())
        return std::nullopt;
    return (*playlist_)[playlistIndex_ - 1];
}

void PlayerAdaptor::loadThisPlayList(std::shared_ptr<const Playlist> playlist) {
    cancelDelayedOpens();
    playlist_ = std::move(playlist);
    currentItem_.reset();
    isOnPlayList_ = true;
    if (playlist_ && !playlist_->empty())
        playPlayListItem(1);
    else
        playlistIndex_ = 0;
}

void PlayerAdaptor::playPlayListItem(std::int16_t item) {
    if (!playlist_ || item < 1 || static_cast<std::size_t>(item) > playlist_->size())
        throw Error(9, "Subscript out of range", "PlayerAdaptor.playPlayListItem");
    cancelDelayedOpens();
    playlistIndex_ = item;
    const config::MediaInfo entry = (*playlist_)[item - 1];
    dialogs_.showPersistentPopup(kLoading);
    loadWithAds(entry.movieFileName());
}

void PlayerAdaptor::nextItemInPlaylist() {
    // The index is never negative: it is 0, 1 or an entry that playPlayListItem accepted.
    const std::size_t count = playlist_ ? playlist_->size() : 0;
    const bool atEnd = count <= static_cast<std::size_t>(playlistIndex_) ||
                       playlistIndex_ == std::numeric_limits<std::int16_t>::max();
    if (atEnd) {
        playlistIndex_ = 1;
        if (!repeat_) return;
    } else {
        ++playlistIndex_;
    }
    c_delayPlay2_->StartTimer();
}

bool PlayerAdaptor::isCurrentFileLoaded(std::string& dataPath) const {
    dataPath = fullPath(dataPath);
    return dataPath == control().URL();
}

std::string PlayerAdaptor::secondsText(double seconds) {
    if (!std::isfinite(seconds)) return "0";
    if (seconds == 0) return "0";  // no "-0"
    char text[32];
    std::snprintf(text, sizeof text, "%.15g", seconds);
    return text;
}

bool PlayerAdaptor::isFullPath(const std::string& path) {
    return path.find('\\') != std::string::npos;
}

void PlayerAdaptor::openUrl(const std::string& url) {
    auto& player = control();
    if (player.URL() == url)
        player.play();
    else
        player.setURL(url);
    if (!resumePosition_.empty() && !isOnPlayingAds_) {
        // Cleared before seeking: a position that cannot be applied is not kept for the
        // next movie.
        const std::string position = std::exchange(resumePosition_, {});
        gotoPosition(position);
    }
}

void PlayerAdaptor::loadWithAds(const std::string& path) {
    resumePosition_.clear();
    loadHeld(path, kLoading);
}

void PlayerAdaptor::loadHeld(std::string path, const char* message) {
    path = fullPath(path);
    if (properties().adsEnabled()) {
        isOnPlayingAds_ = true;
        heldContent_ = path;
        if (!properties().adsURL().empty()) {
            dialogs_.showPersistentPopup(message);
            openUrl(properties().adsURL());
            return;
        }
        isOnPlayingAds_ = false;
    }
    openUrl(path);
}

std::string PlayerAdaptor::fullPath(const std::string& path) const {
    return isFullPath(path) ? path : properties().mediaPath() + path;
}

void PlayerAdaptor::cancelDelayedOpens() {
    c_delayPlay_->StopTimer();
    c_delayPlay2_->StopTimer();
}

void PlayerAdaptor::c_delayPlay_TimeOut() {
    c_delayPlay_->StopTimer();
    // Nobody called us: what the player cannot do it reports through its own events.
    runtime::ignoringErrors([&] { openUrl(heldContent_); });
}

void PlayerAdaptor::c_delayPlay2_timeout() {
    c_delayPlay2_->StopTimer();
    // The library may have shortened the list meanwhile: an entry that is gone ends it.
    if (!playlist_ || static_cast<std::size_t>(playlistIndex_) > playlist_->size()) return;
    runtime::ignoringErrors([&] { playPlayListItem(playlistIndex_); });
}

ui::MediaPlayerControl& PlayerAdaptor::control() const {
    if (!mediaPlayer_)
        throw Error(91, "Object variable or With block variable not set",
                    "PlayerAdaptor.mediaPlayer");
    return *mediaPlayer_;
}

const config::PlayerProperties& PlayerAdaptor::properties() const {
    if (!playerProp_)
        throw Error(91, "Object variable or With block variable not set",
                    "PlayerAdaptor.playerProp");
    return *playerProp_;
}

}  // namespace zov::playback

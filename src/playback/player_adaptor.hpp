#pragma once
// The one object through which the client drives the embedded media player: it turns a
// movie name into the address to open, plays the advertising clip first when ads are on,
// seeks to a resume position once the movie itself is open, and walks a playlist with
// optional repeat. It does not listen to the player: the main window's reactions to the
// player's events (PlayerEvents) call back into it.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/media_info.hpp"

namespace zov::platform {
class EventLoop;
}
namespace zov::ui {
class MediaPlayerControl;
}
namespace zov::config {
class PlayerProperties;
}
namespace zov::runtime {
class CTimeout;
class Dialogs;
}  // namespace zov::runtime

namespace zov::playback {

class PlayerAdaptor {
  public:
    // The media library's list, shared rather than copied: entries it removes later are
    // gone for the adaptor too. Entry 1 is the vector's first element.
    using Playlist = std::vector<config::MediaInfo>;

    // Neither is owned; both outlive the adaptor.
    PlayerAdaptor(platform::EventLoop& loop, runtime::Dialogs& dialogs);
    ~PlayerAdaptor();
    PlayerAdaptor(const PlayerAdaptor&) = delete;
    PlayerAdaptor& operator=(const PlayerAdaptor&) = delete;

    void setPlayListToRepeat(bool val);
    void playPause();
    void justPlay();
    void stopPlaying();
    // Ignored while the ad plays: the viewer may not skip it.
    void fastforward();
    bool isOnPlayingAds() const { return isOnPlayingAds_; }
    // The ad has ended (and the player was unloaded): the held content opens a second later.
    void finishedPlayingAds();
    void setCurrentPlayingItem(const config::MediaInfo& item);
    void loadContent(const std::string& path);
    // A stream address, opened as it is: no ad, no movie folder in front.
    void loadStreamingContent(const std::string& url);
    // pos: seconds as text, applied once the content itself (not the ad) is open.
    void loadContentAndResume(const std::string& path, const std::string& pos);
    void unloadContent();
    void justPause();
    void rewind();
    // Playing: full screen now; paused: play, and the main window's timer goes full screen.
    // Never fails.
    void fullScreen();
    // Seconds with fraction, as text ("1234.56").
    std::string currentPosition() const;
    // zov::Error 13 when newval is not a number.
    void gotoPosition(const std::string& newval);
    // Neither is owned; each must outlive the adaptor. Using the adaptor before both are set
    // raises zov::Error 91.
    void setMediaPlayer(ui::MediaPlayerControl& control);
    void setPlayerProp(const config::PlayerProperties& properties);
    bool isOnPlayList() const { return isOnPlayList_; }
    // The playlist entry playing now in playlist mode (nothing while the playlist is empty
    // or the entry has been removed from it), otherwise the item set by
    // setCurrentPlayingItem.
    std::optional<config::MediaInfo> currentPlayingMedia() const;
    void loadThisPlayList(std::shared_ptr<const Playlist> playlist);
    // 1-based; zov::Error 9 for an entry the playlist does not have.
    void playPlayListItem(std::int16_t item);
    // Called at the end of each entry: the next one (or, with repeat, the first) a second
    // later.
    void nextItemInPlaylist();
    // Makes dataPath full (the caller's string keeps the result) and tells whether the
    // player has exactly that address open.
    bool isCurrentFileLoaded(std::string& dataPath) const;

    // A number of seconds as the player's position reads as text: up to 15 significant
    // digits, no trailing zeros ("42.5", "1234.56", "0").
    static std::string secondsText(double seconds);

  private:
    static bool isFullPath(const std::string& path);
    void openUrl(const std::string& url);
    void loadWithAds(const std::string& path);
    // Steps 2-4 of loading: completes the path and plays the ad first when ads are on.
    void loadHeld(std::string path, const char* message);
    std::string fullPath(const std::string& path) const;
    // A new load or an unload wins over an open still waiting for its second.
    void cancelDelayedOpens();
    void c_delayPlay_TimeOut();
    void c_delayPlay2_timeout();
    ui::MediaPlayerControl& control() const;
    const config::PlayerProperties& properties() const;

    runtime::Dialogs& dialogs_;
    ui::MediaPlayerControl* mediaPlayer_ = nullptr;
    const config::PlayerProperties* playerProp_ = nullptr;
    bool isOnPlayList_ = false;
    std::shared_ptr<const Playlist> playlist_;
    std::int16_t playlistIndex_ = 0;
    bool repeat_ = false;
    std::optional<config::MediaInfo> currentItem_;
    bool isOnPlayingAds_ = false;
    std::string heldContent_;
    std::string resumePosition_;
    std::shared_ptr<runtime::CTimeout> c_delayPlay_;
    std::shared_ptr<runtime::CTimeout> c_delayPlay2_;
};

}  // namespace zov::playback

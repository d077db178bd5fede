#include "playback/bookmarks.hpp"

#include "platform/file_system.hpp"
#include "playback/player_adaptor.hpp"
#include "runtime/dialogs.hpp"
#include "runtime/numeric_text.hpp"
#include "ui/media_player_control.hpp"

namespace zov::playback {

namespace {

// Only a movie file has a bookmark; a stream address has nowhere to keep one.
bool isMovieFile(const std::string& address) {
    return !address.empty() && address.find("://") == std::string::npos;
}

}  // namespace

Bookmarks::Bookmarks(platform::FileSystem& files) : files_(files) {}

std::string Bookmarks::fileName(const std::string& moviePath) {
    return moviePath + ".pos";
}

bool Bookmarks::deleteBookmark(const std::string& moviePath) {
    if (!isMovieFile(moviePath)) return false;
    const std::string name = fileName(moviePath);
    if (!files_.fileExists(name)) return false;  // missing, or a folder
    return files_.deleteFile(name);
}

std::optional<std::string> Bookmarks::readPosition(const std::string& moviePath) const {
    if (!isMovieFile(moviePath)) return std::nullopt;
    const std::string name = fileName(moviePath);
    if (!files_.fileExists(name)) return std::nullopt;
    auto content = files_.readFile(name);
    if (!content) return std::nullopt;
    std::string line = content->substr(0, content->find_first_of("\r\n"));
    if (!runtime::isNumeric(line)) return std::nullopt;
    return line;
}

bool Bookmarks::bookmark(const ui::MediaPlayerControl& wmpPlayer, const PlayerAdaptor& mediaPlayer,
                         runtime::Dialogs& dialogs) {
    const int state = wmpPlayer.playState();
    if (state != ui::wmppsPlaying && state != ui::wmppsPaused) return false;
    if (mediaPlayer.isOnPlayingAds() || !isMovieFile(wmpPlayer.URL())) return false;
    // The line break of the files written so far, which readers already expect.
    const std::string line = mediaPlayer.currentPosition() + "\r\n";
    if (!files_.writeFile(fileName(wmpPlayer.URL()), line)) return false;
    dialogs.showPopup("Current Position is successfully bookmarked.");
    return true;
}

}  // namespace zov::playback

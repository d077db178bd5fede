#pragma once
// What the guide window needs of the main window and the media library, so that the guide
// does not depend on the shell: the configuration, both players, the skin, the library's
// file check and playlist, and the main window itself.

#include <string>

namespace zov::config {
class PlayerProperties;
class MediaInfo;
}  // namespace zov::config
namespace zov::playback {
class PlayerAdaptor;
class h264Player;
}  // namespace zov::playback
namespace zov::ui {
class MediaPlayerControl;
class PictureBox;
}  // namespace zov::ui

namespace zov::guide {

class GuideHost {
  public:
    virtual ~GuideHost() = default;

    virtual config::PlayerProperties& playerProp() = 0;
    virtual playback::PlayerAdaptor& mediaPlayer() = 0;
    virtual playback::h264Player& streamingPlayer() = 0;
    // The embedded player control itself: play state, position, length, full screen.
    virtual ui::MediaPlayerControl& wmpPlayer() = 0;
    // The external player's video region on the main window.
    virtual ui::PictureBox& h264Screen() = 0;

    // Sets a variable of the main window's skin movie.
    virtual void setSkinVariable(const std::string& name, const std::string& value) = 0;
    // A download ended (completed or stopped): the main window resets the skin's progress.
    virtual void onDownload(const config::MediaInfo& mediafile) = 0;
    // The media library's check: true when a file (not a folder) of that name exists in the
    // movie folder.
    virtual bool fileExistsInMediaPath(const std::string& name) = 0;
    virtual void addToPlayList(const config::MediaInfo& media) = 0;
    // Shows the playlist window, focused.
    virtual void showPlayList() = 0;
    // Shows the main window modelessly and gives it the focus.
    virtual void showMainWindow() = 0;
};

}  // namespace zov::guide

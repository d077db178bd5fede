#pragma once
// The bookmark beside a downloaded movie: the movie's full path followed by ".pos", whose
// first line is the position in seconds as text ("1234.56"). The guide offers to resume
// from it, the main window removes it once the movie has played to its end, and the viewer
// may write one on the skin's "bookmark" command.

#include <optional>
#include <string>

namespace zov::platform {
class FileSystem;
}
namespace zov::ui {
class MediaPlayerControl;
}
namespace zov::runtime {
class Dialogs;
}

namespace zov::playback {

class PlayerAdaptor;

class Bookmarks {
  public:
    // Not owned; outlives the object.
    explicit Bookmarks(platform::FileSystem& files);

    // moviePath & ".pos": the same string as the player's address & ".pos".
    static std::string fileName(const std::string& moviePath);

    // Removes the movie's bookmark file. A missing one, a folder of that name and the
    // address of a stream are left alone. True when a file was removed.
    bool deleteBookmark(const std::string& moviePath);

    // The first line of the movie's bookmark when it is a number, unchanged; nothing when
    // there is no readable bookmark or its first line is not a number.
    std::optional<std::string> readPosition(const std::string& moviePath) const;

    // Writes the player's position to the bookmark of the movie it has open (created anew)
    // and confirms it with a timed message. Only while that movie plays or is paused and no
    // ad plays; a write that fails is not confirmed. True when written.
    bool bookmark(const ui::MediaPlayerControl& wmpPlayer, const PlayerAdaptor& mediaPlayer,
                  runtime::Dialogs& dialogs);

  private:
    platform::FileSystem& files_;
};

}  // namespace zov::playback

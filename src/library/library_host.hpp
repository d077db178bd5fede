#pragma once
// What the playlist window and the cache manager need of the main window: the
// configuration, the player adaptor, the main window itself, the change of the movie
// folder and whether a download runs. The main window implements it.

#include <string>

namespace zov::ui {
class Window;
}
namespace zov::config {
class PlayerProperties;
}
namespace zov::playback {
class PlayerAdaptor;
}

namespace zov::library {

class LibraryHost {
  public:
    virtual ~LibraryHost() = default;

    virtual config::PlayerProperties& playerProp() = 0;
    virtual playback::PlayerAdaptor& mediaPlayer() = 0;
    // The main window, shown and focused when the playlist window steps aside.
    virtual ui::Window& window() = 0;
    // Moves the movie folder to the drive chosen in the cache manager.
    virtual void changeDataPath() = 0;
    virtual bool isDownloadingMedia() = 0;
    // The program folder in Windows form, without a final "\" ("Z:\opt\zov"): zov.ini.
    virtual std::string programFolder() const = 0;
    // The program's own files, in the same form: the playlist page. The program folder
    // unless the program is installed.
    virtual std::string programFilesFolder() const { return programFolder(); }
};

}  // namespace zov::library

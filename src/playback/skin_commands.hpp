#pragma once
// The main window's handling of the skin movie's commands: each named command steers the
// active player (the embedded one while it has a current item, the external H.264 player
// otherwise), opens a window, or refreshes the time variables the skin shows. It writes
// the skin's variables; it does not draw or load the skin.

#include <functional>
#include <string>

#include "playback/bookmarks.hpp"

namespace zov::platform {
class FileSystem;
}
namespace zov::ui {
class MediaPlayerControl;
class PictureBox;
}  // namespace zov::ui
namespace zov::runtime {
class Dialogs;
}

namespace zov::playback {

class PlayerAdaptor;
class h264Player;

class SkinCommands {
  public:
    // What the commands need of the main window. A function left empty does nothing.
    struct MainWindow {
        // SetVariable of the skin movie PlayerSkin.
        std::function<void(const std::string& name, const std::string& value)> setSkinVariable;
        // Stops fullscreentimer and shows the guide window.
        std::function<void()> loadStbEProgramGuide;
        // Shows the cache manager window HDEngine, modeless.
        std::function<void()> showHDEngine;
        // Hides the guide window and HDEngine, then minimises the main window.
        std::function<void()> minimize;
        // Ends the program.
        std::function<void()> ExitPlayer;
    };

    // None of the references is owned; all outlive this object. h264Screen is the external
    // player's video region, repainted by several commands.
    SkinCommands(PlayerAdaptor& mediaPlayer, ui::MediaPlayerControl& wmpPlayer,
                 h264Player& streamingPlayer, ui::PictureBox& h264Screen,
                 platform::FileSystem& files, runtime::Dialogs& dialogs, MainWindow mainWindow);

    // The FSCommand event of PlayerSkin. Commands are matched exactly (case and spaces
    // count); any other is ignored, and so are failures of the players: the skin is never
    // told whether a command worked.
    void dispatch(const std::string& command, const std::string& args);

  private:
    // The embedded player is active while it has a current item.
    bool embeddedActive() const;
    void repaintVideoRegion();
    void setSkinVariable(const std::string& name, const std::string& value);

    void fullScreen();
    void idvCentral();
    void showHDEngine();
    void minimize();
    void play();
    void stop();
    void pause();
    void rewind();
    void forward();
    void end();
    void updateTime();
    void updatePosition(const std::string& args);
    void bookmark();

    PlayerAdaptor& mediaPlayer_;
    ui::MediaPlayerControl& wmpPlayer_;
    h264Player& streamingPlayer_;
    ui::PictureBox& h264Screen_;
    runtime::Dialogs& dialogs_;
    Bookmarks bookmarks_;
    MainWindow mainWindow_;
};

}  // namespace zov::playback

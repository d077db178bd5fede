#pragma once
// The main window: the start-up object and owner of everything that lives as long as the
// program (the configuration, the player adaptor, the external player's controller, the
// login conversation and the long-lived timers). Its chrome is the skin movie; it also
// holds the embedded media player, the external player's video region and the banner.

#include <memory>
#include <string>

#include "guide/guide_host.hpp"
#include "library/library_host.hpp"
#include "net/auth_session_host.hpp"

namespace zov::ui {
class Window;
class FlashMovie;
class MediaPlayerControl;
class PictureBox;
class Browser;
}  // namespace zov::ui
namespace zov::runtime {
class CTimeout;
}
namespace zov::config {
class PlayerProperties;
class MediaInfo;
}  // namespace zov::config
namespace zov::net {
class AuthSession;
}
namespace zov::playback {
class PlayerAdaptor;
class h264Player;
class MessageHook;
class PlayerEvents;
class SkinCommands;
}  // namespace zov::playback

namespace zov::shell {

class Client;

class mainPlayer final : public net::AuthSessionHost,
                         public library::LibraryHost,
                         public guide::GuideHost {
  public:
    explicit mainPlayer(Client& client);
    ~mainPlayer() override;
    mainPlayer(const mainPlayer&) = delete;
    mainPlayer& operator=(const mainPlayer&) = delete;

    // Start-up: the main window's load.
    void load();

    void authUser(const std::string& distributor, const std::string& user, const std::string& pass);
    // Ends the program at once: the login connection is closed, nothing is written.
    void ExitPlayer();
    void loadStbEProgramGuide();
    void onDownload(const config::MediaInfo& mediafile) override;
    // Moves the movie folder to the drive chosen in the cache manager.
    void changeDataPath() override;
    void layoutPlayer();

    config::PlayerProperties& playerProp() override { return *playerProp_; }
    playback::PlayerAdaptor& mediaPlayer() override { return *mediaPlayer_; }
    playback::h264Player& streamingPlayer() override { return *streamingPlayer_; }
    runtime::CTimeout& fullscreentimer() { return *fullscreentimer_; }
    net::AuthSession& authSession() { return *authSession_; }

    ui::Window& window() override { return *window_; }
    ui::FlashMovie& PlayerSkin() { return *PlayerSkin_; }
    ui::MediaPlayerControl& wmpPlayer() override { return *wmpPlayer_; }
    ui::PictureBox& h264Screen() override { return *h264Screen_; }
    ui::Browser& commercialViewer() { return *commercialViewer_; }

    // What the login conversation asks of the windows.
    void displayInfo(const std::string& info) override;
    bool mainWindowVisible() const override;
    void createMediaPath() override;
    void acceptSession() override;
    void loginError() override;

    // What the playlist window, the cache manager and the guide ask of the main window.
    bool isDownloadingMedia() override;
    std::string programFolder() const override;
    std::string programFilesFolder() const override;
    void setSkinVariable(const std::string& name, const std::string& value) override;
    bool fileExistsInMediaPath(const std::string& name) override;
    void addToPlayList(const config::MediaInfo& media) override;
    void showMainWindow() override;
    void showPlayList() override;

  private:
    void initPlayer();
    void adsTimer_TimeOut();

    Client& client_;
    std::shared_ptr<ui::Window> window_;
    std::shared_ptr<ui::FlashMovie> PlayerSkin_;
    std::shared_ptr<ui::MediaPlayerControl> wmpPlayer_;
    std::shared_ptr<ui::PictureBox> h264Screen_;
    std::shared_ptr<ui::Browser> commercialViewer_;

    std::unique_ptr<config::PlayerProperties> playerProp_;
    std::unique_ptr<playback::PlayerAdaptor> mediaPlayer_;
    std::unique_ptr<playback::h264Player> streamingPlayer_;
    std::shared_ptr<runtime::CTimeout> fullscreentimer_;
    std::shared_ptr<runtime::CTimeout> adsTimer_;
    std::unique_ptr<playback::MessageHook> messageHook_;
    std::unique_ptr<playback::PlayerEvents> playerEvents_;
    std::unique_ptr<playback::SkinCommands> skinCommands_;
    std::shared_ptr<net::AuthSession> authSession_;
};

}  // namespace zov::shell

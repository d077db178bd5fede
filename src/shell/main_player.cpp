#include "shell/main_player.hpp"

#include "config/player_properties.hpp"
#include "guide/movie_guide.hpp"
#include "library/change_data_path.hpp"
#include "library/hd_engine.hpp"
#include "library/media_library.hpp"
#include "net/auth_session.hpp"
#include "platform/file_system.hpp"
#include "playback/h264_player.hpp"
#include "playback/message_hook.hpp"
#include "playback/player_adaptor.hpp"
#include "playback/player_events.hpp"
#include "playback/skin_commands.hpp"
#include "runtime/c_timeout.hpp"
#include "runtime/dialogs.hpp"
#include "runtime/popupwindow.hpp"
#include "shell/client.hpp"
#include "shell/frm_logo.hpp"
#include "shell/login_page.hpp"
#include "shell/version.hpp"
#include "ui/browser.hpp"
#include "ui/controls.hpp"
#include "ui/flash_movie.hpp"
#include "ui/media_player_control.hpp"
#include "ui/screen.hpp"
#include "ui/ui_factory.hpp"
#include "ui/window.hpp"

namespace zov::shell {

namespace {}

mainPlayer::mainPlayer(Client& client) : client_(client) {
    const auto& services = client.services();
    auto& ui = services.ui;
    window_ = ui.createWindow("mainPlayer");
    window_->setCaption("ZOV Player");
    PlayerSkin_ = ui.createFlashMovie(*window_, "PlayerSkin");
    wmpPlayer_ = ui.createMediaPlayer(*window_, "wmpPlayer");
    h264Screen_ = ui.createPictureBox(*window_, "h264Screen");
    commercialViewer_ = ui.createBrowser(*window_, "commercialViewer");

    playerProp_ = std::make_unique<config::PlayerProperties>(services.fileSystem);
    mediaPlayer_ = std::make_unique<playback::PlayerAdaptor>(services.loop, client.dialogs());
    streamingPlayer_ = std::make_unique<playback::h264Player>(
        playback::h264Player::Ports{services.messages, services.launcher, services.processes,
                                    services.programFiles, *h264Screen_, *wmpPlayer_});
    fullscreentimer_ = runtime::CTimeout::create(services.loop, 3);
    adsTimer_ = runtime::CTimeout::create(services.loop, 300);
    adsTimer_->TimeOut.connect([this] { adsTimer_TimeOut(); });

    auto skinVariable = [this](const std::string& name, const std::string& value) {
        setSkinVariable(name, value);
    };
    messageHook_ = std::make_unique<playback::MessageHook>(
        services.messages, *streamingPlayer_, *fullscreentimer_, *h264Screen_,
        playback::MessageHook::MainWindow{skinVariable,
                                          [&client] { return client.movieGuide().selectedTitle(); },
                                          [this] { loadStbEProgramGuide(); }});
    playerEvents_ = std::make_unique<playback::PlayerEvents>(
        services.loop, *wmpPlayer_, *mediaPlayer_, *fullscreentimer_, client.dialogs(),
        services.fileSystem,
        playback::PlayerEvents::MainWindow{
            [this] { return window_->visible(); },
            [&client] { return client.movieGuide().previewTimeout(); },
            [this] { streamingPlayer_->fullScreen(); }, skinVariable});
    skinCommands_ = std::make_unique<playback::SkinCommands>(
        *mediaPlayer_, *wmpPlayer_, *streamingPlayer_, *h264Screen_, services.fileSystem,
        client.dialogs(),
        playback::SkinCommands::MainWindow{
            skinVariable, [this] { loadStbEProgramGuide(); },
            [&client] { client.HDEngine().window().show(ui::ShowMode::Modeless); },
            [this, &client] {
                client.movieGuide().window().hide();
                client.HDEngine().window().hide();
                window_->minimize();
            },
            [this] { ExitPlayer(); }});
    PlayerSkin_->FSCommand.connect([this](const std::string& command, const std::string& args) {
        skinCommands_->dispatch(command, args);
    });
    authSession_ = net::AuthSession::create(services.loop, services.resolver, *playerProp_,
                                            services.http, *this, kVersion);
    client.dialogs().setFullScreenQuery([this] { return wmpPlayer_->fullScreen(); });
}

mainPlayer::~mainPlayer() = default;

void mainPlayer::load() {
    messageHook_->install(window_->windowHandle());
    commercialViewer_->Navigate("about:blank");
    initPlayer();
    layoutPlayer();
    if (!authSession_->sessionAccepted()) client_.LoginPage().window().show(ui::ShowMode::Modeless);
}

void mainPlayer::initPlayer() {
    playerProp_->load(client_.programFolder() + "\\zov.ini");
    wmpPlayer_->setAutoStart(true);
    mediaPlayer_->setMediaPlayer(*wmpPlayer_);
    streamingPlayer_->setFormToFocus(*window_);
    streamingPlayer_->setRegionToShown(h264Screen_->windowHandle());
    h264Screen_->setBackColour(playback::kVideoRegionColour);
    // The playlist window is loaded with its page, but not seen.
    auto& library = client_.mediaLibrary();
    library.window().show(ui::ShowMode::Modeless);
    library.window().hide();
}

void mainPlayer::layoutPlayer() {
    const double W = client_.services().ui.screen().width();
    const double H = client_.services().ui.screen().height();
    window_->setRect({0, 0, W, H});
    wmpPlayer_->setRect({0, H / 8, W, 0.65 * H});
    PlayerSkin_->setRect({0, 0, W, H});
    PlayerSkin_->LoadMovie(client_.programFilesFolder() + "/mainplayer.swf");
    // The banner sits in a 4:3 frame centred on the screen.
    if (W * 3 / 4 >= H) {
        const double F = H * 4 / 3;
        commercialViewer_->setRect({(W - F) / 2 + F * 68 / 100, H * 90 / 100, F * 69 / 200, H / 9});
    } else {
        const double G = W * 3 / 4;
        commercialViewer_->setRect({W * 68 / 100, (H - G) / 2 + G * 90 / 100, W * 69 / 200, G / 9});
    }
    streamingPlayer_->normalScreen();
}

void mainPlayer::authUser(const std::string& distributor, const std::string& user,
                          const std::string& pass) {
    authSession_->authUser(distributor, user, pass);
}

void mainPlayer::ExitPlayer() {
    authSession_->closeForExit();
    client_.dialogs().popupwindow().Label1().setCaption("Terminating Players, Please wait");
    if (client_.services().endProcess) client_.services().endProcess();
}

void mainPlayer::loadStbEProgramGuide() {
    fullscreentimer_->StopTimer();
    client_.movieGuide().window().show(ui::ShowMode::Modeless);
}

void mainPlayer::onDownload(const config::MediaInfo&) {
    setSkinVariable("_root.progressbar.percentage", "0");
}

void mainPlayer::adsTimer_TimeOut() {
    commercialViewer_->Refresh();
}

void mainPlayer::changeDataPath() {
    library::changeDataPath(*this, client_.services().fileSystem, client_.dialogs(),
                            client_.HDEngine());
}

void mainPlayer::setSkinVariable(const std::string& name, const std::string& value) {
    PlayerSkin_->SetVariable(name, value);
}

// ---- the login conversation's requests --------------------------------------------------

void mainPlayer::displayInfo(const std::string& info) {
    client_.frmLogo().displayInfo(info);
}

bool mainPlayer::mainWindowVisible() const {
    return window_->visible();
}

void mainPlayer::createMediaPath() {
    auto& files = client_.services().fileSystem;
    files.createFolderPath(playerProp_->mediaPath());
    files.setAttributes(playerProp_->mediaPath(),
                        platform::kAttributeHidden | platform::kAttributeSystem);
}

void mainPlayer::acceptSession() {
    mediaPlayer_->setPlayerProp(*playerProp_);
    client_.LoginPage().window().hide();
    client_.frmLogo().window().hide();
    window_->show(ui::ShowMode::Modeless);
    auto& guide = client_.movieGuide();
    guide.bufferView().Navigate(playerProp_->stbEpgURL());
    guide.window().show(ui::ShowMode::Modeless);
    commercialViewer_->Navigate(playerProp_->bannerURL());
    adsTimer_->StartTimer();
}

void mainPlayer::loginError() {
    client_.frmLogo().window().hide();
    client_.LoginPage().loginError();
}

// ---- the requests of the other windows --------------------------------------------------

bool mainPlayer::isDownloadingMedia() {
    return client_.movieGuide().IsDownloadingMedia();
}

std::string mainPlayer::programFolder() const {
    return client_.programFolder();
}

std::string mainPlayer::programFilesFolder() const {
    return client_.programFilesFolder();
}

bool mainPlayer::fileExistsInMediaPath(const std::string& name) {
    std::string path = name;
    return client_.mediaLibrary().FileExists(path);
}

void mainPlayer::addToPlayList(const config::MediaInfo& media) {
    client_.mediaLibrary().addToPlayList(media);
}

void mainPlayer::showPlayList() {
    client_.mediaLibrary().showPlayList();
}

void mainPlayer::showMainWindow() {
    window_->show(ui::ShowMode::Modeless);
    window_->setFocus();
}

}  // namespace zov::shell

#include "shell/client.hpp"

#include "guide/guide_services.hpp"
#include "guide/movie_guide.hpp"
#include "library/hd_engine.hpp"
#include "library/media_library.hpp"
#include "platform/file_system.hpp"
#include "runtime/dialogs.hpp"
#include "shell/frm_logo.hpp"
#include "shell/login_page.hpp"
#include "shell/main_player.hpp"

namespace zov::shell {

namespace {

// Without a final "\", unless it is a drive's own folder ("Z:\").
std::string folderWithoutSeparator(std::string folder) {
    while (folder.size() > 3 && folder.back() == '\\')
        folder.pop_back();
    return folder;
}

}  // namespace

Client::Client(ClientServices services)
    : services_(std::move(services)),
      programFolder_(
          folderWithoutSeparator(services_.fileSystem.windowsPath(services_.clientFolder))),
      programFilesFolder_(
          folderWithoutSeparator(services_.fileSystem.windowsPath(services_.programFiles))) {}

Client::~Client() = default;

shell::mainPlayer& Client::mainPlayer() {
    if (!mainPlayer_) mainPlayer_ = std::make_shared<shell::mainPlayer>(*this);
    return *mainPlayer_;
}

shell::frmLogo& Client::frmLogo() {
    if (!frmLogo_) frmLogo_ = std::make_shared<shell::frmLogo>(services_.ui);
    return *frmLogo_;
}

shell::LoginPage& Client::LoginPage() {
    if (!loginPage_) loginPage_ = std::make_shared<shell::LoginPage>(*this);
    return *loginPage_;
}

runtime::Dialogs& Client::dialogs() {
    if (!dialogs_) dialogs_ = std::make_unique<runtime::Dialogs>(services_.loop, services_.ui);
    return *dialogs_;
}

guide::movieGuide& Client::movieGuide() {
    if (!movieGuide_) {
        movieGuide_ = std::make_shared<guide::movieGuide>(
            guide::GuideServices{services_.loop, services_.resolver, services_.fileSystem,
                                 services_.ui, dialogs(), mainPlayer()});
    }
    return *movieGuide_;
}

library::HDEngine& Client::HDEngine() {
    if (!hdEngine_) {
        hdEngine_ = std::make_shared<library::HDEngine>(services_.ui, services_.fileSystem,
                                                        dialogs(), mainPlayer());
    }
    return *hdEngine_;
}

library::mediaLibrary& Client::mediaLibrary() {
    if (!mediaLibrary_) {
        mediaLibrary_ = std::make_shared<library::mediaLibrary>(services_.ui, services_.fileSystem,
                                                                dialogs(), mainPlayer());
    }
    return *mediaLibrary_;
}

void Client::start() {
    mainPlayer().load();
}

}  // namespace zov::shell

#pragma once
// What the playlist and cache-manager tests share: the playback fixture's main window and
// player adaptor on an in-memory disk with the program folder, standing in for the real
// main window.

#include <string>

#include "library/library_host.hpp"
#include "playback/player_fixture.hpp"
#include "ui/headless/headless_label.hpp"
#include "ui/headless/headless_window.hpp"

namespace zov::test {

struct LibraryFixture : PlayerFixture, library::LibraryHost {
    bool downloading = false;
    int changeDataPathCalls = 0;

    LibraryFixture() {
        mainPlayer->hide();
        playerProp().load(programFolder() + "\\zov.ini");  // none there: the defaults
    }

    // library::LibraryHost
    config::PlayerProperties& playerProp() override { return PlayerFixture::playerProp; }
    playback::PlayerAdaptor& mediaPlayer() override { return PlayerFixture::mediaPlayer; }
    ui::Window& window() override { return *mainPlayer; }
    void changeDataPath() override { ++changeDataPathCalls; }
    bool isDownloadingMedia() override { return downloading; }
    std::string programFolder() const override { return files.clientFolder(); }

    std::string popupText() { return popup.Label1().caption(); }
};

}  // namespace zov::test

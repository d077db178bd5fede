#pragma once
// What the playlist and cache-manager tests share: a headless front end on a manual clock,
// an in-memory disk with the program folder, the real player adaptor on a simulated
// player, and a main window that stands in for the real one.

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "config/player_properties.hpp"
#include "library/library_host.hpp"
#include "platform/clock.hpp"
#include "platform/memory_file_system.hpp"
#include "platform/poll_loop.hpp"
#include "playback/player_adaptor.hpp"
#include "runtime/dialogs.hpp"
#include "ui/headless/headless_label.hpp"
#include "ui/headless/headless_ui_factory.hpp"
#include "ui/headless/headless_window.hpp"
#include "ui/media_player_control.hpp"

namespace zov::test {

struct LibraryFixture : ::testing::Test, library::LibraryHost {
    platform::ManualClock clock;
    platform::PollLoop loop{clock};
    platform::MemoryFileSystem files;
    ui::headless::HeadlessUiFactory ui{loop, files};
    runtime::Dialogs dialogs{loop, ui};
    config::PlayerProperties properties{files};
    playback::PlayerAdaptor adaptor{loop, dialogs};
    std::shared_ptr<ui::Window> mainWindow = ui.createWindow("mainPlayer");
    std::shared_ptr<ui::MediaPlayerControl> wmpPlayer =
        ui.createMediaPlayer(*mainWindow, "wmpPlayer");
    bool downloading = false;
    int changeDataPathCalls = 0;

    LibraryFixture() {
        properties.load(programFolder() + "\\zov.ini");  // none there: the defaults
        adaptor.setMediaPlayer(*wmpPlayer);
        adaptor.setPlayerProp(properties);
        dialogs.popupwindow();  // made at once, so that its text can always be read
    }

    // library::LibraryHost
    config::PlayerProperties& playerProp() override { return properties; }
    playback::PlayerAdaptor& mediaPlayer() override { return adaptor; }
    ui::Window& window() override { return *mainWindow; }
    void changeDataPath() override { ++changeDataPathCalls; }
    bool isDownloadingMedia() override { return downloading; }
    std::string programFolder() const override { return files.clientFolder(); }

    bool waitFor(const std::function<bool()>& condition) {
        return loop.runUntil(condition, std::chrono::seconds(10));
    }
    std::string popupText() { return ui.label("popupwindow", "Label1")->caption(); }
};

}  // namespace zov::test

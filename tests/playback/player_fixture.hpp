#pragma once
// What the playback tests share: the main window's embedded player (the simulated one) with
// the adaptor over it, the popups, the settings and a movie folder on an in-memory disk.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "config/player_properties.hpp"
#include "platform/clock.hpp"
#include "platform/memory_file_system.hpp"
#include "platform/poll_loop.hpp"
#include "playback/player_adaptor.hpp"
#include "runtime/c_timeout.hpp"
#include "runtime/dialogs.hpp"
#include "runtime/popupwindow.hpp"
#include "ui/headless/headless_ui_factory.hpp"
#include "ui/headless/simulated_media_player.hpp"

namespace zov::test {

struct PlayerFixture : ::testing::Test {
    static constexpr const char* kMediaPath = "c:\\zov\\";

    platform::ManualClock clock;
    platform::PollLoop loop{clock};
    platform::MemoryFileSystem files;
    ui::headless::HeadlessUiFactory ui{loop, files};
    std::shared_ptr<ui::Window> mainPlayer = ui.createWindow("mainPlayer");
    std::shared_ptr<ui::MediaPlayerControl> control =
        ui.createMediaPlayer(*mainPlayer, "wmpPlayer");
    ui::headless::SimulatedMediaPlayer& wmp = *ui.simulatedPlayer("mainPlayer", "wmpPlayer");
    runtime::Dialogs dialogs{loop, ui};
    runtime::popupwindow& popup = dialogs.popupwindow();
    config::PlayerProperties playerProp{files};
    std::shared_ptr<runtime::CTimeout> fullscreentimer = runtime::CTimeout::create(loop, 3);
    playback::PlayerAdaptor mediaPlayer{loop, dialogs};

    PlayerFixture() {
        playerProp.setMediaPath(kMediaPath);
        EXPECT_TRUE(files.createFolderPath(kMediaPath));
        mediaPlayer.setMediaPlayer(*control);
        mediaPlayer.setPlayerProp(playerProp);
    }

    // A movie "<name>.wmv" in the movie folder that plays for `seconds`.
    std::string addMovie(const std::string& name, double seconds) {
        const std::string path = kMediaPath + name + ".wmv";
        EXPECT_TRUE(files.writeFile(path, "movie"));
        ui.media().setDuration(path, seconds);
        return path;
    }
};

}  // namespace zov::test

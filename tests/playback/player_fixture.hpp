#pragma once
// What the playback, guide and library tests share: the main window with both players (the embedded
// one simulated, the external one with its processes and window messages in memory), the popups,
// the settings, a movie folder on an in-memory disk, and what reached the skin.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/player_properties.hpp"
#include "platform/clock.hpp"
#include "platform/error.hpp"
#include "platform/memory_file_system.hpp"
#include "platform/memory_window_messages.hpp"
#include "platform/poll_loop.hpp"
#include "platform/process_launcher.hpp"
#include "platform/process_table.hpp"
#include "playback/h264_player.hpp"
#include "playback/player_adaptor.hpp"
#include "runtime/c_timeout.hpp"
#include "runtime/dialogs.hpp"
#include "runtime/popupwindow.hpp"
#include "support/manual_time.hpp"
#include "ui/headless/headless_picture_box.hpp"
#include "ui/headless/headless_ui_factory.hpp"
#include "ui/headless/simulated_media_player.hpp"

namespace zov::test {

using namespace std::chrono_literals;
using Variables = std::map<std::string, std::string>;
using Sent = std::vector<platform::WindowMessage>;  // window messages, in order

inline constexpr std::uint32_t kOurUser = 1000;

// Processes as the host would list them: what the launcher started, and whatever a test adds.
class FakeProcesses final : public platform::ProcessTable, public platform::ProcessLauncher {
  public:
    struct Start {
        std::string path;
        std::vector<std::string> arguments;
    };

    std::int32_t start(const std::string& path,
                       const std::vector<std::string>& arguments) override {
        if (failure) throw *failure;
        starts.push_back({path, arguments});
        add(path, kOurUser);
        return nextPid_ - 1;
    }
    bool running(std::int32_t pid) override { return process(pid).has_value(); }
    void add(const std::string& path, std::uint32_t uid) {
        list_.push_back({nextPid_++, uid, 0, path, path, playback::h264Player::kProgramName});
    }
    std::vector<platform::ProcessInfo> processes() const override { return list_; }
    std::optional<platform::ProcessInfo> process(std::int32_t pid) const override {
        for (const auto& process : list_)
            if (process.pid == pid) return process;
        return std::nullopt;
    }
    bool terminate(const platform::ProcessInfo& process) override {
        std::erase_if(list_, [&](const auto& listed) { return listed.pid == process.pid; });
        ++ended;
        return true;
    }
    std::int32_t currentProcessId() const override { return 1; }
    std::uint32_t currentUserId() const override { return kOurUser; }

    std::vector<Start> starts;
    std::optional<Error> failure;
    int ended = 0;

  private:
    std::int32_t nextPid_ = 100;
    std::vector<platform::ProcessInfo> list_;
};

struct PlayerFixture : ::testing::Test {
    static constexpr const char* kMediaPath = "c:\\zov\\";
    static constexpr ui::Rect kScreen{0, 0, 1600, 1000};
    static constexpr ui::Rect kEmbedded{0, 125, 1600, 650};

    platform::ManualClock clock;
    platform::PollLoop loop{clock};
    platform::MemoryFileSystem files;
    ui::headless::HeadlessUiFactory ui{loop, files};
    std::shared_ptr<ui::Window> mainPlayer = ui.createWindow("mainPlayer");
    std::shared_ptr<ui::MediaPlayerControl> control =
        ui.createMediaPlayer(*mainPlayer, "wmpPlayer");
    ui::headless::SimulatedMediaPlayer& wmp = *ui.simulatedPlayer("mainPlayer", "wmpPlayer");
    std::shared_ptr<ui::PictureBox> screenBox = ui.createPictureBox(*mainPlayer, "h264Screen");
    ui::headless::HeadlessPictureBox& h264Screen = *ui.pictureBox("mainPlayer", "h264Screen");
    runtime::Dialogs dialogs{loop, ui};
    runtime::popupwindow& popup = dialogs.popupwindow();
    config::PlayerProperties playerProp{files};
    std::shared_ptr<runtime::CTimeout> fullscreentimer = runtime::CTimeout::create(loop, 3);
    playback::PlayerAdaptor mediaPlayer{loop, dialogs};
    platform::MemoryWindowMessages messages{loop};
    FakeProcesses processes;
    playback::h264Player streamingPlayer{
        {messages, processes, processes, "/opt/zov client", h264Screen, wmp}};
    Variables skin;

    PlayerFixture() {
        playerProp.setMediaPath(kMediaPath);
        EXPECT_TRUE(files.createFolderPath(kMediaPath));
        mediaPlayer.setMediaPlayer(*control);
        mediaPlayer.setPlayerProp(playerProp);
        mainPlayer->setRect(kScreen);
        mainPlayer->show();
        wmp.setRect(kEmbedded);
        h264Screen.setHWnd(0x12348000);
        streamingPlayer.setFormToFocus(*mainPlayer);
        streamingPlayer.setRegionToShown(h264Screen.windowHandle());
    }

    // A movie "<name>.wmv" in the movie folder that plays for `seconds`.
    std::string addMovie(const std::string& name, double seconds) {
        const std::string path = kMediaPath + name + ".wmv";
        EXPECT_TRUE(files.writeFile(path, "movie"));
        ui.media().setDuration(path, seconds);
        return path;
    }
    bool runUntil(const std::function<bool()>& predicate) { return loop.runUntil(predicate, 10s); }
    // What the main window hands its parts to tell the skin.
    std::function<void(const std::string&, const std::string&)> skinSetter() {
        return [this](const std::string& name, const std::string& value) { skin[name] = value; };
    }
    void adsOn() {
        playerProp.setAdsEnabled(true);
        playerProp.setAdsURL("c:\\zov\\ad.wmv");
    }
    // The embedded player's state settles on the loop (opening, buffering).
    void settle() {
        ASSERT_TRUE(runUntil([&] {
            return wmp.playState() != ui::wmppsTransitioning &&
                   wmp.playState() != ui::wmppsBuffering;
        }));
    }
    void advance(double seconds) {
        advanceTime(loop, clock, static_cast<std::int64_t>(seconds * 1000 + 0.5));
    }
    const std::vector<std::string>& lastArguments() const {
        return processes.starts.back().arguments;
    }
    // What was sent to the external player's windows (everything not for the main window).
    Sent sentToPlayer() const {
        Sent sent;
        for (const auto& posted : messages.posted())
            if (posted.target != mainPlayer->windowHandle()) sent.push_back(posted.record);
        return sent;
    }
    bool screenAt(const ui::Rect& at) const {
        const auto rect = h264Screen.rect();
        return rect.left == at.left && rect.top == at.top && rect.width == at.width &&
               rect.height == at.height;
    }
    static config::MediaInfo media(const std::string& name) {
        config::MediaInfo info;
        info.setRemoteFileName(name);
        info.setFileExtension(".wmv");
        return info;
    }
};

}  // namespace zov::test

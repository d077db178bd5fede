#include "playback/h264_player.hpp"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "platform/proc_process_table.hpp"
#include "platform/spawn_process_launcher.hpp"
#include "platform/unix_window_messages.hpp"
#include "playback/message_hook.hpp"
#include "playback/player_fixture.hpp"

namespace zov::test {
namespace {

using playback::h264Player;
using playback::MessageHook;
using Sent = std::vector<platform::WindowMessage>;

// The main window's part of the external player: its controller, its hook, its video
// region, skin and full-screen timer.
struct H264Test : PlayerFixture {
    h264Player& player = streamingPlayer;
    const ui::WindowHandle kMainWindow = mainPlayer->windowHandle();
    const std::string mainHandle = std::to_string(kMainWindow);
    int guideShown = 0;
    MessageHook::MainWindow mainWindowPart{
        [this](const std::string& name, const std::string& value) { skin[name] = value; },
        [] { return std::string("Casablanca"); }, [this] { ++guideShown; }};
    MessageHook hook{messages, player, *fullscreentimer, h264Screen, mainWindowPart};
    static constexpr ui::WindowHandle kPlayerWindow = 900;

    H264Test() { hook.install(kMainWindow); }

    // The player posting to the main window, and the loop delivering it.
    void fromPlayer(std::uint32_t message, std::int64_t wParam) {
        messages.post(kMainWindow, message, wParam, 0);
        loop.processPending();
    }
    // A launched player that has reported its window and, when given, its length.
    void playing(const std::string& url, std::int32_t length = 0) {
        player.loadContent(url);
        fromPlayer(MessageHook::kControlWindow, kPlayerWindow);
        if (length > 0) fromPlayer(MessageHook::kPlaybackStarted, length);
    }
    // What was sent to the player's windows (everything not for the main window).
    Sent toPlayer() const {
        Sent sent;
        for (const auto& posted : messages.posted())
            if (posted.target != kMainWindow) sent.push_back(posted.record);
        return sent;
    }
};

TEST_F(H264Test, CommandLineHoldsExactlyItsFieldsEachWholeWithTheWholeRegionHandle) {
    const std::string url = "xms://127.0.0.1/a \"quoted\" movie.264";
    player.loadContent(url);

    ASSERT_EQ(processes.starts.size(), 1u);
    EXPECT_EQ(processes.starts[0].path, "/opt/zov client/zovplayer1.exe");
    EXPECT_EQ(lastArguments(), (std::vector<std::string>{"/opt/zov client/zovplayer1.exe",
                                                         "305430528", mainHandle, url}));
    EXPECT_EQ(player.PlayerCurrentStatus(), h264Player::Running);
    EXPECT_EQ(ui.window("mainPlayer")->focusCount(), 1);
    EXPECT_TRUE(sameRect(h264Screen.rect(), kEmbedded));

    // A handle whose low 16 bits look negative stays positive; wide and negative handles
    // are written whole. Loading again ends the running player first.
    player.setRegionToShown(0x100008000);
    player.loadContent(url);
    EXPECT_EQ(processes.ended, 1);
    EXPECT_EQ(lastArguments()[1], "4295000064");
    player.setRegionToShown(-32768);
    player.loadContent(url);
    EXPECT_EQ(lastArguments()[1], "-32768");
}

TEST_F(H264Test, PositionIsAddedOnlyWhenResumingAPauseTakenWithAKnownLength) {
    playing("xms://one", 5400);
    fromPlayer(MessageHook::kPosition, 125);
    player.pausePlaying();
    EXPECT_EQ(player.PlayerCurrentStatus(), h264Player::Paused);
    EXPECT_EQ(player.duration(), 5400);
    EXPECT_EQ(player.currentPositionString(), "00:02:05");
    EXPECT_EQ(player.controller(), -1);
    EXPECT_TRUE(processes.processes().empty());
    player.playPause();
    EXPECT_EQ(lastArguments(),
              (std::vector<std::string>{"/opt/zov client/zovplayer1.exe", "305430528", mainHandle,
                                        "xms://one", "125"}));

    // A position without a length: the pause remembers nothing to resume from.
    player.unloadContent();
    playing("xms://one");
    fromPlayer(MessageHook::kPosition, 77);
    player.pausePlaying();
    player.playPause();
    EXPECT_EQ(lastArguments().size(), 4u);

    // A stop starts the same address from the beginning, also a stop taken while paused.
    fromPlayer(MessageHook::kPlaybackStarted, 5400);
    fromPlayer(MessageHook::kPosition, 300);
    player.stopPlaying();
    EXPECT_EQ(player.PlayerCurrentStatus(), h264Player::Stopped);
    player.playPause();
    EXPECT_EQ(lastArguments().size(), 4u);
    fromPlayer(MessageHook::kPlaybackStarted, 5400);
    fromPlayer(MessageHook::kPosition, 300);
    player.pausePlaying();
    player.stopPlaying();
    player.stopPlaying();
    player.playPause();
    EXPECT_EQ(lastArguments(), (std::vector<std::string>{"/opt/zov client/zovplayer1.exe",
                                                         "305430528", mainHandle, "xms://one"}));
}

TEST_F(H264Test, AFailedStartReachesTheCallerAndLeavesTheStatus) {
    processes.failure = Error(53, "File not found", "ProcessLauncher.start");
    try {
        player.loadContent("xms://one");
        FAIL() << "the failure was swallowed";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), 53);
    }
    EXPECT_EQ(player.PlayerCurrentStatus(), h264Player::Idle);

    processes.failure.reset();
    playing("xms://one", 60);
    player.stopPlaying();
    processes.failure = Error(53, "File not found", "ProcessLauncher.start");
    h264Screen.KeyPress('p');  // the key has nobody to tell; the player simply stays stopped
    EXPECT_EQ(player.PlayerCurrentStatus(), h264Player::Stopped);
}

TEST_F(H264Test, OnlyTheFirstControlWindowOfALaunchIsTaken) {
    playing("xms://one");
    fromPlayer(MessageHook::kControlWindow, 901);
    EXPECT_EQ(player.controller(), kPlayerWindow);
    player.playPause();
    EXPECT_EQ(toPlayer(), (Sent{{h264Player::kPlayPause, 0, 0}}));
    EXPECT_EQ(messages.posted().back().target, kPlayerWindow);

    player.stopPlaying();
    player.playPause();
    fromPlayer(MessageHook::kControlWindow, 901);
    EXPECT_EQ(player.controller(), 901);
}

TEST_F(H264Test, SeekFastForwardAndRewindWaitForALengthButTheToggleDoesNot) {
    player.loadContent("xms://one");
    player.playPause();  // no control window yet: nothing can be sent at all
    fromPlayer(MessageHook::kControlWindow, kPlayerWindow);
    player.seektime(300);
    player.fastforward();
    player.rewind();
    EXPECT_TRUE(toPlayer().empty());
    player.playPause();
    EXPECT_EQ(toPlayer(), (Sent{{h264Player::kPlayPause, 0, 0}}));

    fromPlayer(MessageHook::kPlaybackStarted, 5400);
    player.seektime(300);
    player.fastforward();
    player.rewind();
    EXPECT_EQ(toPlayer(), (Sent{{h264Player::kPlayPause, 0, 0},
                                {h264Player::kSeek, 300, 0},
                                {h264Player::kFastForward, 0, 0},
                                {h264Player::kRewind, 0, 0}}));
}

TEST_F(H264Test, StartAndEndOfPlaybackDriveTheSkinTheTimerAndTheGuide) {
    playing("xms://one");
    fromPlayer(MessageHook::kPlaybackStarted, 5400);
    EXPECT_EQ(player.duration(), 5400);
    EXPECT_TRUE(fullscreentimer->running());
    EXPECT_EQ(skin, (std::map<std::string, std::string>{{"videoName", "Casablanca"},
                                                        {"totalTime", "5400"},
                                                        {"totalTimestring", "01:30:00"},
                                                        {"slashstring", "/"}}));
    fromPlayer(MessageHook::kPosition, 4000);
    EXPECT_EQ(player.currentPositionString(), "01:06:40");

    h264Screen.DblClick();
    EXPECT_TRUE(sameRect(h264Screen.rect(), kScreen));
    const int repaints = h264Screen.repaints();
    fromPlayer(MessageHook::kPlaybackEnded, 0);
    EXPECT_FALSE(fullscreentimer->running());
    EXPECT_EQ(h264Screen.backColour(), (ui::Colour{1, 2, 1}));
    EXPECT_GT(h264Screen.repaints(), repaints);
    EXPECT_TRUE(sameRect(h264Screen.rect(), kEmbedded));
    EXPECT_EQ(player.PlayerCurrentStatus(), h264Player::Stopped);
    EXPECT_TRUE(processes.processes().empty());
    EXPECT_EQ(skin["videoName"], " ");
    EXPECT_EQ(skin["slashstring"], " ");
    EXPECT_EQ(guideShown, 1);

    // The ended stream can be started again from its beginning.
    player.playPause();
    EXPECT_EQ(lastArguments()[3], "xms://one");
}

TEST_F(H264Test, TimesAreClockTimesAndOutlandishReportsStayInRange) {
    EXPECT_EQ(h264Player::clockTime(0), "00:00:00");
    EXPECT_EQ(h264Player::clockTime(86399), "23:59:59");
    EXPECT_EQ(h264Player::clockTime(86400 + 3661), "01:01:01");
    EXPECT_EQ(h264Player::clockTime(-5), "00:00:00");

    playing("xms://one");
    fromPlayer(MessageHook::kPlaybackStarted, std::int64_t{1} << 40);
    EXPECT_EQ(player.duration(), INT32_MAX);
    EXPECT_EQ(skin["totalTime"], "1099511627776");
    EXPECT_EQ(skin["totalTimestring"], h264Player::clockTime(INT32_MAX));
}

TEST_F(H264Test, LetterKeysActAlikeInBothCasesAndOtherKeysDoNothing) {
    playing("xms://one", 5400);
    for (int key : {'F', 'f', 'R', 'r', 'P', 'p'})
        h264Screen.KeyPress(key);
    EXPECT_EQ(toPlayer(), (Sent{{h264Player::kFastForward, 0, 0},
                                {h264Player::kFastForward, 0, 0},
                                {h264Player::kRewind, 0, 0},
                                {h264Player::kRewind, 0, 0},
                                {h264Player::kPlayPause, 0, 0},
                                {h264Player::kPlayPause, 0, 0}}));

    messages.clearPosted();
    h264Screen.DblClick();
    for (int key : {int{'x'}, int{'Q'}, 13, 0, int{'e'}, int{'T'}})
        h264Screen.KeyPress(key);
    EXPECT_TRUE(toPlayer().empty());
    EXPECT_EQ(player.PlayerCurrentStatus(), h264Player::Running);
    EXPECT_TRUE(sameRect(h264Screen.rect(), kScreen));
    h264Screen.KeyPress(27);
    EXPECT_TRUE(sameRect(h264Screen.rect(), kEmbedded));

    for (int key : {'S', 's'}) {
        const int repaints = h264Screen.repaints();
        h264Screen.KeyPress(key);
        EXPECT_EQ(player.PlayerCurrentStatus(), h264Player::Stopped);
        EXPECT_GT(h264Screen.repaints(), repaints);
        h264Screen.KeyPress('P');
        EXPECT_EQ(player.PlayerCurrentStatus(), h264Player::Running);
    }
    h264Screen.KeyPress(' ');
    EXPECT_EQ(player.PlayerCurrentStatus(), h264Player::Paused);
}

TEST_F(H264Test, DoubleClickTogglesFullScreenOnlyWhilePlayingAndResizeRepaints) {
    h264Screen.DblClick();
    EXPECT_TRUE(sameRect(h264Screen.rect(), kEmbedded));
    h264Screen.Resize();
    EXPECT_EQ(h264Screen.focusCount(), 0);  // nothing plays: the focus stays where it is
    EXPECT_EQ(h264Screen.backColour(), (ui::Colour{1, 2, 1}));

    playing("xms://one");
    h264Screen.DblClick();
    EXPECT_TRUE(sameRect(h264Screen.rect(), kScreen));
    h264Screen.DblClick();
    EXPECT_TRUE(sameRect(h264Screen.rect(), kEmbedded));
    const int focused = h264Screen.focusCount();
    h264Screen.Resize();
    EXPECT_EQ(h264Screen.focusCount(), focused + 1);
}

TEST_F(H264Test, UnloadEndsOnlyTheUsersOwnPlayersAndForgetsTheStream) {
    processes.add("/home/other/zovplayer1.exe", kOurUser + 1);
    playing("xms://one", 5400);
    fromPlayer(MessageHook::kPosition, 10);
    player.unloadContent();
    ASSERT_EQ(processes.processes().size(), 1u);
    EXPECT_EQ(processes.processes()[0].uid, kOurUser + 1);
    EXPECT_EQ(player.PlayerCurrentStatus(), h264Player::Idle);
    EXPECT_EQ(player.controller(), -1);
    EXPECT_EQ(player.duration(), 0);
    EXPECT_EQ(player.currentPosition(), 0);
    player.playPause();  // idle: nothing to start, nobody to tell
    EXPECT_EQ(processes.starts.size(), 1u);

    hook.remove();
    fromPlayer(MessageHook::kControlWindow, 5);
    EXPECT_EQ(player.controller(), -1);
}

// The real thing: a child process running the stand-in player, window messages over Unix
// sockets, and process ending through the host's process table, limited to the children
// this test started so that nothing else on the host is touched.
class OwnChildren final : public platform::ProcessTable, public platform::ProcessLauncher {
  public:
    explicit OwnChildren(platform::SpawnProcessLauncher& launcher) : launcher_(launcher) {}
    std::int32_t start(const std::string& path,
                       const std::vector<std::string>& arguments) override {
        const std::int32_t pid = launcher_.start(path, arguments);
        pids.insert(pid);
        return pid;
    }
    bool running(std::int32_t pid) override { return launcher_.running(pid); }
    std::vector<platform::ProcessInfo> processes() const override {
        auto all = host_.processes();
        std::erase_if(all, [this](const auto& process) { return !pids.count(process.pid); });
        return all;
    }
    std::optional<platform::ProcessInfo> process(std::int32_t pid) const override {
        return pids.count(pid) ? host_.process(pid) : std::nullopt;
    }
    bool terminate(const platform::ProcessInfo& process) override {
        return host_.terminate(process);
    }
    std::int32_t currentProcessId() const override { return host_.currentProcessId(); }
    std::uint32_t currentUserId() const override { return host_.currentUserId(); }

    std::set<std::int32_t> pids;

  private:
    platform::SpawnProcessLauncher& launcher_;
    platform::ProcProcessTable host_;
};

struct RealPlayerTest : PlayerFixture {
    std::string folder;
    std::optional<platform::UnixWindowMessages> unixMessages;
    platform::SpawnProcessLauncher launcher{loop};
    OwnChildren children{launcher};

    void SetUp() override {
        char pattern[] = "/tmp/zov-h264-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        folder = pattern;
        unixMessages.emplace(loop, folder);
    }
    void TearDown() override {
        for (auto pid : children.pids)
            if (auto process = children.process(pid)) children.terminate(*process);
        unixMessages.reset();
        std::filesystem::remove_all(folder);
    }
    std::unique_ptr<h264Player> playerIn(const std::string& programFolder) {
        auto player = std::make_unique<h264Player>(
            h264Player::Ports{*unixMessages, children, children, programFolder, h264Screen, wmp});
        player->setFormToFocus(*mainPlayer);
        player->setRegionToShown(0x7fff0001);
        return player;
    }
};

TEST_F(RealPlayerTest, TheStandInPlayerIsStartedSteeredAndEnded) {
    ASSERT_TRUE(std::filesystem::exists(std::string(ZOV_STAND_IN_PLAYER_DIR) + "/zovplayer1.exe"))
        << "the stand-in player is not built";
    std::ofstream(folder + "/script") << "endpoints " << folder << "\nrecord " << folder
                                      << "/record.txt\nhandle 4242\npost 0x52c 5400\n"
                                      << "post 0x536 42\non 0x404 post 0x536 w\n";
    ::setenv("ZOV_FAKE_PLAYER_SCRIPT", (folder + "/script").c_str(), 1);
    auto player = playerIn(ZOV_STAND_IN_PLAYER_DIR);
    MessageHook hook{*unixMessages, *player, *fullscreentimer, h264Screen, {}};
    hook.install(mainPlayer->windowHandle());

    player->loadContent("xms://127.0.0.1/live one.264");
    ASSERT_TRUE(loop.runUntil(
        [&] { return player->controller() == 4242 && player->currentPosition() == 42; }, 10s));
    EXPECT_EQ(player->duration(), 5400);
    EXPECT_TRUE(fullscreentimer->running());
    player->seektime(300);
    ASSERT_TRUE(loop.runUntil([&] { return player->currentPosition() == 300; }, 10s));
    std::stringstream seen;
    seen << std::ifstream(folder + "/record.txt").rdbuf();
    EXPECT_EQ(seen.str().find("arg 4"), std::string::npos) << seen.str();
    for (const std::string& line :
         {std::string("arg 1 2147418113\n"),
          "arg 2 " + std::to_string(mainPlayer->windowHandle()) + "\n",
          std::string("arg 3 xms://127.0.0.1/live one.264\n"), std::string("got 0x404 300 0\n")})
        EXPECT_NE(seen.str().find(line), std::string::npos) << seen.str();

    ASSERT_EQ(children.pids.size(), 1u);
    const std::int32_t pid = *children.pids.begin();
    EXPECT_TRUE(launcher.running(pid));
    player->unloadContent();
    EXPECT_TRUE(loop.runUntil([&] { return !launcher.running(pid); }, 10s));
    EXPECT_EQ(launcher.outstanding(), 0u);
}

TEST_F(RealPlayerTest, AMissingPlayerProgramIsReportedAndNothingRuns) {
    auto player = playerIn(folder);
    try {
        player->loadContent("xms://one");
        FAIL() << "a missing program was started";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), 53);
        EXPECT_EQ(error.description(), "File not found");
    }
    EXPECT_EQ(player->PlayerCurrentStatus(), h264Player::Idle);
    EXPECT_EQ(launcher.outstanding(), 0u);
}

}  // namespace
}  // namespace zov::test

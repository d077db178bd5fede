#include "playback/h264_player.hpp"

#include <tuple>

#include "playback/message_hook.hpp"
#include "playback/player_fixture.hpp"

namespace zov::test {
namespace {

using playback::h264Player;
using playback::MessageHook;
using Arguments = std::vector<std::string>;

// The main window's part of the external player: its controller, its hook, its video
// region, skin and full-screen timer.
struct H264Test : PlayerFixture {
    h264Player& player = streamingPlayer;
    const ui::WindowHandle kMainWindow = mainPlayer->windowHandle();
    const std::string mainHandle = std::to_string(kMainWindow);
    const std::string program = "/opt/zov client/zovplayer1.exe";
    int guideShown = 0;
    MessageHook::MainWindow mainWindowPart{skinSetter(), [] { return std::string("Casablanca"); },
                                           [this] { ++guideShown; }};
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
};

TEST_F(H264Test, CommandLineHoldsExactlyItsFieldsEachWholeWithTheWholeRegionHandle) {
    const std::string url = "xms://127.0.0.1/a \"quoted\" movie.264";
    player.loadContent(url);
    ASSERT_EQ(processes.starts.size(), 1u);
    EXPECT_EQ(processes.starts[0].path, program);
    EXPECT_EQ(lastArguments(), (Arguments{program, "305430528", mainHandle, url}));
    EXPECT_EQ(player.PlayerCurrentStatus(), h264Player::Running);
    EXPECT_EQ(ui.window("mainPlayer")->focusCount(), 1);
    EXPECT_TRUE(screenAt(kEmbedded));

    // A handle whose low 16 bits look negative stays positive; wide and negative handles
    // are written whole. Loading again ends the running player first.
    player.setRegionToShown(0x100008000);
    player.loadContent(url);
    EXPECT_EQ(processes.ended, 1);
    EXPECT_EQ(lastArguments()[1], "4295000064");
    player.setRegionToShown(-32768);
    player.loadContent(url);
    EXPECT_EQ(lastArguments()[1], "-32768");

    // A failed start reaches the caller and leaves the player as it was.
    player.stopPlaying();
    processes.failure = Error(53, "File not found", "ProcessLauncher.start");
    EXPECT_THROW(player.loadContent(url), Error);
    EXPECT_EQ(player.PlayerCurrentStatus(), h264Player::Stopped);
    h264Screen.KeyPress('p');  // the key has nobody to tell; the player simply stays stopped
    EXPECT_EQ(player.PlayerCurrentStatus(), h264Player::Stopped);
}

TEST_F(H264Test, PositionIsAddedOnlyWhenResumingAPauseTakenWithAKnownLength) {
    playing("xms://one", 5400);
    fromPlayer(MessageHook::kPosition, 125);
    player.pausePlaying();
    EXPECT_EQ(player.currentPositionString(), "00:02:05");
    EXPECT_EQ(player.controller(), -1);
    EXPECT_TRUE(processes.processes().empty());
    player.playPause();
    EXPECT_EQ(lastArguments(), (Arguments{program, "305430528", mainHandle, "xms://one", "125"}));

    // A stop taken while paused starts the same address from the beginning.
    player.pausePlaying();
    player.stopPlaying();
    player.playPause();
    EXPECT_EQ(lastArguments().size(), 4u);

    // A position without a length: the pause remembers nothing to resume from.
    player.unloadContent();
    playing("xms://one");
    fromPlayer(MessageHook::kPosition, 77);
    player.pausePlaying();
    player.playPause();
    EXPECT_EQ(lastArguments().size(), 4u);
}

TEST_F(H264Test, CommandsWaitForTheControlWindowAndSeekingAndScanningForALength) {
    player.loadContent("xms://one");
    player.playPause();  // no control window yet: nothing can be sent at all
    fromPlayer(MessageHook::kControlWindow, kPlayerWindow);
    fromPlayer(MessageHook::kControlWindow, 901);  // only the first of a launch is taken
    EXPECT_EQ(player.controller(), kPlayerWindow);
    player.seektime(300);
    player.fastforward();
    player.rewind();
    EXPECT_TRUE(sentToPlayer().empty());
    player.playPause();
    EXPECT_EQ(messages.posted().back().target, kPlayerWindow);

    fromPlayer(MessageHook::kPlaybackStarted, 5400);
    player.seektime(300);
    for (int key : {'F', 'f', 'R', 'r', 'P', 'p', 'x', 'Q', '\r', '\0', 'e', 'T'})
        h264Screen.KeyPress(key);
    EXPECT_EQ(sentToPlayer(), (Sent{{h264Player::kPlayPause, 0, 0},
                                    {h264Player::kSeek, 300, 0},
                                    {h264Player::kFastForward, 0, 0},
                                    {h264Player::kFastForward, 0, 0},
                                    {h264Player::kRewind, 0, 0},
                                    {h264Player::kRewind, 0, 0},
                                    {h264Player::kPlayPause, 0, 0},
                                    {h264Player::kPlayPause, 0, 0}}));

    // A new launch takes its own control window.
    player.stopPlaying();
    player.playPause();
    fromPlayer(MessageHook::kControlWindow, 901);
    EXPECT_EQ(player.controller(), 901);
}

TEST_F(H264Test, StartAndEndOfPlaybackDriveTheSkinTheTimerAndTheGuide) {
    playing("xms://one");
    fromPlayer(MessageHook::kPlaybackStarted, 5400);
    EXPECT_TRUE(fullscreentimer->running());
    EXPECT_EQ(skin["videoName"], "Casablanca");
    EXPECT_EQ(skin["totalTimestring"], "01:30:00");

    h264Screen.DblClick();
    EXPECT_TRUE(screenAt(kScreen));
    const int repaints = h264Screen.repaints();
    fromPlayer(MessageHook::kPlaybackEnded, 0);
    EXPECT_FALSE(fullscreentimer->running());
    EXPECT_EQ(h264Screen.backColour(), (ui::Colour{1, 2, 1}));
    EXPECT_GT(h264Screen.repaints(), repaints);
    EXPECT_TRUE(screenAt(kEmbedded));
    EXPECT_EQ(player.PlayerCurrentStatus(), h264Player::Stopped);
    EXPECT_TRUE(processes.processes().empty());
    EXPECT_EQ(skin["videoName"], " ");
    EXPECT_EQ(skin["slashstring"], " ");
    EXPECT_EQ(guideShown, 1);

    // The ended stream can be started again from its beginning.
    player.playPause();
    EXPECT_EQ(lastArguments()[3], "xms://one");

    // An outlandish length stays in range.
    fromPlayer(MessageHook::kPlaybackStarted, std::int64_t{1} << 40);
    EXPECT_EQ(player.duration(), INT32_MAX);
    EXPECT_EQ(skin["totalTime"], "1099511627776");
    EXPECT_EQ(skin["totalTimestring"], h264Player::clockTime(INT32_MAX));
}

TEST_F(H264Test, TheScreenTogglesFullScreenOnlyWhilePlayingAndItsKeysStopAndPause) {
    h264Screen.DblClick();
    EXPECT_TRUE(screenAt(kEmbedded));
    h264Screen.Resize();
    EXPECT_EQ(h264Screen.focusCount(), 0);  // nothing plays: the focus stays where it is
    EXPECT_EQ(h264Screen.backColour(), (ui::Colour{1, 2, 1}));

    playing("xms://one", 5400);
    h264Screen.DblClick();
    EXPECT_TRUE(screenAt(kScreen));
    h264Screen.KeyPress(27);
    EXPECT_TRUE(screenAt(kEmbedded));
    h264Screen.DblClick();
    h264Screen.DblClick();
    EXPECT_TRUE(screenAt(kEmbedded));
    const int focused = h264Screen.focusCount();
    h264Screen.Resize();
    EXPECT_EQ(h264Screen.focusCount(), focused + 1);

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

TEST_F(H264Test, UnloadEndsOnlyTheUsersOwnPlayersAndForgetsTheStream) {
    processes.add("/home/other/zovplayer1.exe", kOurUser + 1);
    playing("xms://one", 5400);
    fromPlayer(MessageHook::kPosition, 10);
    player.unloadContent();
    ASSERT_EQ(processes.processes().size(), 1u);
    EXPECT_EQ(processes.processes()[0].uid, kOurUser + 1);
    EXPECT_EQ(std::tuple(player.PlayerCurrentStatus(), player.controller(), player.duration(),
                         player.currentPosition()),
              std::tuple(h264Player::Idle, -1, 0, 0));
    player.playPause();  // idle: nothing to start, nobody to tell
    EXPECT_EQ(processes.starts.size(), 1u);

    hook.remove();
    fromPlayer(MessageHook::kControlWindow, 5);
    EXPECT_EQ(player.controller(), -1);

    // Removed once, the hook leaves alone the one that took the window after it.
    MessageHook next{messages, player, *fullscreentimer, h264Screen, mainWindowPart};
    next.install(kMainWindow);
    hook.remove();
    fromPlayer(MessageHook::kControlWindow, 5);
    EXPECT_EQ(player.controller(), 5);
}

}  // namespace
}  // namespace zov::test

// The simulated media player's own rules; what the player adaptor makes of it (resuming,
// ads, playlists, full screen, a failed playback) is shown by the playback tests.

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <memory>
#include <string>

#include "platform/clock.hpp"
#include "platform/memory_file_system.hpp"
#include "platform/poll_loop.hpp"
#include "support/manual_time.hpp"
#include "ui/headless/media_catalog.hpp"
#include "ui/headless/simulated_media_player.hpp"

namespace zov::test {
namespace {

using namespace std::chrono_literals;
using namespace zov::ui;
using ui::headless::MediaCatalog;
using ui::headless::SimulatedMediaPlayer;

constexpr const char* kMovie = "c:\\zov\\m1.wmv";

struct SimulatedMediaPlayerTest : ::testing::Test {
    platform::ManualClock clock;
    platform::PollLoop loop{clock};
    platform::MemoryFileSystem files;
    MediaCatalog catalog;
    std::shared_ptr<SimulatedMediaPlayer> player;
    std::deque<int> seen;  // each PlayStateChange, as the handler read playState
    int errors = 0;

    SimulatedMediaPlayerTest() {
        EXPECT_TRUE(files.createFolderPath("c:\\zov\\") && files.writeFile(kMovie, "movie"));
        catalog.setDuration(kMovie, 100);
        player = SimulatedMediaPlayer::create(ControlName{}, loop, files, catalog);
        player->PlayStateChange.connect([this](int state) {
            EXPECT_EQ(player->playState(), state);
            seen.push_back(state);
        });
        player->Error.connect([this] { ++errors; });
    }
    void settle() {
        ASSERT_TRUE(loop.runUntil(
            [&] { return player->playState() != 9 && player->playState() != 6; }, 10s));
    }
    void advance(double seconds) {
        advanceTime(loop, clock, static_cast<std::int64_t>(seconds * 1000));
    }
};

TEST_F(SimulatedMediaPlayerTest, AnOpenedFilePlaysOnTheClockScansAndEndsAtItsLength) {
    player->setURL(kMovie);
    EXPECT_EQ(player->duration(), 0);  // not valid before playing
    settle();
    EXPECT_EQ(player->duration(), 100);
    advance(10);
    player->fastForward();
    advance(2);
    EXPECT_DOUBLE_EQ(player->currentPosition(), 10 + 2 * SimulatedMediaPlayer::kScanRate);
    player->fastReverse();
    advance(20);  // reaches 0 after 4 s, then plays 16 s
    EXPECT_EQ(player->playState(), wmppsPlaying);
    EXPECT_DOUBLE_EQ(player->currentPosition(), 16);
    EXPECT_EQ(player->currentPositionString(), "00:16");
    player->pause();
    advance(30);
    player->play();
    advance(83.999);
    EXPECT_EQ(player->playState(), wmppsPlaying);
    advance(0.001);
    EXPECT_EQ(seen,
              (std::deque<int>{wmppsTransitioning, wmppsPlaying, wmppsScanForward, wmppsScanReverse,
                               wmppsPlaying, wmppsPaused, wmppsPlaying, wmppsMediaEnded}));

    // Play after the end starts again; stop goes back to the beginning, and nothing
    // stopped scans.
    player->play();
    advance(10);
    EXPECT_DOUBLE_EQ(player->currentPosition(), 10);
    player->stop();
    player->fastForward();
    player->fastReverse();
    EXPECT_EQ(player->playState(), wmppsStopped);
    EXPECT_DOUBLE_EQ(player->currentPosition(), 0);

    // Running past what was downloaded pauses in the window; a handler may release the
    // player.
    player->play();
    player->setFullScreen(true);
    player->failPlayback();
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(player->playState(), wmppsPaused);
    EXPECT_FALSE(player->fullScreen());
    player->PlayStateChange.connect([this](int) { player.reset(); });
    player->stop();
    EXPECT_EQ(player, nullptr);
    advance(200);
}

TEST_F(SimulatedMediaPlayerTest, MissingOrUnplayableFilesReportAnErrorAndStreamsBuffer) {
    player->setURL("c:\\zov\\absent.wmv");
    settle();
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(player->playState(), wmppsStopped);
    ASSERT_TRUE(files.writeFile("c:\\zov\\broken.wmv", "x"));
    catalog.markUnplayable("c:\\zov\\broken.wmv");
    player->setURL("c:\\zov\\broken.wmv");
    settle();
    EXPECT_EQ(errors, 2);

    // The file arrives later: play opens it afresh.
    player->setURL("c:\\zov\\late.wmv");
    settle();
    ASSERT_TRUE(files.writeFile("c:\\zov\\late.wmv", "x"));
    player->play();
    settle();
    EXPECT_EQ(errors, 3);
    EXPECT_EQ(player->duration(), MediaCatalog::kDefaultDuration);

    // A second address before the first is open abandons the first.
    player->setURL("c:\\zov\\absent.wmv");
    player->setURL("mms://127.0.0.1/live");
    seen.clear();
    settle();
    EXPECT_EQ(seen, (std::deque<int>{wmppsBuffering, wmppsPlaying}));
    EXPECT_EQ(errors, 3);
}

}  // namespace
}  // namespace zov::test

// The libmpv player against real media made by ffmpeg: what the client relies on (states,
// length, position, end, failures as Error) must come from the real decoder.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "mpv_player_fixture.hpp"
#include "support/manual_time.hpp"

namespace zov {
namespace {

namespace fs = std::filesystem;
using test::kPatience;
using ui::mpv::MpvMediaPlayer;

class MpvMediaPlayerTest : public test::MpvPlayerFixture {
  protected:
    static void SetUpTestSuite() {
        makeFolder();
        makeMovie("clip.mp4", 4);  // as small and quick to make as possible
        std::ofstream(folder() / "notes.mp4") << "this is not a movie\n";
        fs::create_directories(folder() / "folder.mp4");
        fs::copy_file(folder() / "clip.mp4", folder() / "folder.mp4" / "inside.mp4");
        std::ofstream(folder() / "list.mp4") << "#EXTM3U\n"
                                             << (folder() / "clip.mp4").string() << "\n";
    }
    static void TearDownTestSuite() { removeFolder(); }
};

TEST_F(MpvMediaPlayerTest, PlaysARealMovieToItsEnd) {
    player_->setURL(clientPath("clip.mp4"));
    EXPECT_EQ(player_->playState(), ui::wmppsTransitioning);
    ASSERT_TRUE(waitFor(ui::wmppsPlaying));
    EXPECT_NEAR(player_->duration(), 4.0, 0.3);

    // Jump near the end so the test does not wait for the whole movie.
    player_->setCurrentPosition(3.0);
    ASSERT_TRUE(waitFor(ui::wmppsMediaEnded));
    EXPECT_EQ(errors_, 0);
    EXPECT_EQ(states_,
              (std::vector<int>{ui::wmppsTransitioning, ui::wmppsPlaying, ui::wmppsMediaEnded}));
    EXPECT_NEAR(player_->currentPosition(), 4.0, 0.3);

    // Play after the end starts again from the beginning.
    player_->play();
    ASSERT_TRUE(waitFor(ui::wmppsPlaying));
    EXPECT_LT(player_->currentPosition(), 2.0);
}

TEST_F(MpvMediaPlayerTest, PauseSeekStopAndPlayAgain) {
    player_->setAutoStart(false);
    player_->setURL(clientPath("clip.mp4"));
    player_->setCurrentPosition(2.0);  // before it is open: applies once it is
    ASSERT_TRUE(waitFor(ui::wmppsReady));
    ASSERT_TRUE(loop_.runUntil([&] { return player_->currentPosition() > 1.5; }, kPatience));
    EXPECT_EQ(player_->currentPositionString(), "00:02");

    player_->play();
    EXPECT_EQ(player_->playState(), ui::wmppsPlaying);
    player_->setFullScreen(true);
    EXPECT_TRUE(player_->fullScreen());
    player_->pause();
    EXPECT_EQ(player_->playState(), ui::wmppsPaused);
    player_->setCurrentPosition(1.0);
    ASSERT_TRUE(loop_.runUntil([&] { return player_->currentPosition() < 1.5; }, kPatience));

    player_->stop();
    EXPECT_EQ(player_->playState(), ui::wmppsStopped);
    EXPECT_FALSE(player_->fullScreen());
    EXPECT_EQ(player_->currentPosition(), 0);
    EXPECT_EQ(player_->currentPositionString(), "");

    player_->play();  // opens the movie again
    ASSERT_TRUE(waitFor(ui::wmppsPlaying));
    EXPECT_EQ(errors_, 0);
}

TEST_F(MpvMediaPlayerTest, ReverseScanStepsBackOnTheLoopClockAndPlaysOnFromTheStart) {
    player_->setURL(clientPath("clip.mp4"));
    ASSERT_TRUE(waitFor(ui::wmppsPlaying));
    player_->pause();
    player_->setCurrentPosition(1.5);
    ASSERT_TRUE(loop_.runUntil([&] { return player_->currentPosition() > 1.2; }, kPatience));

    player_->fastReverse();
    EXPECT_EQ(player_->playState(), ui::wmppsScanReverse);
    // Two steps of one second each take it back to the start, and it plays on.
    test::advanceTime(loop_, clock_, 2 * MpvMediaPlayer::kReverseStepMs);
    EXPECT_EQ(player_->playState(), ui::wmppsPlaying);

    player_->fastForward();
    EXPECT_EQ(player_->playState(), ui::wmppsScanForward);
    player_->play();
    EXPECT_EQ(player_->playState(), ui::wmppsPlaying);
}

TEST_F(MpvMediaPlayerTest, WhatCannotBePlayedRaisesErrorAndEndsStopped) {
    const std::vector<std::string> unplayable = {
        clientPath("notes.mp4"),    // not a movie
        clientPath("missing.mp4"),  // not there
        clientPath("folder.mp4"),   // a folder, which libmpv would play as a playlist
        clientPath("list.mp4"),     // a playlist naming another file
        "fd://0",                   // a scheme the player must not open
        "Q:\\unmapped\\drive.mp4",  // no host path
    };
    for (const std::string& url : unplayable) {
        SCOPED_TRACE(url);
        const int errorsBefore = errors_;
        player_->setURL(url);
        ASSERT_TRUE(loop_.runUntil([&] { return errors_ > errorsBefore; }, kPatience));
        EXPECT_EQ(errors_, errorsBefore + 1);
        EXPECT_EQ(player_->playState(), ui::wmppsStopped);
        EXPECT_EQ(player_->duration(), 0);
    }
    // A new address after a failure opens normally.
    player_->setURL(clientPath("clip.mp4"));
    ASSERT_TRUE(waitFor(ui::wmppsPlaying));
}

TEST_F(MpvMediaPlayerTest, AStaleFailureDoesNotReachTheNextMovie) {
    player_->setURL(clientPath("missing.mp4"));
    player_->setURL(clientPath("clip.mp4"));  // before the first failed
    ASSERT_TRUE(waitFor(ui::wmppsPlaying));
    loop_.processPending();
    EXPECT_EQ(errors_, 0);

    player_->setURL("");
    EXPECT_EQ(player_->playState(), ui::wmppsUndefined);
    EXPECT_EQ(player_->duration(), 0);
}

TEST(MpvStreamAddress, OnlyNetworkStreamsAreOpened) {
    EXPECT_TRUE(MpvMediaPlayer::isAllowedStream("http://127.0.0.1/live"));
    EXPECT_TRUE(MpvMediaPlayer::isAllowedStream("HTTPS://example.invalid/a.m3u8"));
    EXPECT_TRUE(MpvMediaPlayer::isAllowedStream("rtsp://host/stream"));
    EXPECT_FALSE(MpvMediaPlayer::isAllowedStream("file:///etc/passwd"));
    EXPECT_FALSE(MpvMediaPlayer::isAllowedStream("edl://%3%/etc"));
    EXPECT_FALSE(MpvMediaPlayer::isAllowedStream("av://v4l2:/dev/video0"));
    EXPECT_FALSE(MpvMediaPlayer::isAllowedStream("http:/one-slash"));
}

}  // namespace
}  // namespace zov

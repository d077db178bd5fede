// The libmpv player against real media made by ffmpeg: what the client relies on (states,
// length, position, end, failures as Error, full screen held only while there is something
// to show) must come from the real decoder; and where it shows and sounds.

#include <gmock/gmock.h>
#include <mpv/client.h>

#include <clocale>
#include <fstream>
#include <tuple>

#include "mpv_player_fixture.hpp"
#include "support/manual_time.hpp"
#include "ui/mpv/mpv_outputs.hpp"
#include "ui/mpv/natural_end.hpp"
#include "ui/mpv/video_surface.hpp"

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

TEST_F(MpvMediaPlayerTest, PauseSeekScanStopAndPlayAgain) {
    player_->setAutoStart(false);
    player_->setURL(clientPath("clip.mp4"));
    player_->setCurrentPosition(2.0);  // before it is open: applies once it is
    ASSERT_TRUE(waitFor(ui::wmppsReady));
    ASSERT_TRUE(loop_.runUntil([&] { return player_->currentPosition() > 1.5; }, kPatience));
    EXPECT_EQ(player_->currentPositionString(), "00:02");

    player_->play();
    EXPECT_EQ(player_->playState(), ui::wmppsPlaying);
    player_->pause();
    EXPECT_EQ(player_->playState(), ui::wmppsPaused);
    player_->setCurrentPosition(1.5);
    ASSERT_TRUE(loop_.runUntil([&] { return player_->currentPosition() < 1.8; }, kPatience));

    // The reverse scan steps back a second at a time on the loop's clock; at the start it
    // plays on.
    player_->fastReverse();
    EXPECT_EQ(player_->playState(), ui::wmppsScanReverse);
    test::advanceTime(loop_, clock_, 2 * MpvMediaPlayer::kReverseStepMs);
    EXPECT_EQ(player_->playState(), ui::wmppsPlaying);
    player_->fastForward();
    EXPECT_EQ(player_->playState(), ui::wmppsScanForward);
    player_->play();
    EXPECT_EQ(player_->playState(), ui::wmppsPlaying);

    player_->stop();
    EXPECT_EQ(player_->playState(), ui::wmppsStopped);
    EXPECT_EQ(player_->currentPosition(), 0);
    EXPECT_EQ(player_->currentPositionString(), "");

    player_->play();  // opens the movie again
    ASSERT_TRUE(waitFor(ui::wmppsPlaying));
    EXPECT_EQ(errors_, 0);
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
    // Neither one that fails before libmpv has it nor one that libmpv fails.
    player_->setURL(clientPath("missing.mp4"));
    player_->setURL(clientPath("notes.mp4"));
    player_->setURL(clientPath("clip.mp4"));  // before either failed
    ASSERT_TRUE(waitFor(ui::wmppsPlaying));
    loop_.processPending();
    EXPECT_EQ(errors_, 0);

    player_->setURL("");
    EXPECT_EQ(player_->playState(), ui::wmppsUndefined);
    EXPECT_EQ(player_->duration(), 0);
}

TEST(MpvAddresses, OnlyNetworkStreamsAreOpenedAndOnlyAnEndCloseToTheLengthIsTheMoviesOwn) {
    for (const auto& [url, allowed] : {std::pair{"http://127.0.0.1/live", true},
                                       {"HTTPS://example.invalid/a.m3u8", true},
                                       {"rtsp://host/stream", true},
                                       {"file:///etc/passwd", false},
                                       {"edl://%3%/etc", false},
                                       {"av://v4l2:/dev/video0", false},
                                       {"http:/one-slash", false}})
        EXPECT_EQ(MpvMediaPlayer::isAllowedStream(url), allowed) << url;
    // A long movie's length may be estimated; a live stream has no length.
    for (const auto& [at, length, natural] : {std::tuple{11.8, 12.0, true},
                                              {5.7, 12.0, false},
                                              {7100.0, 7200.0, true},
                                              {6900.0, 7200.0, false},
                                              {3.0, 0.0, true}})
        EXPECT_EQ(ui::mpv::isNaturalEnd(at, length), natural) << at << " of " << length;
}

// Records whether the player has its surface cover the main window; handle 0 keeps libmpv
// without a picture.
struct RecordingSurface final : ui::mpv::VideoSurface {
    ui::WindowHandle handle() const override { return 0; }
    void place(const ui::Rect&) override {}
    void setShown(bool) override {}
    void setCovering(bool value) override { covering = value; }
    void bringToFront() override {}

    bool covering = false;
};

class MpvFullScreenTest : public MpvMediaPlayerTest {
  protected:
    void SetUp() override {
        auto sink = std::make_shared<ui::ChangeSink>([this](const std::string&, const std::string&,
                                                            const std::string& property,
                                                            const std::string& value) {
            if (property == "fullScreen") reported_ += value == "true" ? "T" : "F";
        });
        player_ = MpvMediaPlayer::create(ui::ControlName{"mainPlayer", "wmpPlayer", sink}, loop_,
                                         files_, {}, surface_);
        player_->PlayStateChange.connect([this](int state) { states_.push_back(state); });
    }

    void playAndGoFullScreen() {
        player_->setURL(clientPath("clip.mp4"));
        ASSERT_TRUE(waitFor(ui::wmppsPlaying));
        player_->setFullScreen(true);
        ASSERT_TRUE(player_->fullScreen());
        ASSERT_TRUE(surface_->covering);
    }

    std::shared_ptr<RecordingSurface> surface_ = std::make_shared<RecordingSurface>();
    std::string reported_;  // "T" / "F" for each change reported
};

TEST_F(MpvFullScreenTest, TheEndAStopAnUnloadOrAPersonsRequestEachLeaveFullScreen) {
    player_->setFullScreen(true);  // nothing to show yet
    EXPECT_FALSE(player_->fullScreen());

    playAndGoFullScreen();
    player_->setFullScreen(true);  // already there: nothing new to report
    player_->pause();
    EXPECT_TRUE(player_->fullScreen());  // a paused picture is still shown
    player_->setCurrentPosition(3.5);
    player_->play();
    ASSERT_TRUE(waitFor(ui::wmppsMediaEnded));
    EXPECT_FALSE(player_->fullScreen());
    EXPECT_FALSE(surface_->covering);

    playAndGoFullScreen();
    player_->stop();
    EXPECT_FALSE(player_->fullScreen());

    playAndGoFullScreen();
    player_->setURL("");
    EXPECT_FALSE(player_->fullScreen());
    EXPECT_FALSE(surface_->covering);

    // Escape or a double click on the video: the picture goes back, playing on.
    playAndGoFullScreen();
    surface_->LeaveFullScreen();
    EXPECT_FALSE(player_->fullScreen());
    EXPECT_FALSE(surface_->covering);
    EXPECT_EQ(player_->playState(), ui::wmppsPlaying);

    EXPECT_EQ(reported_, "TFTFTFTF");
}

TEST(MpvOutputs, AWindowGetsThePictureInOptionsLibmpvTakes) {
    // libmpv reads the handle as a decimal number; without a sound device the movie still
    // plays, on the null output.
    const auto options =
        ui::mpv::outputOptions({.videoWindow = 0x4a00007, .audioOutputs = "pulse,alsa"});
    using Option = std::pair<std::string, std::string>;
    EXPECT_THAT(options, testing::Contains(Option("wid", "77594631")));
    EXPECT_THAT(options, testing::Contains(Option("ao", "pulse,alsa,null")));
    // A misspelt option would be refused here and silently ignored in the player.
    std::setlocale(LC_NUMERIC, "C");
    mpv_handle* mpv = mpv_create();
    ASSERT_NE(mpv, nullptr);
    for (const auto& [name, value] : options)
        EXPECT_GE(mpv_set_option_string(mpv, name.c_str(), value.c_str()), 0)
            << name << "=" << value;
    mpv_terminate_destroy(mpv);
}

}  // namespace
}  // namespace zov

// Full screen of the libmpv player, headless and with a video surface: it holds only while
// there is media to show, every way out clears it (so that timed messages show again), and
// the surface follows each change.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "mpv_player_fixture.hpp"
#include "ui/mpv/video_surface.hpp"

namespace zov {
namespace {

using ui::mpv::MpvMediaPlayer;

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

class MpvFullScreenTest : public test::MpvPlayerFixture {
  protected:
    static void SetUpTestSuite() {
        makeFolder();
        makeMovie("clip.mp4", 4);
    }
    static void TearDownTestSuite() { removeFolder(); }

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

}  // namespace
}  // namespace zov

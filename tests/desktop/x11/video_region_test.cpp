// The movie on screen: the desktop's player draws into its region of the main window, over
// the skin, and full screen really covers the main window until a person leaves it; timed
// messages show again once it is left.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QLineEdit>

#include "desktop/x11/video_fixture.hpp"
#include "platform/clock.hpp"
#include "platform/memory_file_system.hpp"
#include "runtime/dialogs.hpp"
#include "ui/desktop/desktop_picture_box.hpp"
#include "ui/desktop/video_region.hpp"
#include "ui/headless/headless_ui_factory.hpp"
#include "ui/window.hpp"

namespace zov::test {
namespace {

class VideoRegionTest : public VideoFixture {
  protected:
    void SetUp() override {
        VideoFixture::SetUp();
        dialogs_.setFullScreenQuery([this] { return player_->fullScreen(); });
    }

    void enterFullScreen() {
        player_->setFullScreen(true);
        ASSERT_TRUE(player_->fullScreen());
        EXPECT_EQ(region_->geometry(), mainWindow_->rect());
        ASSERT_TRUE(waitFor([&] {
            return showsBars(grabScreen(regionOnScreen()), pictureIn(mainWindow_->rect()));
        })) << "the bars never filled the main window";
    }

    void expectBackInPlace() {
        EXPECT_FALSE(player_->fullScreen());
        EXPECT_EQ(reported_["fullScreen"], "false");
        EXPECT_EQ(region_->geometry(), kPlace);
        EXPECT_TRUE(waitFor([&] {
            return showsBars(grabScreen(regionOnScreen()),
                             pictureIn(QRect(QPoint(), kPlace.size())));
        })) << "the bars never came back to their place";
    }

    // Waits until the display has delivered every earlier input: a key typed after it
    // reaches the focused field only then.
    void settleInput() {
        const QString before = focusHolder_->text();
        ASSERT_TRUE(xdotool("type z"));
        ASSERT_TRUE(waitFor([&] { return focusHolder_->text() == before + "z"; }));
    }

    bool popupShown() {
        auto window = popups_.window("popupwindow");
        return window && window->visible();
    }

    // Where the main window keeps the player: (0, H/8, W, 0.65 H).
    const QRect kPlace{0, 60, kWidth, 312};
    platform::MemoryFileSystem noFiles_;
    ui::headless::HeadlessUiFactory popups_{loop_, noFiles_};
    runtime::Dialogs dialogs_{loop_, popups_};
};

TEST_F(VideoRegionTest, TheMoviePlaysIntoItsPlaceOverTheSkin) {
    EXPECT_EQ(region_->geometry(), kPlace);
    EXPECT_TRUE(region_->testAttribute(Qt::WA_NativeWindow));
    // Nothing open: black at the player's place, the skin around it.
    ASSERT_TRUE(waitFor([&] {
        const QImage screen =
            grabScreen(QRect(mainWindow_->mapToGlobal(QPoint()), mainWindow_->size()));
        return near(screen.pixelColor(320, 200), Qt::black, 8) &&
               near(screen.pixelColor(320, 30), kSkinColour, 8) &&
               near(screen.pixelColor(320, 400), kSkinColour, 8);
    }));
    saveScreenshot("video-region-empty.png");

    playBars();
    saveScreenshot("video-region-playing.png");
    const QImage screen =
        grabScreen(QRect(mainWindow_->mapToGlobal(QPoint()), mainWindow_->size()));
    // The movie keeps its shape: black at the sides of the region, the skin above and below.
    EXPECT_TRUE(near(screen.pixelColor(20, 200), Qt::black, 8));
    EXPECT_TRUE(near(screen.pixelColor(620, 200), Qt::black, 8));
    EXPECT_TRUE(near(screen.pixelColor(320, 30), kSkinColour, 8));
    EXPECT_TRUE(near(screen.pixelColor(320, 400), kSkinColour, 8));
    EXPECT_EQ(reported_["playState"], "3");
}

TEST_F(VideoRegionTest, EscapeWhereverTheFocusIsLeavesFullScreenAndMessagesShowAgain) {
    playBars();
    enterFullScreen();
    EXPECT_EQ(reported_["fullScreen"], "true");
    saveScreenshot("video-full-screen.png");
    dialogs_.showPopup("nobody would see this");
    EXPECT_FALSE(popupShown());

    // A real key press, with the focus in the skin's stand-in under the video.
    ASSERT_TRUE(focusHolder_->hasFocus());
    ASSERT_TRUE(xdotool("key Escape"));
    ASSERT_TRUE(waitFor([&] { return !player_->fullScreen(); }));
    expectBackInPlace();
    EXPECT_EQ(player_->playState(), ui::wmppsPlaying);
    saveScreenshot("video-after-escape.png");

    dialogs_.showPopup("seen again");
    EXPECT_TRUE(popupShown());

    // Outside full screen Escape belongs to whoever has the focus.
    int requests = 0;
    QObject::connect(region_, &ui::desktop::VideoRegion::leaveFullScreenRequested,
                     [&] { ++requests; });
    ASSERT_TRUE(xdotool("key Escape"));
    settleInput();
    EXPECT_EQ(requests, 0);
}

TEST_F(VideoRegionTest, ADoubleClickOnTheVideoOrAStopLeavesFullScreen) {
    playBars();
    // Outside full screen a double click changes nothing.
    const QPoint middle = regionOnScreen().center();
    const std::string at = std::to_string(middle.x()) + " " + std::to_string(middle.y());
    ASSERT_TRUE(xdotool("mousemove " + at + " click --repeat 2 --delay 80 1"));
    settleInput();
    EXPECT_EQ(region_->geometry(), kPlace);
    enterFullScreen();

    ASSERT_TRUE(xdotool("mousemove " + at + " click --repeat 2 --delay 80 1"));
    ASSERT_TRUE(waitFor([&] { return !player_->fullScreen(); }));
    expectBackInPlace();

    // Full screen follows the main window while it lasts; a stop ends it.
    enterFullScreen();
    mainWindow_->resize(kWidth, kHeight + 40);
    ASSERT_TRUE(waitFor([&] { return region_->geometry() == mainWindow_->rect(); }));
    mainWindow_->resize(kWidth, kHeight);
    ASSERT_TRUE(waitFor([&] { return region_->geometry() == mainWindow_->rect(); }));
    player_->stop();
    EXPECT_FALSE(player_->fullScreen());
    EXPECT_EQ(region_->geometry(), kPlace);
    EXPECT_TRUE(waitFor([&] {
        return near(grabScreen(regionOnScreen()).pixelColor(kPlace.width() / 2, 100), Qt::black, 8);
    })) << "the picture stayed after the stop";
    saveScreenshot("video-after-stop.png");
}

// libmpv probing for a way to draw can close descriptors it does not own; the first to go
// would be standard input, and after it whatever reuses the number (an X connection).
TEST_F(VideoRegionTest, PlayingIntoTheRegionLeavesOtherDescriptorsAlone) {
    if (::fcntl(0, F_GETFD) < 0) {
        ASSERT_EQ(::open("/dev/null", O_RDONLY), 0);
    }
    struct stat before {};
    ASSERT_EQ(::fstat(0, &before), 0);
    playBars();
    player_.reset();
    struct stat after {};
    ASSERT_EQ(::fstat(0, &after), 0) << "standard input was closed";
    EXPECT_EQ(after.st_dev, before.st_dev);
    EXPECT_EQ(after.st_ino, before.st_ino);
}

// The external player draws into the picture box laid over the embedded player's place: once
// placed there it is seen above the embedded player's video, and the keys a person presses
// on it arrive as typed.
TEST_F(VideoRegionTest, TheExternalPlayersRegionShowsAboveTheMovieAndTakesItsKeys) {
    ui::desktop::DesktopPictureBox h264Screen(ui::ControlName{"mainPlayer", "h264Screen", nullptr},
                                              mainWindow_.get(), 1);
    const QColor green(0, 200, 0);
    h264Screen.setBackColour({0, 200, 0});
    std::vector<int> typed;
    h264Screen.KeyPress.connect([&](int key) { typed.push_back(key); });
    playBars();  // the embedded player brings its video to the front

    h264Screen.setRect({0, kHeight / 8.0, double(kWidth), 0.65 * kHeight});
    ASSERT_TRUE(waitFor([&] {
        return near(grabScreen(regionOnScreen()).pixelColor(kPlace.width() / 2, 100), green, 8);
    })) << "the embedded player's video stayed in front";
    saveScreenshot("video-external-region-in-front.png");

    const QPoint middle = regionOnScreen().center();
    ASSERT_TRUE(xdotool("mousemove " + std::to_string(middle.x()) + " " +
                        std::to_string(middle.y()) + " click 1"));
    const std::pair<const char*, int> keys[] = {{"Escape", 27}, {"f", 'f'}, {"shift+f", 'F'},
                                                {"r", 'r'},     {"p", 'p'}, {"s", 's'},
                                                {"space", ' '}};
    for (const auto& [key, code] : keys) {
        typed.clear();
        ASSERT_TRUE(xdotool(std::string("key ") + key));
        EXPECT_TRUE(waitFor([&] { return !typed.empty(); })) << key << " never arrived";
        EXPECT_EQ(typed, std::vector<int>{code}) << key;
    }
}

TEST_F(VideoRegionTest, HiddenAndMovedWithThePlayersRectangle) {
    player_->setVisible(false);
    EXPECT_FALSE(region_->isVisible());
    player_->setVisible(true);
    EXPECT_TRUE(region_->isVisible());
    player_->setRect({10.4, 20.6, 300, 200});
    EXPECT_EQ(region_->geometry(), QRect(10, 21, 300, 200));
    // Nothing to show: full screen is refused and the region stays where it is.
    player_->setFullScreen(true);
    EXPECT_FALSE(player_->fullScreen());
    EXPECT_EQ(region_->geometry(), QRect(10, 21, 300, 200));
}

}  // namespace
}  // namespace zov::test

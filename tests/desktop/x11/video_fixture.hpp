#pragma once
// A main window on a real (Xvfb) display with the desktop's media player in it: a stand-in
// for the skin filling the window in a colour of its own, with a text field that holds the
// keyboard focus as the skin's page does, and a sample of colour bars to play. What is on
// screen is read back from the screen itself (a widget grab would not contain the video).
// libmpv works in real time: waits are runUntil with a watchdog.

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QRect>
#include <QWidget>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/clock.hpp"
#include "platform/posix_file_system.hpp"
#include "ui/change_sink.hpp"
#include "ui/desktop/qt_event_loop.hpp"
#include "ui/media_player_control.hpp"

class QLineEdit;

namespace zov::ui::desktop {
class VideoRegion;
}

namespace zov::test {

inline constexpr auto kScreenPatience = std::chrono::seconds(30);

class VideoFixture : public ::testing::Test {
  protected:
    static constexpr int kWidth = 640;
    static constexpr int kHeight = 480;
    static inline const QColor kSkinColour{255, 128, 0};

    // The colour bars, made once for the suite by ffmpeg.
    static void SetUpTestSuite();
    static void TearDownTestSuite();

    void SetUp() override;
    void TearDown() override;

    // Plays the bars and waits until the region shows them.
    void playBars();
    // The region's rectangle on the screen.
    QRect regionOnScreen() const;
    // What the screen shows there now.
    static QImage grabScreen(const QRect& rect);
    // Whether `image` shows the top row of the bars, stretched to `picture` (in the image's
    // coordinates) with the movie's shape kept.
    static bool showsBars(const QImage& image, const QRect& picture);
    // The part of `area` the 4:3 movie fills, centred.
    static QRect pictureIn(const QRect& area);
    // Saves what the screen shows of the main window under build/screenshots/.
    void saveScreenshot(const std::string& name) const;
    // Runs xdotool on this display; false when it failed.
    static bool xdotool(const std::string& arguments);
    bool waitFor(const std::function<bool()>& condition);

    static std::filesystem::path* folder_;
    platform::ManualClock clock_;
    ui::desktop::QtEventLoop loop_{clock_};
    platform::PosixFileSystem files_{platform::DriveMap::fromSystem(), "/"};
    std::unique_ptr<QWidget> mainWindow_;
    QLineEdit* focusHolder_ = nullptr;
    std::shared_ptr<ui::MediaPlayerControl> player_;
    ui::desktop::VideoRegion* region_ = nullptr;
    // The latest value of each property the player reported.
    std::map<std::string, std::string> reported_;
};

// Within `tolerance` on each channel.
bool near(const QColor& seen, const QColor& expected, int tolerance = 40);

}  // namespace zov::test

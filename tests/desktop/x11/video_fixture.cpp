#include "desktop/x11/video_fixture.hpp"

#include <unistd.h>

#include <QApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPalette>
#include <QScreen>
#include <array>
#include <cstdlib>

#include "ui/desktop/desktop_media_player.hpp"
#include "ui/desktop/video_region.hpp"

namespace zov::test {

namespace fs = std::filesystem;

fs::path* VideoFixture::folder_ = nullptr;

namespace {

// ffmpeg's bars: seven of 46 pixels across the top two thirds of a 320x240 picture.
constexpr int kMovieWidth = 320;
constexpr int kMovieHeight = 240;
constexpr int kBarWidth = 46;
const std::array<QColor, 7> kTopBars = {
    QColor(191, 191, 191), QColor(191, 191, 0), QColor(0, 191, 191), QColor(0, 191, 0),
    QColor(191, 0, 191),   QColor(191, 0, 0),   QColor(0, 0, 191)};

}  // namespace

bool near(const QColor& seen, const QColor& expected, int tolerance) {
    return std::abs(seen.red() - expected.red()) <= tolerance &&
           std::abs(seen.green() - expected.green()) <= tolerance &&
           std::abs(seen.blue() - expected.blue()) <= tolerance;
}

void VideoFixture::SetUpTestSuite() {
    folder_ =
        new fs::path(fs::temp_directory_path() / ("zov-video-test-" + std::to_string(::getpid())));
    fs::create_directories(*folder_);
    // Long enough never to end while a test looks at it.
    const std::string command =
        "ffmpeg -nostdin -loglevel error -y -f lavfi -i smptebars=duration=60:size=" +
        std::to_string(kMovieWidth) + "x" + std::to_string(kMovieHeight) +
        ":rate=10 -c:v mpeg4 -q:v 2 '" + (*folder_ / "bars.mp4").string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << "ffmpeg is needed: scripts/setup installs it";
}

void VideoFixture::TearDownTestSuite() {
    fs::remove_all(*folder_);
    delete folder_;
    folder_ = nullptr;
}

void VideoFixture::SetUp() {
    ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "these tests need an X display (Xvfb)";
    mainWindow_ = std::make_unique<QWidget>();
    mainWindow_->setWindowTitle("ZOV Player");
    mainWindow_->setGeometry(0, 0, kWidth, kHeight);
    auto* skin = new QWidget(mainWindow_.get());
    skin->setGeometry(0, 0, kWidth, kHeight);
    QPalette palette = skin->palette();
    palette.setColor(QPalette::Window, kSkinColour);
    skin->setPalette(palette);
    skin->setAutoFillBackground(true);
    focusHolder_ = new QLineEdit(skin);
    focusHolder_->setGeometry(10, 10, 100, 24);

    auto sink = std::make_shared<ui::ChangeSink>(
        [this](const std::string&, const std::string&, const std::string& property,
               const std::string& value) { reported_[property] = value; });
    player_ = ui::desktop::makeMediaPlayer(
        mainWindow_.get(), ui::ControlName{"mainPlayer", "wmpPlayer", sink}, loop_, files_);
    region_ = mainWindow_->findChild<ui::desktop::VideoRegion*>();
    ASSERT_NE(region_, nullptr);
    player_->setRect({0, kHeight / 8.0, double(kWidth), 0.65 * kHeight});

    mainWindow_->show();
    mainWindow_->activateWindow();
    focusHolder_->setFocus();
    ASSERT_TRUE(waitFor([&] { return mainWindow_->isActiveWindow() && focusHolder_->hasFocus(); }));
}

void VideoFixture::TearDown() {
    player_.reset();
    mainWindow_.reset();
    loop_.processPending();
}

void VideoFixture::playBars() {
    player_->setURL(files_.windowsPath((*folder_ / "bars.mp4").string()));
    ASSERT_TRUE(waitFor([&] { return player_->playState() == ui::wmppsPlaying; }));
    ASSERT_TRUE(waitFor([&] {
        return showsBars(grabScreen(regionOnScreen()),
                         pictureIn(QRect(QPoint(0, 0), regionOnScreen().size())));
    })) << "the bars never showed in the region";
}

QRect VideoFixture::regionOnScreen() const {
    return QRect(region_->mapToGlobal(QPoint(0, 0)), region_->size());
}

QImage VideoFixture::grabScreen(const QRect& rect) {
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, rect.x(), rect.y(), rect.width(), rect.height())
        .toImage();
}

QRect VideoFixture::pictureIn(const QRect& area) {
    const double scale =
        std::min(double(area.width()) / kMovieWidth, double(area.height()) / kMovieHeight);
    const QSize size(int(kMovieWidth * scale), int(kMovieHeight * scale));
    return QRect(area.x() + (area.width() - size.width()) / 2,
                 area.y() + (area.height() - size.height()) / 2, size.width(), size.height());
}

bool VideoFixture::showsBars(const QImage& image, const QRect& picture) {
    const double scale = double(picture.width()) / kMovieWidth;
    const int y = picture.y() + int(picture.height() / 3.0);
    for (std::size_t bar = 0; bar < kTopBars.size(); ++bar) {
        const int x = picture.x() + int((kBarWidth * double(bar) + kBarWidth / 2.0) * scale);
        if (x >= image.width() || y >= image.height()) return false;
        if (!near(image.pixelColor(x, y), kTopBars[bar])) return false;
    }
    return true;
}

void VideoFixture::saveScreenshot(const std::string& name) const {
    const fs::path folder = fs::path(ZOV_TEST_BIN_DIR).parent_path() / "screenshots";
    fs::create_directories(folder);
    const QRect window(mainWindow_->mapToGlobal(QPoint(0, 0)), mainWindow_->size());
    EXPECT_TRUE(grabScreen(window).save(QString::fromStdString((folder / name).string())));
}

bool VideoFixture::xdotool(const std::string& arguments) {
    return std::system(("xdotool " + arguments).c_str()) == 0;
}

bool VideoFixture::waitFor(const std::function<bool()>& condition) {
    return loop_.runUntil(condition, kScreenPatience);
}

}  // namespace zov::test

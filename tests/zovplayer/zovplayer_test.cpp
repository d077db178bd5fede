// The real external player: against the service's live channel on a loopback port, drawing
// into an X11 window made here, with this test as the main window that it reports to and
// steers it. Runs on an X display of its own (own_display.cpp).

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "http_server.hpp"
#include "platform/clock.hpp"
#include "platform/poll_loop.hpp"
#include "platform/unix_window_messages.hpp"
#include "service_pages.hpp"
#include "support/no_lookups.hpp"

// Last: Xlib's macros (None, Status, Bool) would clash with the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

extern char** environ;

namespace zov::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The video region handed to the player: a plain X11 window of the region's own colour
// (red 1, green 2, blue 1), which the test can look into.
class RegionWindow {
  public:
    static constexpr int kWidth = 320, kHeight = 240;

    RegionWindow() {
        if (!display()) return;
        window_ = XCreateSimpleWindow(display(), DefaultRootWindow(display()), 0, 0, kWidth,
                                      kHeight, 0, 0, 0x010201);
        XMapWindow(display(), window_);
        XSync(display(), False);
    }
    ~RegionWindow() {
        if (!window_) return;
        XDestroyWindow(display(), window_);
        XSync(display(), False);
    }
    std::int64_t handle() const { return static_cast<std::int64_t>(window_); }

    // ffmpeg's colour bars at the movie's own size: the seven top bars, 46 pixels each,
    // across the top two thirds of the window.
    bool showsBars() const {
        static constexpr std::array<unsigned long, 7> bars = {
            0xbfbfbf, 0xbfbf00, 0x00bfbf, 0x00bf00, 0xbf00bf, 0xbf0000, 0x0000bf};
        XImage* image =
            window_ ? XGetImage(display(), window_, 0, 0, kWidth, kHeight, AllPlanes, ZPixmap)
                    : nullptr;
        if (!image) return false;
        bool shown = true;
        for (std::size_t bar = 0; bar < bars.size(); ++bar) {
            const unsigned long seen = XGetPixel(image, 46 * int(bar) + 23, kHeight / 3);
            for (int shift : {0, 8, 16})
                shown = shown && std::abs(int((seen >> shift) & 255) -
                                          int((bars[bar] >> shift) & 255)) <= 40;
        }
        XDestroyImage(image);
        return shown;
    }

  private:
    // One connection for the whole run, never closed: an X server whose last client
    // leaves resets, and turns away whoever connects meanwhile.
    static Display* display() {
        static Display* shared = XOpenDisplay(nullptr);
        return shared;
    }
    Window window_ = 0;
};

// The real zovplayer1.exe, its error output the test's; killed if it still runs at the end.
class PlayerProcess {
  public:
    explicit PlayerProcess(std::vector<std::string> arguments) {
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0) pid_ = -1;
    }
    ~PlayerProcess() {
        if (pid_ <= 0 || status_) return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    PlayerProcess(const PlayerProcess&) = delete;
    PlayerProcess& operator=(const PlayerProcess&) = delete;

    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }
    // Waits for the end; the exit status (-1 for a signal).
    int exitStatus() {
        if (!status_) {
            int raw = 0;
            ::waitpid(pid_, &raw, 0);
            status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        }
        return *status_;
    }

  private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

constexpr platform::MessageTarget kMainWindow = 7001;
constexpr std::uint32_t kControlWindow = 0x464, kStarted = 0x52c, kPosition = 0x536, kEnded = 0x4c8;
constexpr std::uint32_t kSeek = 0x404, kForward = 0x405, kRewind = 0x406, kPlayPause = 0x407;
constexpr int kSeconds = 20;

fs::path makeFolder() {
    std::string pattern = (fs::temp_directory_path() / "zov-player-XXXXXX").string();
    EXPECT_TRUE(::mkdtemp(pattern.data()));
    return pattern;
}

class RealPlayer : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string make =
            "ffmpeg -nostdin -hide_banner -loglevel error -f lavfi -i "
            "smptebars=size=320x240:rate=25 -t " +
            std::to_string(kSeconds) +
            " -c:v libx264 -preset ultrafast -pix_fmt yuv420p -g 25 -movflags +faststart " +
            (folder / "Bars.mp4").string();
        ASSERT_EQ(std::system(make.c_str()), 0) << "ffmpeg is missing (scripts/setup installs it)";
        // The player finds the main window's endpoint where the client keeps it.
        ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
        // In the sanitizer build the player's leaks go unchecked (this test's own are still
        // checked: the option is read at a program's start): libmpv's GPU output leaves
        // blocks of Mesa's, unloaded by then, that cannot be told from the player's.
        ::setenv("LSAN_OPTIONS", "detect_leaks=0", 1);
        messages.emplace(loop, platform::UnixWindowMessages::defaultFolder());
        messages->listen(kMainWindow, [this](const platform::WindowMessage& m) {
            received.push_back(m);
            if (m.message == kControlWindow) control = m.wParam;
        });
        web.emplace(loop, resolver,
                    [this](const service::HttpRequest& r) { return pages.answer(r); });
        web->start();
        pages.setWebAddress("http://127.0.0.1:" + std::to_string(web->port()));
        ASSERT_NE(region.handle(), 0) << "no window on the display";
    }
    void TearDown() override {
        player.reset();
        web.reset();
        messages.reset();
        fs::remove_all(folder);
    }

    void start(std::vector<std::string> fields) {
        fields.insert(fields.begin(),
                      {std::string(ZOV_TEST_BIN_DIR) + "/zovplayer1.exe",
                       std::to_string(region.handle()), std::to_string(kMainWindow),
                       "xms://127.0.0.1:" + std::to_string(web->port()) + "/live.mp4"});
        player.emplace(std::move(fields));
    }
    bool waitFor(const std::function<bool()>& condition) { return loop.runUntil(condition, 30s); }
    bool got(std::uint32_t message, std::optional<std::int64_t> wParam = {}, std::size_t from = 0) {
        for (std::size_t i = from; i < received.size(); ++i)
            if (received[i].message == message && (!wParam || received[i].wParam == *wParam))
                return true;
        return false;
    }
    // Waits for a position report of exactly `seconds` after the received one at `from`.
    bool reaches(std::int64_t seconds, std::size_t from) {
        return waitFor([&] { return got(kPosition, seconds, from); });
    }
    void command(std::uint32_t message, std::int64_t wParam = 0) {
        ASSERT_TRUE(messages->post(*control, message, wParam, 0));
    }

    platform::MonotonicClock clock;
    platform::PollLoop loop{clock};
    NoLookups resolver;
    fs::path folder = makeFolder();
    RegionWindow region;
    std::optional<platform::UnixWindowMessages> messages;
    service::ServicePages pages{service::MovieFolder(folder), "1.0", "http://127.0.0.1/"};
    std::optional<service::HttpServer> web;
    std::vector<platform::WindowMessage> received;
    std::optional<std::int64_t> control;
    std::optional<PlayerProcess> player;
};

TEST_F(RealPlayer, DrawsIntoTheRegionFromTheGivenPositionReportsAndObeysEveryCommand) {
    start({"12"});
    ASSERT_TRUE(player->started());
    ASSERT_TRUE(waitFor([&] { return got(kStarted); }));
    // Its control window lies above every handle the client gives out.
    ASSERT_TRUE(control);
    EXPECT_GE(*control, std::int64_t{1} << 32);
    EXPECT_EQ(received.front().message, kControlWindow);
    EXPECT_TRUE(got(kStarted, kSeconds));
    const auto first = std::find_if(received.begin(), received.end(),
                                    [](const auto& m) { return m.message == kPosition; });
    ASSERT_NE(first, received.end());
    EXPECT_EQ(first->wParam, 12);
    ASSERT_TRUE(reaches(13, 0)) << "the position does not advance";
    ASSERT_TRUE(waitFor([&] { return region.showsBars(); })) << "no picture in the region";

    // Paused, every jump lands exactly: a seek, 10 s on, 10 s back (not before the start),
    // and the position moves no further.
    command(kPlayPause);
    command(kSeek, 3);
    ASSERT_TRUE(reaches(3, 0));
    std::size_t mark = received.size();
    const std::size_t paused = mark;
    for (const auto& [message, lands] :
         {std::pair<std::uint32_t, std::int64_t>{kForward, 13}, {kRewind, 3}, {kRewind, 0}}) {
        command(message);
        ASSERT_TRUE(reaches(lands, mark));
        mark = received.size();
    }
    for (std::size_t i = paused; i < received.size(); ++i)
        EXPECT_TRUE(received[i].wParam == 13 || received[i].wParam == 3 || received[i].wParam == 0)
            << "moved on to " << received[i].wParam << " while paused";

    // Played on, it goes forward again, and at the end it says so and leaves.
    command(kPlayPause);
    ASSERT_TRUE(reaches(1, mark));
    command(kSeek, kSeconds - 1);
    ASSERT_TRUE(waitFor([&] { return got(kEnded); }));
    EXPECT_EQ(player->exitStatus(), 0);
    EXPECT_EQ(received.back().message, kEnded);
    EXPECT_FALSE(fs::exists(folder / "zov" / std::to_string(*control)));
}

TEST_F(RealPlayer, EndsQuietlyWhenTerminated) {
    start({});
    ASSERT_TRUE(waitFor([&] { return got(kStarted); }));
    ::kill(player->pid(), SIGTERM);
    EXPECT_EQ(player->exitStatus(), 0);
    loop.processPending();
    EXPECT_FALSE(got(kEnded)) << "whoever ends the player knows it has ended";
    EXPECT_FALSE(fs::exists(folder / "zov" / std::to_string(*control)));
}

}  // namespace
}  // namespace zov::test

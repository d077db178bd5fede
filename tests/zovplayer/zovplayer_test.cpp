// The real external player against the service's live channel on a loopback port, drawing
// into an X11 window made here, with this test as the main window that it reports to and
// steers. CTest runs it under xvfb-run, on a display of its own.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

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

extern char** environ;

namespace zov::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr platform::MessageTarget kMainWindow = 7001;
constexpr std::uint32_t kControlWindow = 0x464, kStarted = 0x52c, kPosition = 0x536, kEnded = 0x4c8;
constexpr std::uint32_t kSeek = 0x404, kForward = 0x405, kRewind = 0x406, kPlayPause = 0x407;
constexpr int kSeconds = 20;

// The region the player draws into. The display stays open for the whole run: an X server
// whose last client leaves resets and turns away whoever connects meanwhile.
Window regionWindow() {
    static Display* display = XOpenDisplay(nullptr);
    if (!display) return 0;
    const Window window =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 320, 240, 0, 0, 0x010201);
    XMapWindow(display, window);
    XSync(display, False);
    return window;
}

class RealPlayer : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string make =
            "ffmpeg -nostdin -loglevel error -f lavfi -i "
            "smptebars=size=320x240:rate=25 -t " +
            std::to_string(kSeconds) +
            " -c:v libx264 -preset ultrafast -pix_fmt yuv420p -g 25 "
            "-movflags +faststart " +
            (folder / "Bars.mp4").string();
        ASSERT_EQ(std::system(make.c_str()), 0) << "ffmpeg is missing (scripts/setup installs it)";
        ASSERT_NE(region, 0u) << "no X display";
        // The player finds the main window's endpoint where the client keeps it. Its own
        // leaks go unchecked in the sanitizer build: libmpv's GPU output leaves Mesa blocks.
        ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
        ::setenv("LSAN_OPTIONS", "detect_leaks=0", 1);
        messages.emplace(loop, platform::UnixWindowMessages::defaultFolder());
        messages->listen(kMainWindow, [this](const platform::WindowMessage& m) {
            received.push_back(m);
            if (m.message == kControlWindow) control = m.wParam;
        });
        web.emplace(loop, resolver,
                    [this](const service::HttpRequest& r) { return pages.answer(r); });
        web->start();
    }
    void TearDown() override {
        if (pid > 0 && !exited) ::kill(pid, SIGKILL), exitStatus();
        messages.reset();
        fs::remove_all(folder);
    }

    void start(const char* startSecond = nullptr) {
        std::vector<std::string> fields = {
            std::string(ZOV_TEST_BIN_DIR) + "/zovplayer1.exe", std::to_string(region),
            std::to_string(kMainWindow),
            "xms://127.0.0.1:" + std::to_string(web->port()) + "/live.mp4"};
        if (startSecond) fields.push_back(startSecond);
        std::vector<char*> argv;
        for (std::string& field : fields)
            argv.push_back(field.data());
        argv.push_back(nullptr);
        ASSERT_EQ(posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ), 0);
        ASSERT_TRUE(waitFor([&] { return got(kStarted); }));
        ASSERT_TRUE(control);
    }
    int exitStatus() {
        int raw = 0;
        ::waitpid(pid, &raw, 0);
        exited = true;
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    bool waitFor(const std::function<bool()>& condition) { return loop.runUntil(condition, 30s); }
    bool got(std::uint32_t message, std::optional<std::int64_t> wParam = {}, std::size_t from = 0) {
        for (std::size_t i = from; i < received.size(); ++i)
            if (received[i].message == message && (!wParam || received[i].wParam == *wParam))
                return true;
        return false;
    }
    // Sends `message` and waits for a position report of exactly `seconds` after it.
    void lands(std::uint32_t message, std::int64_t wParam, std::int64_t seconds) {
        const std::size_t mark = received.size();
        ASSERT_TRUE(messages->post(*control, message, wParam, 0));
        ASSERT_TRUE(waitFor([&] { return got(kPosition, seconds, mark); }))
            << "command " << message << " did not land at " << seconds;
    }

    platform::MonotonicClock clock;
    platform::PollLoop loop{clock};
    NoLookups resolver;
    fs::path folder = [] {
        std::string pattern = (fs::temp_directory_path() / "zov-player-XXXXXX").string();
        return fs::path(::mkdtemp(pattern.data()));
    }();
    Window region = regionWindow();
    std::optional<platform::UnixWindowMessages> messages;
    service::ServicePages pages{service::MovieFolder(folder), "1.0", "http://127.0.0.1/"};
    std::optional<service::HttpServer> web;
    std::vector<platform::WindowMessage> received;
    std::optional<std::int64_t> control;
    pid_t pid = -1;
    bool exited = false;
};

TEST_F(RealPlayer, StartsWhereToldReportsEverySecondObeysEveryCommandAndSaysWhenItEnds) {
    start("12");
    // Its control window lies above every handle the client gives out.
    EXPECT_GE(*control, std::int64_t{1} << 32);
    EXPECT_EQ(received.front().message, kControlWindow);
    EXPECT_TRUE(got(kStarted, kSeconds));
    ASSERT_TRUE(waitFor([&] { return got(kPosition, 13); })) << "the position does not advance";

    // Paused, every jump lands exactly: a seek, 10 s on, 10 s back (not before the start).
    ASSERT_TRUE(messages->post(*control, kPlayPause, 0, 0));
    lands(kSeek, 3, 3);
    const std::size_t paused = received.size();
    lands(kForward, 0, 13);
    lands(kRewind, 0, 3);
    lands(kRewind, 0, 0);
    for (std::size_t i = paused; i < received.size(); ++i)
        EXPECT_TRUE(received[i].wParam == 13 || received[i].wParam == 3 || received[i].wParam == 0)
            << "moved on to " << received[i].wParam << " while paused";

    // Played on, it goes forward again, and at the end it says so and leaves.
    const std::size_t resumed = received.size();
    ASSERT_TRUE(messages->post(*control, kPlayPause, 0, 0));
    ASSERT_TRUE(waitFor([&] { return got(kPosition, 1, resumed); }));
    ASSERT_TRUE(messages->post(*control, kSeek, kSeconds - 1, 0));
    ASSERT_TRUE(waitFor([&] { return got(kEnded); }));
    EXPECT_EQ(exitStatus(), 0);
    EXPECT_EQ(received.back().message, kEnded);
    EXPECT_FALSE(fs::exists(folder / "zov" / std::to_string(*control)));
}

TEST_F(RealPlayer, EndsQuietlyWhenTerminated) {
    start();
    ::kill(pid, SIGTERM);
    EXPECT_EQ(exitStatus(), 0);
    loop.processPending();
    EXPECT_FALSE(got(kEnded)) << "whoever ends the player knows it has ended";
    EXPECT_FALSE(fs::exists(folder / "zov" / std::to_string(*control)));
}

}  // namespace
}  // namespace zov::test

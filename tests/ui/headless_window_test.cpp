#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <set>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.hpp"
#include "platform/error.hpp"
#include "platform/memory_file_system.hpp"
#include "platform/poll_loop.hpp"
#include "support/manual_time.hpp"
#include "ui/headless/headless_button.hpp"
#include "ui/headless/headless_label.hpp"
#include "ui/headless/headless_picture_box.hpp"
#include "ui/headless/headless_ui_factory.hpp"

namespace zov::test {
namespace {

using namespace std::chrono_literals;
using ui::ShowMode;
using ui::headless::HeadlessUiFactory;
using ui::headless::HeadlessWindow;

// A modal show runs the loop until the window is hidden; if that never happens, this
// guard hides the windows from another thread's post after 10 s of real time, so a broken
// modal loop fails the test instead of hanging it.
struct HangGuard {
    HangGuard(platform::EventLoop& loop, std::vector<std::shared_ptr<HeadlessWindow>> windows)
        : thread_([this, &loop, windows](std::stop_token stop) {
              std::unique_lock lock(mutex_);
              if (done_.wait_for(lock, stop, 10s, [] { return false; }) || stop.stop_requested())
                  return;
              rescue_ = [this, &loop, windows] {
                  expired = true;
                  for (const auto& window : windows)
                      window->hide();
                  loop.quit();
                  loop.post(rescue_);  // again for each nested level still running
              };
              loop.post(rescue_);
          }) {}
    bool expired = false;

  private:
    std::mutex mutex_;
    std::condition_variable_any done_;
    std::function<void()> rescue_;
    std::jthread thread_;  // last: stopped and joined first
};

struct HeadlessWindowTest : ::testing::Test {
    platform::ManualClock clock;
    platform::PollLoop loop{clock};
    platform::MemoryFileSystem files;
    HeadlessUiFactory factory{loop, files};

    std::vector<std::shared_ptr<ui::Window>> held;  // as the system holds its windows

    std::shared_ptr<HeadlessWindow> makeWindow(const std::string& name) {
        held.push_back(factory.createWindow(name));
        return factory.window(name);
    }
};

TEST_F(HeadlessWindowTest, ModalShowReturnsOnlyAfterHideWhileTimersAndPostsKeepRunning) {
    auto question = makeWindow("yesNoPopup");
    HangGuard guard(loop, {question});
    std::vector<std::string> steps;
    int ticks = 0;
    loop.setTimer(1, 1000, [&] {
        ++ticks;
        if (ticks == 3) {
            steps.push_back("answered");
            question->hide();
        }
    });
    loop.post([&] { steps.push_back("posted while up"); });
    // Inside the modal loop, the clock moves on; each step fires the timer once.
    loop.post([&] {
        for (int i = 0; i < 3; ++i)
            advanceTime(loop, clock, 1000);
    });

    question->show(ShowMode::Modal);
    steps.push_back("show returned");

    EXPECT_FALSE(guard.expired);
    EXPECT_FALSE(question->visible());
    EXPECT_FALSE(question->shownModally());
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(steps, (std::vector<std::string>{"posted while up", "answered", "show returned"}));
}

TEST_F(HeadlessWindowTest, AnOuterModalWindowHiddenUnderAnInnerOneReturnsAfterTheInnerCloses) {
    auto outer = makeWindow("outer");
    auto inner = makeWindow("inner");
    HangGuard guard(loop, {outer, inner});
    std::vector<std::string> steps;

    loop.post([&] {
        loop.post([&] {
            outer->hide();  // while the inner one is still up
            steps.push_back("outer hidden");
            loop.post([&] {
                steps.push_back("inner hidden");
                inner->hide();
            });
        });
        inner->show(ShowMode::Modal);
        steps.push_back("inner returned");
    });
    outer->show(ShowMode::Modal);
    steps.push_back("outer returned");

    EXPECT_FALSE(guard.expired);
    EXPECT_EQ(steps, (std::vector<std::string>{"outer hidden", "inner hidden", "inner returned",
                                               "outer returned"}));

    // A window already shown modally cannot be shown modally again.
    loop.post([&] {
        EXPECT_THROW(outer->show(ShowMode::Modal), Error);
        outer->hide();
    });
    outer->show(ShowMode::Modal);
    EXPECT_FALSE(guard.expired);
}

TEST_F(HeadlessWindowTest, FactoryFilesWhatItMakesWithItsOwnHandlesAndReportsWhatIsSeen) {
    std::vector<std::string> changes;
    factory.onChange([&](const std::string& window, const std::string& control,
                         const std::string& property, const std::string& value) {
        changes.push_back(window + "." + control + "." + property + "=" + value);
    });
    auto guide = factory.createWindow("movieGuide");
    auto main = factory.createWindow("mainPlayer");
    auto download = factory.createButton(*guide, "MLdownload");
    auto screen = factory.createPictureBox(*main, "h264Screen");
    auto status = factory.createLabel(*guide, "second_line_status");
    EXPECT_EQ(factory.button("movieGuide", "MLdownload"), download);
    EXPECT_EQ(factory.label("movieGuide", "MLdownload"), nullptr);  // not a label

    // Handles are non-zero and unique across windows and picture boxes.
    std::set<ui::WindowHandle> handles{0, guide->windowHandle(), main->windowHandle(),
                                       screen->windowHandle()};
    EXPECT_EQ(handles.size(), 4u);

    // Opacity is 0-255; another value is refused and changes nothing.
    EXPECT_TRUE(guide->setOpacity(255));
    EXPECT_FALSE(guide->setOpacity(256));
    EXPECT_FALSE(guide->setOpacity(-1));
    EXPECT_EQ(factory.window("movieGuide")->opacity(), 255);

    guide->show();
    status->setCaption("Download");
    download->setVisible(false);
    EXPECT_EQ(changes, (std::vector<std::string>{"movieGuide..visible=true",
                                                 "movieGuide.second_line_status.caption=Download",
                                                 "movieGuide.MLdownload.visible=false"}));
    // A hidden button cannot be clicked.
    int clicks = 0;
    download->Click.connect([&] { ++clicks; });
    EXPECT_FALSE(factory.button("movieGuide", "MLdownload")->click());
    download->setVisible(true);
    EXPECT_TRUE(factory.button("movieGuide", "MLdownload")->click());
    EXPECT_EQ(clicks, 1);

    // Made again under the same name, the new one is found; one let go is not kept alive.
    status = factory.createLabel(*guide, "second_line_status");
    EXPECT_EQ(factory.label("movieGuide", "second_line_status"), status);
    status.reset();
    EXPECT_EQ(factory.label("movieGuide", "second_line_status"), nullptr);
    EXPECT_EQ(factory.flashMovie("movieGuide", "MLdownload"), nullptr);
}

TEST_F(HeadlessWindowTest, IntervalTimerTicksOnTheClockOnlyWhileEnabledWithAnInterval) {
    auto timer = factory.createTimer(*makeWindow("movieGuide"), "statustextimer");
    int ticks = 0;
    timer->Timer.connect([&] { ++ticks; });
    advanceTime(loop, clock, 10000);  // interval 0: off
    timer->setInterval(6000);
    advanceTime(loop, clock, 5000);
    timer->setInterval(10000);  // counts afresh
    advanceTime(loop, clock, 9999);
    EXPECT_EQ(ticks, 0);
    advanceTime(loop, clock, 1);
    timer->setEnabled(false);
    advanceTime(loop, clock, 30000);
    EXPECT_EQ(ticks, 1);
    timer.reset();  // gone: no tick reaches it
    EXPECT_FALSE(loop.nextTimerDue().has_value());
}

}  // namespace
}  // namespace zov::test

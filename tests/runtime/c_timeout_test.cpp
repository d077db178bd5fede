#include "runtime/c_timeout.hpp"

#include <gtest/gtest.h>

#include "platform/clock.hpp"
#include "platform/poll_loop.hpp"
#include "support/manual_time.hpp"

using namespace zov;
using runtime::CTimeout;

namespace {

// Re-arming on every reply and firing after its interval, the download and log-on time-outs
// show; here what they never meet.
struct TimerTest : ::testing::Test {
    platform::ManualClock clock;
    platform::PollLoop loop{clock};
    void advanceSeconds(double seconds) {
        test::advanceTime(loop, clock, static_cast<std::int64_t>(seconds * 1000));
    }
    std::shared_ptr<CTimeout> counting(int seconds, int& count) {
        auto timer = CTimeout::create(loop, seconds);
        timer->TimeOut.connect([&count] { ++count; });
        return timer;
    }
};

}  // namespace

TEST_F(TimerTest, AHandlerMayStopOrReleaseItsTimerAndADestroyedTimerLeavesTheLoop) {
    int once = 0, kept = 0;
    auto oneShot = CTimeout::create(loop, 1);
    oneShot->TimeOut.connect([&] {
        ++once;
        oneShot->StopTimer();
    });
    auto timer = CTimeout::create(loop, 1);
    std::weak_ptr<CTimeout> watch = timer;
    timer->TimeOut.connect([&] {
        timer.reset();  // the owner lets go of the last reference
        EXPECT_FALSE(watch.expired());
    });
    auto keep = counting(1, kept);
    for (auto* t : {&oneShot, &timer, &keep})
        (*t)->StartTimer();
    const auto releasedIdentifier = timer->timerIdentifier();
    advanceSeconds(1);
    EXPECT_TRUE(watch.expired());
    EXPECT_FALSE(loop.hasTimer(releasedIdentifier));
    advanceSeconds(4);
    EXPECT_EQ(once, 1);
    EXPECT_EQ(kept, 5);
    oneShot->TimeOut.disconnect();
}

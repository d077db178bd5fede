#include "runtime/c_timeout.hpp"

#include <gtest/gtest.h>

#include "platform/clock.hpp"
#include "platform/poll_loop.hpp"
#include "support/manual_time.hpp"

using namespace zov;
using runtime::CTimeout;

// Re-arming on every reply and firing after its interval, the download and log-on time-outs
// show; here what they never meet.
TEST(CTimeoutTest, AHandlerMayStopOrReleaseItsTimerAndADestroyedTimerLeavesTheLoop) {
    platform::ManualClock clock;
    platform::PollLoop loop{clock};
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
    auto keep = CTimeout::create(loop, 1);
    keep->TimeOut.connect([&] { ++kept; });
    for (auto* t : {&oneShot, &timer, &keep})
        (*t)->StartTimer();
    const auto releasedIdentifier = timer->timerIdentifier();
    test::advanceTime(loop, clock, 1000);
    EXPECT_TRUE(watch.expired());
    EXPECT_FALSE(loop.hasTimer(releasedIdentifier));
    test::advanceTime(loop, clock, 4000);
    EXPECT_EQ(once, 1);
    EXPECT_EQ(kept, 5);
    oneShot->TimeOut.disconnect();
}

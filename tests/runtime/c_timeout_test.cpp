#include "runtime/c_timeout.hpp"

#include <gtest/gtest.h>

#include "platform/clock.hpp"
#include "platform/error.hpp"
#include "platform/poll_loop.hpp"
#include "support/manual_time.hpp"

using namespace zov;
using runtime::CTimeout;

namespace {

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

TEST_F(TimerTest, FiresEveryIntervalUntilStoppedAndRestartsWithTheSameIdentifier) {
    int fired = 0;
    auto timer = counting(2, fired);
    timer->StartTimer();
    const auto identifier = timer->timerIdentifier();
    advanceSeconds(6.5);
    EXPECT_EQ(fired, 3);
    timer->StopTimer();
    timer->StopTimer();  // twice is harmless
    advanceSeconds(10);
    EXPECT_EQ(fired, 3);
    timer->StartTimer();
    EXPECT_EQ(timer->timerIdentifier(), identifier);
    advanceSeconds(2);
    EXPECT_EQ(fired, 4);
}

TEST_F(TimerTest, ZeroOrNegativeIntervalNeverStartsAndNeverFires) {
    int fired = 0;
    auto zero = counting(0, fired);
    auto negative = counting(-5, fired);
    zero->StartTimer();
    negative->StartTimer();
    zero->StopTimer();  // stopping a never-started timer does nothing
    advanceSeconds(100);
    EXPECT_EQ(fired, 0);
    EXPECT_EQ(zero->timerIdentifier(), 0u);
}

TEST_F(TimerTest, StartOnARunningTimerRestartsItsCountdownInsteadOfAddingASecond) {
    int fired = 0;
    auto timer = counting(3, fired);
    timer->StartTimer();
    advanceSeconds(2);
    timer->StartTimer();
    advanceSeconds(2);
    EXPECT_EQ(fired, 0);
    advanceSeconds(1);
    EXPECT_EQ(fired, 1);
    advanceSeconds(3);
    EXPECT_EQ(fired, 2);
}

TEST_F(TimerTest, ResetRearmsAStoppedTimerForTheFullCurrentInterval) {
    int fired = 0;
    auto timer = counting(5, fired);
    timer->StartTimer();
    timer->StopTimer();
    timer->setTimeOutValue(4);  // a stopped or running timer keeps its old interval...
    advanceSeconds(10);
    EXPECT_EQ(fired, 0);
    timer->Reset();  // ...until Reset picks up the new one
    advanceSeconds(3.9);
    EXPECT_EQ(fired, 0);
    advanceSeconds(0.1);
    EXPECT_EQ(fired, 1);
}

TEST_F(TimerTest, ChangingTheIntervalOfARunningTimerWaitsForTheNextStart) {
    int fired = 0;
    auto timer = counting(10, fired);
    timer->StartTimer();
    timer->setTimeOutValue(1);
    advanceSeconds(9);
    EXPECT_EQ(fired, 0);
    advanceSeconds(1);
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(timer->TimeOutValue(), 1);
}

TEST_F(TimerTest, ResetOfANeverStartedTimerStartsIt) {
    int fired = 0;
    auto timer = counting(1, fired);
    timer->Reset();
    advanceSeconds(1);
    EXPECT_EQ(fired, 1);
}

TEST_F(TimerTest, HandlerMayStopItsOwnTimerForAOneShot) {
    int fired = 0;
    auto timer = CTimeout::create(loop, 1);
    timer->TimeOut.connect([&] {
        ++fired;
        timer->StopTimer();
    });
    timer->StartTimer();
    advanceSeconds(5);
    EXPECT_EQ(fired, 1);
    timer->TimeOut.disconnect();
}

TEST_F(TimerTest, TimerReleasedInsideItsOwnHandlerStaysValidUntilTheHandlerReturns) {
    int fired = 0;
    auto timer = CTimeout::create(loop, 1);
    std::weak_ptr<CTimeout> watch = timer;
    timer->TimeOut.connect([&] {
        ++fired;
        timer.reset();  // the owner lets go of the last reference
        EXPECT_FALSE(watch.expired());
    });
    timer->StartTimer();
    advanceSeconds(1);
    EXPECT_TRUE(watch.expired());
    advanceSeconds(5);
    EXPECT_EQ(fired, 1);
}

TEST_F(TimerTest, DestroyingOneTimerLeavesTheOthersRunning) {
    int kept = 0, dropped = 0;
    auto keep = counting(1, kept);
    auto drop = counting(1, dropped);
    keep->StartTimer();
    drop->StartTimer();
    drop.reset();
    advanceSeconds(3);
    EXPECT_EQ(kept, 3);
    EXPECT_EQ(dropped, 0);
    auto fresh = counting(2, dropped);  // a new timer object after one was destroyed
    fresh->StartTimer();
    advanceSeconds(2);
    EXPECT_EQ(kept, 5);
    EXPECT_EQ(dropped, 1);
}

TEST_F(TimerTest, AnIntervalBeyondThirtyTwoBitMillisecondsIsRefused) {
    auto timer = CTimeout::create(loop, 2147484);
    try {
        timer->StartTimer();
        FAIL() << "expected an error";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), 17002);
        EXPECT_EQ(e.description(), "Cannot create the timer");
        EXPECT_EQ(e.source(), "MTimeOutSupport.RegisterTimer");
    }
    EXPECT_EQ(timer->timerIdentifier(), 0u);
    timer->setTimeOutValue(2147483);
    EXPECT_NO_THROW(timer->StartTimer());
}

#pragma once
// The timers every event loop keeps: window-timer semantics on the loop's clock.

#include <string>

#include "platform/event_loop_contract_support.hpp"

namespace zov::test {

template <class Harness>
class EventLoopTimers : public EventLoopFixture<Harness> {};

TYPED_TEST_SUITE_P(EventLoopTimers);

TYPED_TEST_P(EventLoopTimers, PeriodicTimerFiresOncePerIntervalUntilKilled) {
    int fired = 0;
    this->loop.setTimer(1, 1000, [&] { ++fired; });
    this->advance(999);
    EXPECT_EQ(fired, 0);
    this->advance(1);
    EXPECT_EQ(fired, 1);
    this->advance(3000);
    EXPECT_EQ(fired, 4);
    this->loop.killTimer(1);
    this->advance(5000);
    EXPECT_EQ(fired, 4);
}

TYPED_TEST_P(EventLoopTimers, SettingAKeyAgainReplacesItsCountdown) {
    int first = 0, second = 0;
    this->loop.setTimer(7, 1000, [&] { ++first; });
    this->advance(900);
    this->loop.setTimer(7, 1000, [&] { ++second; });
    this->advance(900);
    EXPECT_EQ(first + second, 0);
    this->advance(100);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 1);
}

TYPED_TEST_P(EventLoopTimers, TimerCallbackMayKillOrReplaceItself) {
    int fired = 0;
    this->loop.setTimer(1, 500, [&] {
        ++fired;
        this->loop.killTimer(1);
    });
    int replaced = 0;
    this->loop.setTimer(2, 500, [&] { this->loop.setTimer(2, 2000, [&] { ++replaced; }); });
    this->advance(5000);
    EXPECT_EQ(fired, 1);
    EXPECT_FALSE(this->loop.hasTimer(1));
    EXPECT_EQ(replaced, 2);  // at 2500 and 4500: its own new countdown, not the old one
}

TYPED_TEST_P(EventLoopTimers, OverdueTimerFiresOnceThenCountsAWholeInterval) {
    int fired = 0;
    this->loop.setTimer(1, 1000, [&] { ++fired; });
    this->clock.advance(3500);
    this->loop.processPending();
    EXPECT_EQ(fired, 1);
    this->clock.advance(999);
    this->loop.processPending();
    EXPECT_EQ(fired, 1);
    this->clock.advance(1);
    this->loop.processPending();
    EXPECT_EQ(fired, 2);
}

TYPED_TEST_P(EventLoopTimers, OverdueTimersFireInTheOrderTheyFellDue) {
    std::string order;
    this->loop.setTimer(30, 300, [&] { order += "c"; });
    this->loop.setTimer(10, 100, [&] { order += "a"; });
    this->loop.setTimer(20, 200, [&] { order += "b"; });
    this->clock.advance(1000);
    this->loop.processPending();
    EXPECT_EQ(order, "abc");
}

TYPED_TEST_P(EventLoopTimers, TimerKilledByAnEarlierTimerOfTheSamePassDoesNotFire) {
    int second = 0;
    this->loop.setTimer(1, 100, [&] { this->loop.killTimer(2); });
    this->loop.setTimer(2, 200, [&] { ++second; });
    this->clock.advance(500);
    this->loop.processPending();
    EXPECT_EQ(second, 0);
}

// On the real clock a run that has nothing else to do must wake for the timer by itself.
TYPED_TEST_P(EventLoopTimers, RealTimeTimerWakesASleepingRun) {
    platform::MonotonicClock realClock;
    typename TestFixture::Loop loop{realClock};
    RunWatchdog watchdog(loop);
    int fired = 0;
    loop.setTimer(1, 20, [&] {
        if (++fired == 2) loop.quit();
    });
    loop.run();
    EXPECT_FALSE(watchdog.expired());
    EXPECT_EQ(fired, 2);
}

REGISTER_TYPED_TEST_SUITE_P(EventLoopTimers, PeriodicTimerFiresOncePerIntervalUntilKilled,
                            SettingAKeyAgainReplacesItsCountdown,
                            TimerCallbackMayKillOrReplaceItself,
                            OverdueTimerFiresOnceThenCountsAWholeInterval,
                            OverdueTimersFireInTheOrderTheyFellDue,
                            TimerKilledByAnEarlierTimerOfTheSamePassDoesNotFire,
                            RealTimeTimerWakesASleepingRun);

}  // namespace zov::test

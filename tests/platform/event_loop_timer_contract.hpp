#pragma once
// The timers every event loop keeps: window-timer semantics on the loop's clock.

#include <string>

#include "platform/event_loop_contract_support.hpp"

namespace zov::test {

template <class Harness>
class EventLoopTimers : public EventLoopFixture<Harness> {};

TYPED_TEST_SUITE_P(EventLoopTimers);

TYPED_TEST_P(EventLoopTimers, PeriodicTimerFiresOncePerIntervalUntilKilledOrSetAgain) {
    int fired = 0, replaced = 0;
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

    this->loop.setTimer(7, 1000, [&] { ++fired; });
    this->advance(900);
    this->loop.setTimer(7, 1000, [&] { ++replaced; });  // a new countdown, a new callback
    this->advance(999);
    EXPECT_EQ(fired + replaced, 4);
    this->advance(1);
    EXPECT_EQ(fired, 4);
    EXPECT_EQ(replaced, 1);
}

TYPED_TEST_P(EventLoopTimers, TimerCallbackMayKillOrReplaceItselfOrALaterTimerOfItsPass) {
    int fired = 0, replaced = 0, killed = 0;
    this->loop.setTimer(1, 500, [&] {
        ++fired;
        this->loop.killTimer(1);
        this->loop.killTimer(3);
    });
    this->loop.setTimer(2, 500, [&] { this->loop.setTimer(2, 2000, [&] { ++replaced; }); });
    this->loop.setTimer(3, 600, [&] { ++killed; });
    this->clock.advance(700);
    this->loop.processPending();
    EXPECT_EQ(killed, 0);
    this->advance(4300);
    EXPECT_EQ(fired, 1);
    EXPECT_FALSE(this->loop.hasTimer(1));
    EXPECT_EQ(replaced, 2);  // at 2700 and 4700: its own new countdown, not the old one
}

TYPED_TEST_P(EventLoopTimers, OverdueTimersFireOnceInTheOrderTheyFellDueThenCountAWholeInterval) {
    std::string order;
    this->loop.setTimer(30, 300, [&] { order += "c"; });
    this->loop.setTimer(10, 1000, [&] { order += "a"; });
    this->loop.setTimer(20, 200, [&] { order += "b"; });
    this->clock.advance(3500);
    this->loop.processPending();
    EXPECT_EQ(order, "bca");
    this->loop.killTimer(20);
    this->loop.killTimer(30);
    this->clock.advance(999);
    this->loop.processPending();
    EXPECT_EQ(order, "bca");
    this->clock.advance(1);
    this->loop.processPending();
    EXPECT_EQ(order, "bcaa");
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

REGISTER_TYPED_TEST_SUITE_P(EventLoopTimers, PeriodicTimerFiresOncePerIntervalUntilKilledOrSetAgain,
                            TimerCallbackMayKillOrReplaceItselfOrALaterTimerOfItsPass,
                            OverdueTimersFireOnceInTheOrderTheyFellDueThenCountAWholeInterval,
                            RealTimeTimerWakesASleepingRun);

}  // namespace zov::test

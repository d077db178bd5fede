#include "platform/poll_loop.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.hpp"
#include "support/manual_time.hpp"

using namespace zov::platform;
using namespace std::chrono_literals;

namespace {

struct LoopFixture : ::testing::Test {
    ManualClock clock;
    PollLoop loop{clock};
};

}  // namespace

TEST_F(LoopFixture, PeriodicTimerFiresOncePerIntervalUntilKilled) {
    int fired = 0;
    loop.setTimer(1, 1000, [&] { ++fired; });
    zov::test::advanceTime(loop, clock, 999);
    EXPECT_EQ(fired, 0);
    zov::test::advanceTime(loop, clock, 1);
    EXPECT_EQ(fired, 1);
    zov::test::advanceTime(loop, clock, 3000);
    EXPECT_EQ(fired, 4);
    loop.killTimer(1);
    zov::test::advanceTime(loop, clock, 5000);
    EXPECT_EQ(fired, 4);
}

TEST_F(LoopFixture, SettingAKeyAgainReplacesItsCountdown) {
    int first = 0, second = 0;
    loop.setTimer(7, 1000, [&] { ++first; });
    zov::test::advanceTime(loop, clock, 900);
    loop.setTimer(7, 1000, [&] { ++second; });
    zov::test::advanceTime(loop, clock, 900);
    EXPECT_EQ(first + second, 0);
    zov::test::advanceTime(loop, clock, 100);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 1);
}

TEST_F(LoopFixture, TimerCallbackMayKillOrReplaceItself) {
    int fired = 0;
    loop.setTimer(1, 500, [&] {
        ++fired;
        loop.killTimer(1);
    });
    zov::test::advanceTime(loop, clock, 5000);
    EXPECT_EQ(fired, 1);
    EXPECT_FALSE(loop.hasTimer(1));
}

TEST_F(LoopFixture, OverdueTimerFiresOnceThenCountsAWholeInterval) {
    int fired = 0;
    loop.setTimer(1, 1000, [&] { ++fired; });
    clock.advance(3500);
    loop.processPending();
    EXPECT_EQ(fired, 1);
    clock.advance(999);
    loop.processPending();
    EXPECT_EQ(fired, 1);
    clock.advance(1);
    loop.processPending();
    EXPECT_EQ(fired, 2);
}

TEST_F(LoopFixture, PostedCallbacksRunInOrderAndLaterPostsWaitForTheNextPass) {
    std::string order;
    loop.post([&] {
        order += "a";
        loop.post([&] { order += "c"; });
    });
    loop.post([&] { order += "b"; });
    loop.processPending();
    EXPECT_EQ(order, "ab");
    loop.processPending();
    EXPECT_EQ(order, "abc");
}

TEST_F(LoopFixture, PostFromAnotherThreadWakesASleepingLoop) {
    bool done = false;
    std::thread poster([&] { loop.post([&] { done = true; }); });
    EXPECT_TRUE(loop.runUntil([&] { return done; }, 10s));
    poster.join();
}

TEST_F(LoopFixture, NestedRunEndsAtItsOwnQuit) {
    std::vector<std::string> steps;
    loop.post([&] {
        steps.push_back("outer handler");
        loop.post([&] {
            steps.push_back("inside modal");
            loop.quit();
        });
        loop.run();  // the modal wait
        steps.push_back("modal returned");
        loop.quit();
    });
    loop.run();
    EXPECT_EQ(steps, (std::vector<std::string>{"outer handler", "inside modal", "modal returned"}));
}

TEST_F(LoopFixture, WatchedDescriptorIsLevelTriggeredAndUnwatchStopsIt) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    int calls = 0;
    loop.watch(fds[0], Interest::Read, [&](Readiness r) {
        EXPECT_TRUE(r.readable);
        ++calls;
    });
    ASSERT_EQ(::write(fds[1], "x", 1), 1);
    loop.processPending();
    loop.processPending();
    EXPECT_EQ(calls, 2);  // still readable: nothing was read
    loop.unwatch(fds[0]);
    loop.processPending();
    EXPECT_EQ(calls, 2);
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST_F(LoopFixture, CallbackRemovedByAnEarlierCallbackOfTheSamePassDoesNotRun) {
    int a[2], b[2];
    ASSERT_EQ(::pipe(a), 0);
    ASSERT_EQ(::pipe(b), 0);
    int calls = 0;
    auto first = std::min(a[0], b[0]);
    auto second = std::max(a[0], b[0]);
    loop.watch(first, Interest::Read, [&](Readiness) {
        ++calls;
        loop.unwatch(second);
    });
    loop.watch(second, Interest::Read, [&](Readiness) { ++calls; });
    ASSERT_EQ(::write(a[1], "x", 1), 1);
    ASSERT_EQ(::write(b[1], "x", 1), 1);
    loop.processPending();
    EXPECT_EQ(calls, 1);
    for (int fd : {a[0], a[1], b[0], b[1]})
        ::close(fd);
}

TEST_F(LoopFixture, AnExceptionLeavingANestedRunDoesNotBreakALaterQuit) {
    loop.post([] { throw std::runtime_error("handler failed"); });
    EXPECT_THROW(loop.run(), std::runtime_error);
    bool done = false;
    loop.post([&] {
        done = true;
        loop.quit();  // must reach this run, not the frame that is gone
    });
    loop.run();
    EXPECT_TRUE(done);
}

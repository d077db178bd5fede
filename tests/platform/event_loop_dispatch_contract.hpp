#pragma once
// How every event loop dispatches posted callbacks and descriptor readiness, and how its
// passes nest: the "yield to pending events" of a handler and the modal question.

#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/event_loop_contract_support.hpp"

namespace zov::test {

template <class Harness>
class EventLoopDispatch : public EventLoopFixture<Harness> {};

TYPED_TEST_SUITE_P(EventLoopDispatch);

using platform::Interest;
using platform::Readiness;
using Steps = std::vector<std::string>;

TYPED_TEST_P(EventLoopDispatch, PostedCallbacksRunInOrderAndACallbackMayYieldToPendingEvents) {
    std::string order;
    this->loop.post([&] {
        order += "a";
        this->loop.post([&] { order += "c"; });
    });
    this->loop.post([&] { order += "b"; });
    this->loop.processPending();
    EXPECT_EQ(order, "ab");  // later posts wait for the next pass
    this->loop.processPending();
    EXPECT_EQ(order, "abc");

    this->loop.setTimer(1, 100, [&] {
        order += "t";
        this->loop.killTimer(1);
    });
    this->clock.advance(100);
    this->loop.post([&] {
        order += "d";
        this->loop.post([&] { order += "e"; });
        this->loop.processPending();  // the handler yields to pending events
        order += "f";
    });
    this->loop.processPending();
    EXPECT_EQ(order, "abcdetf");
}

TYPED_TEST_P(EventLoopDispatch, PostFromAnotherThreadWakesASleepingRunAndAFailedRunLeavesNoTrace) {
    this->loop.post([] { throw std::runtime_error("handler failed"); });
    EXPECT_THROW(this->loop.run(), std::runtime_error);
    RunWatchdog watchdog(this->loop);
    bool done = false;
    std::thread poster([&] {
        this->loop.post([&] {
            done = true;
            this->loop.quit();  // must reach this run, not the frame that is gone
        });
    });
    this->loop.run();
    poster.join();
    EXPECT_FALSE(watchdog.expired());
    EXPECT_TRUE(done);
}

TYPED_TEST_P(EventLoopDispatch, DescriptorsAreLevelTriggeredWithAllTheirReadinessInOneCallback) {
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    TestPipe gone;  // a peer that has gone: reported, whatever interest is watched
    gone.closeWriteEnd();
    ASSERT_LT(pair[0], gone.readEnd);  // so served first in a pass
    std::vector<Readiness> seen;
    const auto record = [&](Readiness r) { seen.push_back(r); };
    this->loop.watch(pair[0], Interest::ReadWrite, [&](Readiness r) {
        seen.push_back(r);
        this->loop.unwatch(gone.readEnd);  // before its turn in this pass: it is not called
        // A socket changes its interest from inside its own callback (connected: now read).
        this->loop.watch(pair[0], Interest::Read, record);
    });
    this->loop.watch(gone.readEnd, Interest::Read, record);
    ASSERT_EQ(::write(pair[1], "x", 1), 1);
    this->loop.processPending();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(seen[0].readable && seen[0].writable);
    this->loop.processPending();
    this->loop.processPending();
    EXPECT_EQ(seen.size(), 3u);  // still readable: nothing was read

    this->loop.unwatch(pair[0]);
    this->loop.watch(gone.readEnd, Interest::Read, record);
    this->loop.processPending();
    ASSERT_EQ(seen.size(), 4u);  // the unwatched one is silent, though still readable
    EXPECT_TRUE(seen[3].hangup);
    ::close(pair[0]);
    ::close(pair[1]);
}

// The yes/no question asked from a socket's handler: its own run ends at its own quit, and
// other sockets keep being served meanwhile.
TYPED_TEST_P(EventLoopDispatch, OtherDescriptorsAreServedInsideAModalRunOfAWatchCallback) {
    RunWatchdog watchdog(this->loop);
    TestPipe asking, answering;
    Steps steps;
    this->loop.watch(answering.readEnd, Interest::Read, [&](Readiness) {
        answering.take();
        steps.push_back("answer");
        this->loop.quit();
    });
    this->loop.watch(asking.readEnd, Interest::Read, [&](Readiness) {
        asking.take();
        steps.push_back("question");
        this->loop.post([&] { answering.put(); });
        this->loop.run();
        steps.push_back("modal returned");
        this->loop.quit();
    });
    asking.put();
    this->loop.run();
    EXPECT_FALSE(watchdog.expired());
    EXPECT_EQ(steps, (Steps{"question", "answer", "modal returned"}));
}

REGISTER_TYPED_TEST_SUITE_P(EventLoopDispatch,
                            PostedCallbacksRunInOrderAndACallbackMayYieldToPendingEvents,
                            PostFromAnotherThreadWakesASleepingRunAndAFailedRunLeavesNoTrace,
                            DescriptorsAreLevelTriggeredWithAllTheirReadinessInOneCallback,
                            OtherDescriptorsAreServedInsideAModalRunOfAWatchCallback);

}  // namespace zov::test

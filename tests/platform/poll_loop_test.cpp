// The poll loop against the contract every event loop of the system keeps.

#include "platform/poll_loop.hpp"

#include <gtest/gtest.h>

#include "platform/clock.hpp"
#include "platform/event_loop_dispatch_contract.hpp"
#include "platform/event_loop_timer_contract.hpp"
#include "support/manual_time.hpp"

// At file scope, so that CTest names the instantiations plainly ("...<PollLoopHarness>").
struct PollLoopHarness {
    using Loop = zov::platform::PollLoop;
    static void advance(Loop& loop, zov::platform::ManualClock& clock, std::int64_t ms) {
        zov::test::advanceTime(loop, clock, ms);
    }
};

namespace zov::test {
INSTANTIATE_TYPED_TEST_SUITE_P(PollLoop, EventLoopTimers, PollLoopHarness);
INSTANTIATE_TYPED_TEST_SUITE_P(PollLoop, EventLoopDispatch, PollLoopHarness);
}  // namespace zov::test

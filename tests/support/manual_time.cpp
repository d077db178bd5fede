#include "support/manual_time.hpp"

#include "platform/clock.hpp"
#include "platform/poll_loop.hpp"

namespace zov::test {

void advanceTime(platform::PollLoop& loop, platform::ManualClock& clock, std::int64_t ms) {
    const std::int64_t target = clock.nowMs() + ms;
    loop.processPending();
    while (true) {
        auto due = loop.nextTimerDue();
        if (!due || *due > target) break;
        if (*due > clock.nowMs()) clock.set(*due);
        loop.processPending();
    }
    clock.set(target);
    loop.processPending();
}

}  // namespace zov::test

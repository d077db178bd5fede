#pragma once
// Moves a manual clock forward the way real time would pass: each timer that falls due on
// the way fires at its own moment, in order, before the clock goes further. For either
// event loop (the poll loop and the Qt loop both tell when their next timer is due).

#include <cstdint>

#include "platform/clock.hpp"

namespace zov::test {

template <class Loop>
void advanceTime(Loop& loop, platform::ManualClock& clock, std::int64_t ms) {
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

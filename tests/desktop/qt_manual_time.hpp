#pragma once
// Moves a manual clock forward under Qt's loop the way real time would pass: each timer
// that falls due on the way fires at its own moment, in order, before the clock goes
// further (the Qt loop's counterpart of support/manual_time.hpp).

#include <cstdint>

#include "platform/clock.hpp"
#include "ui/desktop/qt_event_loop.hpp"

namespace zov::test {

inline void advanceTime(ui::desktop::QtEventLoop& loop, platform::ManualClock& clock,
                        std::int64_t ms) {
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

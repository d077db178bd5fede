#include "desktop/qt_manual_time.hpp"

#include "platform/clock.hpp"
#include "ui/desktop/qt_event_loop.hpp"

namespace zov::test {

void advanceTime(ui::desktop::QtEventLoop& loop, platform::ManualClock& clock, std::int64_t ms) {
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

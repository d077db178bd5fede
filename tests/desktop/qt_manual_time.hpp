#pragma once
// Moves a manual clock forward under Qt's loop the way real time would pass: each timer
// that falls due on the way fires at its own moment, in order, before the clock goes
// further (the Qt loop's counterpart of support/manual_time.hpp).

#include <cstdint>

namespace zov::platform {
class ManualClock;
}  // namespace zov::platform

namespace zov::ui::desktop {
class QtEventLoop;
}  // namespace zov::ui::desktop

namespace zov::test {

void advanceTime(ui::desktop::QtEventLoop& loop, platform::ManualClock& clock, std::int64_t ms);

}  // namespace zov::test

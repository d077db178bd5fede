#pragma once
// Moves a manual clock forward the way real time would pass: each timer that falls due on
// the way fires at its own moment, in order, before the clock goes further.

#include <cstdint>

namespace zov::platform {
class PollLoop;
class ManualClock;
}  // namespace zov::platform

namespace zov::test {

void advanceTime(platform::PollLoop& loop, platform::ManualClock& clock, std::int64_t ms);

}  // namespace zov::test

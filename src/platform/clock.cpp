#include "platform/clock.hpp"

#include <chrono>

namespace zov::platform {

std::int64_t MonotonicClock::nowMs() const {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace zov::platform

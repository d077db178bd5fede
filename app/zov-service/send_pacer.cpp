#include "send_pacer.hpp"

#include <algorithm>

namespace zov::service {

std::size_t SendPacer::blockSize(std::size_t largest) const {
    if (!limited()) return largest;
    std::int64_t tenth = std::max<std::int64_t>(rate_ / 10, 1);
    return static_cast<std::size_t>(
        std::min<std::int64_t>(tenth, static_cast<std::int64_t>(largest)));
}

void SendPacer::restart(std::int64_t nowMs) {
    paidUntilUs_ = nowMs * 1000;
}

std::int64_t SendPacer::waitMs(std::int64_t nowMs) const {
    if (!limited()) return 0;
    std::int64_t aheadUs = paidUntilUs_ - nowMs * 1000;
    return aheadUs <= 0 ? 0 : (aheadUs + 999) / 1000;
}

void SendPacer::sent(std::size_t bytes, std::int64_t nowMs) {
    if (!limited()) return;
    // A block that goes within a millisecond of its moment keeps the schedule (the wait was
    // rounded up to whole milliseconds); one that comes later, after a client fell behind,
    // starts a new one.
    std::int64_t nowUs = nowMs * 1000;
    std::int64_t from = paidUntilUs_ >= nowUs - 1000 ? paidUntilUs_ : nowUs;
    // Rounded up: the rate is a ceiling, never exceeded by rounding.
    auto costUs = (static_cast<std::int64_t>(bytes) * 1'000'000 + rate_ - 1) / rate_;
    paidUntilUs_ = from + costUs;
}

}  // namespace zov::service

#include "ui/headless/headless_interval_timer.hpp"

namespace zov::ui::headless {

std::shared_ptr<HeadlessIntervalTimer> HeadlessIntervalTimer::create(platform::EventLoop& loop) {
    return std::shared_ptr<HeadlessIntervalTimer>(new HeadlessIntervalTimer(loop));
}

HeadlessIntervalTimer::HeadlessIntervalTimer(platform::EventLoop& loop)
    : loop_(loop), key_(loop.newTimerKey()) {}

HeadlessIntervalTimer::~HeadlessIntervalTimer() {
    loop_.killTimer(key_);
}

void HeadlessIntervalTimer::setInterval(std::int32_t milliseconds) {
    interval_ = milliseconds;
    arm();
}

void HeadlessIntervalTimer::setEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    arm();
}

bool HeadlessIntervalTimer::ticking() const {
    return loop_.hasTimer(key_);
}

void HeadlessIntervalTimer::arm() {
    if (!enabled_ || interval_ <= 0) {
        loop_.killTimer(key_);
        return;
    }
    loop_.setTimer(key_, interval_, weak_.bind([](HeadlessIntervalTimer& self) { self.Timer(); }));
}

}  // namespace zov::ui::headless

#include "ui/desktop/desktop_interval_timer.hpp"

namespace zov::ui::desktop {

std::shared_ptr<DesktopIntervalTimer> DesktopIntervalTimer::create(platform::EventLoop& loop) {
    return std::shared_ptr<DesktopIntervalTimer>(new DesktopIntervalTimer(loop));
}

DesktopIntervalTimer::DesktopIntervalTimer(platform::EventLoop& loop)
    : loop_(loop), key_(loop.newTimerKey()) {}

DesktopIntervalTimer::~DesktopIntervalTimer() {
    loop_.killTimer(key_);
}

void DesktopIntervalTimer::setInterval(std::int32_t milliseconds) {
    interval_ = milliseconds;
    arm();
}

void DesktopIntervalTimer::setEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    arm();
}

void DesktopIntervalTimer::arm() {
    if (!enabled_ || interval_ <= 0) {
        loop_.killTimer(key_);
        return;
    }
    loop_.setTimer(key_, interval_, weak_.bind([](DesktopIntervalTimer& self) { self.Timer(); }));
}

}  // namespace zov::ui::desktop

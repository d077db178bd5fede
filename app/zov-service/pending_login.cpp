#include "pending_login.hpp"

#include "login_throttle.hpp"
#include "platform/clock.hpp"

namespace zov::service {

PendingLogin::PendingLogin(platform::EventLoop& loop) : loop_(loop), timer_(loop.newTimerKey()) {}

PendingLogin::~PendingLogin() {
    loop_.killTimer(timer_);
}

void PendingLogin::start(LoginThrottle& throttle, const std::string& address,
                         std::function<void()> judge) {
    cancel();
    const std::int64_t now = loop_.clock().nowMs();
    const std::int64_t turn = throttle.takeTurn(address, now);
    if (turn <= now) return judge();
    waiting_ = true;
    loop_.setTimer(timer_, turn - now, [this, judge = std::move(judge)] {
        cancel();  // one shot; the judge may start the next attempt
        judge();
    });
}

void PendingLogin::cancel() {
    loop_.killTimer(timer_);
    waiting_ = false;
}

}  // namespace zov::service

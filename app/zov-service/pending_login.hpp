#pragma once
// One login attempt of a session waiting for its address's turn (LoginThrottle) on a
// timer of the event loop. Destroying or cancelling it drops the attempt unjudged.

#include <functional>
#include <string>

#include "platform/event_loop.hpp"

namespace zov::service {

class LoginThrottle;

class PendingLogin {
  public:
    explicit PendingLogin(platform::EventLoop& loop);
    ~PendingLogin();
    PendingLogin(const PendingLogin&) = delete;
    PendingLogin& operator=(const PendingLogin&) = delete;

    // Runs `judge` at the attempt's turn: at once, before returning, when it need not wait.
    void start(LoginThrottle& throttle, const std::string& address, std::function<void()> judge);
    bool waiting() const { return waiting_; }
    void cancel();

  private:
    platform::EventLoop& loop_;
    platform::TimerKey timer_;
    bool waiting_ = false;
};

}  // namespace zov::service

#pragma once
// A timer object: raises TimeOut every TimeOutValue seconds while running. Every delay,
// poll and time-out of the client is one of these.

#include <cstdint>
#include <memory>

#include "platform/event.hpp"

namespace zov::platform {
class EventLoop;
}

namespace zov::runtime {

class CTimeout : public std::enable_shared_from_this<CTimeout> {
  public:
    static std::shared_ptr<CTimeout> create(platform::EventLoop& loop,
                                            std::int32_t timeOutValue = 0);
    ~CTimeout();
    CTimeout(const CTimeout&) = delete;
    CTimeout& operator=(const CTimeout&) = delete;

    // Starts the countdown afresh; does nothing while TimeOutValue is 0 or negative.
    void StartTimer();
    // Stops the countdown; the identifier stays, so StartTimer or Reset re-arm the same timer.
    void StopTimer();
    void setTimeOutValue(std::int32_t seconds) { timeOutValue_ = seconds; }
    std::int32_t TimeOutValue() const { return timeOutValue_; }
    // Restarts the countdown with the current TimeOutValue, also on a stopped timer.
    void Reset();

    Event<> TimeOut;

    std::uint64_t timerIdentifier() const { return identifier_; }
    bool running() const;
    // Called by the timer support when the interval has elapsed.
    void RaiseTimeOut();

  private:
    CTimeout(platform::EventLoop& loop, std::int32_t timeOutValue);

    platform::EventLoop& loop_;
    std::int32_t timeOutValue_;
    std::uint64_t identifier_ = 0;
};

}  // namespace zov::runtime

#pragma once
// Where the event loop takes its time from. The real clock is monotonic; tests use the
// manual clock and move it forward themselves, so long time-outs cost no real time.

#include <cstdint>

namespace zov::platform {

class Clock {
  public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary start; never goes backwards.
    virtual std::int64_t nowMs() const = 0;
    // False for a clock that only moves when told to: the loop then never sleeps for a
    // timer, because sleeping would not bring the timer closer.
    virtual bool advancesByItself() const = 0;
};

class MonotonicClock final : public Clock {
  public:
    std::int64_t nowMs() const override;
    bool advancesByItself() const override { return true; }
};

class ManualClock final : public Clock {
  public:
    std::int64_t nowMs() const override { return now_; }
    bool advancesByItself() const override { return false; }
    void advance(std::int64_t ms) { now_ += ms; }
    void set(std::int64_t ms) { now_ = ms; }

  private:
    std::int64_t now_ = 0;
};

}  // namespace zov::platform

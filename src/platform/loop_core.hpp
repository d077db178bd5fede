#pragma once
// What every event loop of ours shares: window-timer timers on a Clock, the queue of posted
// callbacks (the one thing another thread may touch), and run, quit, runUntil and
// processPending over one "wait, then dispatch" pass that each loop makes its own way (the
// poll loop with poll(2), the desktop loop with Qt's wait).

#include <poll.h>

#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/event_loop.hpp"

namespace zov::platform {

class LoopCore : public EventLoop {
  public:
    void setTimer(TimerKey key, std::int64_t intervalMs, Callback callback) override;
    void killTimer(TimerKey key) override;
    bool hasTimer(TimerKey key) const override;
    void post(Callback callback) override;
    void processPending() override;
    void run() override;
    void quit() override;
    bool runUntil(const std::function<bool()>& predicate,
                  std::chrono::milliseconds watchdog) override;
    const Clock& clock() const override { return clock_; }
    TimerKey newTimerKey() override { return nextKey_++; }

    // When the earliest timer is due, if any (for tests that step a manual clock).
    std::optional<std::int64_t> nextTimerDue() const;

  protected:
    explicit LoopCore(const Clock& clock) : clock_(clock) {}

    // One pass: wait at most timeoutMs (-1: no limit, 0: not at all) for something to do,
    // then dispatch what is ready.
    virtual void waitAndDispatch(int timeoutMs) = 0;
    // Wakes a waiting pass; called by post, from any thread.
    virtual void wake() = 0;

    int timeoutUntilNextTimer() const;
    // Runs what was posted before this pass (what the callbacks post waits for the next).
    void dispatchPosted();
    // Runs the due timers in the order they fell due, each re-armed before it runs.
    void dispatchTimers();
    // Tells a replaced watch or timer from its successor.
    std::uint64_t nextGeneration() { return nextGeneration_++; }

    const Clock& clock_;

  private:
    struct Timer {
        std::int64_t intervalMs;
        std::int64_t dueMs;
        std::uint64_t arming;  // which arming of the timer its place in the heap stands for
        std::shared_ptr<Callback> callback;
    };
    // A timer's place in the due order. Killing, replacing or re-arming a timer leaves its
    // old place behind; such a place is recognised by its arming and dropped when it
    // reaches the top (or when they pile up, all at once).
    struct Due {
        std::int64_t dueMs;
        std::uint64_t arming;  // also orders timers due at the same moment: first armed first
        TimerKey key;
        bool operator>(const Due& other) const {
            return dueMs != other.dueMs ? dueMs > other.dueMs : arming > other.arming;
        }
    };

    void arm(TimerKey key, Timer& timer, std::int64_t dueMs);
    bool isCurrent(const Due& place) const;
    // Drops the places at the top that no longer stand for a timer.
    void dropStaleTop() const;

    std::uint64_t nextGeneration_ = 1;
    std::uint64_t nextArming_ = 1;
    TimerKey nextKey_ = 1ull << 40;  // far from the small keys callers choose themselves
    std::unordered_map<TimerKey, Timer> timers_;
    // A min-heap on (due, arming); mutable because finding the earliest drops stale places.
    mutable std::vector<Due> dueOrder_;
    mutable std::mutex postedMutex_;
    std::deque<Callback> posted_;
    std::vector<bool*> runStack_;
};

// What poll(2) reported for a descriptor, as the loop's callbacks receive it.
inline Readiness readinessFromPoll(short revents) {
    Readiness r;
    r.readable = (revents & POLLIN) != 0;
    r.writable = (revents & POLLOUT) != 0;
    r.hangup = (revents & (POLLHUP | POLLNVAL)) != 0;
    r.error = (revents & POLLERR) != 0;
    return r;
}

// The poll(2) events that stand for a watch's interest.
inline short pollEventsFor(Interest interest) {
    short events = 0;
    if (hasInterest(interest, Interest::Read)) events |= POLLIN;
    if (hasInterest(interest, Interest::Write)) events |= POLLOUT;
    return events;
}

}  // namespace zov::platform

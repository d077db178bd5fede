#pragma once
// The message loop of the one user-interface thread. Window timers, descriptor readiness
// and posted callbacks are all dispatched from here; nothing in the system blocks or
// sleeps on its own.

#include <chrono>
#include <cstdint>
#include <functional>

namespace zov::platform {

class Clock;

using TimerKey = std::uint64_t;

enum class Interest : unsigned { None = 0, Read = 1, Write = 2, ReadWrite = 3 };

inline Interest operator|(Interest a, Interest b) {
    return static_cast<Interest>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}
inline bool hasInterest(Interest set, Interest flag) {
    return (static_cast<unsigned>(set) & static_cast<unsigned>(flag)) != 0;
}

// What poll reported for a watched descriptor.
struct Readiness {
    bool readable = false;
    bool writable = false;
    bool hangup = false;  // the peer closed or the descriptor is gone
    bool error = false;   // an error is pending on the descriptor (read it with SO_ERROR)
};

class EventLoop {
  public:
    using Callback = std::function<void()>;
    using FdCallback = std::function<void(Readiness)>;

    virtual ~EventLoop() = default;

    // Window-timer semantics: one countdown per key, periodic until killed; setting a key
    // again replaces its countdown. A timer is re-armed before its callback runs, so the
    // callback may kill or set it again.
    virtual void setTimer(TimerKey key, std::int64_t intervalMs, Callback callback) = 0;
    virtual void killTimer(TimerKey key) = 0;
    virtual bool hasTimer(TimerKey key) const = 0;

    // Level-triggered readiness of a descriptor. Watching it again replaces the interest
    // and the callback.
    virtual void watch(int fd, Interest interest, FdCallback callback) = 0;
    virtual void unwatch(int fd) = 0;

    // Runs the callback later, in order. The one call that may come from another thread.
    virtual void post(Callback callback) = 0;

    // Dispatches once everything that is ready now and returns. May run re-entrantly
    // inside a callback (the "yield to pending events" of some handlers).
    virtual void processPending() = 0;

    // Dispatches until quit(); a nested run (a modal question) ends at its own quit().
    virtual void run() = 0;
    virtual void quit() = 0;

    // For tests: dispatches until the predicate holds or the real-time watchdog expires.
    // Returns whether the predicate held.
    virtual bool runUntil(const std::function<bool()>& predicate,
                          std::chrono::milliseconds watchdog) = 0;

    virtual const Clock& clock() const = 0;

    // A fresh key for a timer owner that has no key of its own.
    virtual TimerKey newTimerKey() = 0;
};

}  // namespace zov::platform

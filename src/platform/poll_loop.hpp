#pragma once
// The event loop over poll(2): timers kept in order of their due time, watched
// descriptors, and a posted-callback queue woken through an eventfd.

#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/event_loop.hpp"

namespace zov::platform {

class PollLoop final : public EventLoop {
  public:
    explicit PollLoop(const Clock& clock);
    ~PollLoop() override;
    PollLoop(const PollLoop&) = delete;
    PollLoop& operator=(const PollLoop&) = delete;

    void setTimer(TimerKey key, std::int64_t intervalMs, Callback callback) override;
    void killTimer(TimerKey key) override;
    bool hasTimer(TimerKey key) const override;
    void watch(int fd, Interest interest, FdCallback callback) override;
    void unwatch(int fd) override;
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
    std::size_t watchedCount() const { return watches_.size(); }

  private:
    struct Timer {
        std::int64_t intervalMs;
        std::int64_t dueMs;
        std::uint64_t generation;
        std::shared_ptr<Callback> callback;
    };
    struct Watch {
        Interest interest;
        std::uint64_t generation;
        std::shared_ptr<FdCallback> callback;
    };

    // Waits at most timeoutMs (-1: no limit) for readiness, then dispatches what is ready.
    void waitAndDispatch(int timeoutMs);
    int timeoutUntilNextTimer() const;
    void dispatchPosted();
    void dispatchTimers();
    void drainWakeFd();

    const Clock& clock_;
    int wakeFd_ = -1;
    std::uint64_t nextGeneration_ = 1;
    TimerKey nextKey_ = 1ull << 40;  // far from the small keys callers choose themselves
    std::unordered_map<TimerKey, Timer> timers_;
    std::map<int, Watch> watches_;
    std::mutex postedMutex_;
    std::deque<Callback> posted_;
    std::vector<bool*> runStack_;
};

}  // namespace zov::platform

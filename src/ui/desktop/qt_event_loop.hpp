#pragma once
// The event loop of the desktop front end: Qt's own loop, so that windows, pages and input
// are served, with the system's timers, watches and posted callbacks dispatched beside them
// exactly as the poll loop does. Qt's loop must be turned through this class (run,
// processPending, runUntil), never through QApplication::exec or QDialog::exec, which would
// leave the system's work waiting.

#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <unordered_map>
#include <vector>

#include "platform/event_loop.hpp"

class QObject;
class QSocketNotifier;
class QTimer;

namespace zov::ui::desktop {

class QtEventLoop final : public platform::EventLoop {
  public:
    // A QCoreApplication (or QApplication) must exist, on this thread.
    explicit QtEventLoop(const platform::Clock& clock);
    ~QtEventLoop() override;
    QtEventLoop(const QtEventLoop&) = delete;
    QtEventLoop& operator=(const QtEventLoop&) = delete;

    void setTimer(platform::TimerKey key, std::int64_t intervalMs, Callback callback) override;
    void killTimer(platform::TimerKey key) override;
    bool hasTimer(platform::TimerKey key) const override;
    void watch(int fd, platform::Interest interest, FdCallback callback) override;
    void unwatch(int fd) override;
    void post(Callback callback) override;
    void processPending() override;
    void run() override;
    void quit() override;
    bool runUntil(const std::function<bool()>& predicate,
                  std::chrono::milliseconds watchdog) override;
    const platform::Clock& clock() const override { return clock_; }
    platform::TimerKey newTimerKey() override { return nextKey_++; }

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
    // Qt's notifiers only wake Qt's wait; readiness itself is read with poll in our pass.
    struct Watch {
        platform::Interest interest;
        std::uint64_t generation;
        std::shared_ptr<FdCallback> callback;
        std::unique_ptr<QSocketNotifier> onRead;
        std::unique_ptr<QSocketNotifier> onWrite;
    };
    class BusyDescriptor;

    // Lets Qt wait at most timeoutMs (-1: no limit, 0: not at all), then dispatches ours.
    void waitAndDispatch(int timeoutMs);
    int timeoutUntilNextTimer() const;
    void dispatchPosted();
    void dispatchDescriptors();
    void dispatchTimers();
    void enableNotifiers(int fd, bool enabled);
    void finishDeferredDeletes();

    const platform::Clock& clock_;
    std::unique_ptr<QObject> waker_;  // receives the events that wake Qt's wait for a post
    std::unique_ptr<QTimer> wakeTimer_;
    std::uint64_t nextGeneration_ = 1;
    platform::TimerKey nextKey_ = 1ull << 40;  // far from the small keys callers choose
    std::unordered_map<platform::TimerKey, Timer> timers_;
    std::map<int, Watch> watches_;
    std::set<int> busy_;  // descriptors whose callback is running
    std::mutex postedMutex_;
    std::deque<Callback> posted_;
    std::vector<bool*> runStack_;
    int depth_ = 0;  // nesting of waitAndDispatch
};

}  // namespace zov::ui::desktop

#pragma once
// The event loop of the desktop front end: Qt's own loop, so that windows, pages and input
// are served, with the system's timers, watches and posted callbacks dispatched beside them
// exactly as the poll loop does. Qt's loop must be turned through this class (run,
// processPending, runUntil), never through QApplication::exec or QDialog::exec, which would
// leave the system's work waiting.

#include <map>
#include <memory>
#include <set>

#include "platform/loop_core.hpp"

class QObject;
class QSocketNotifier;
class QTimer;

namespace zov::ui::desktop {

class QtEventLoop final : public platform::LoopCore {
  public:
    // A QCoreApplication (or QApplication) must exist, on this thread.
    explicit QtEventLoop(const platform::Clock& clock);
    ~QtEventLoop() override;
    QtEventLoop(const QtEventLoop&) = delete;
    QtEventLoop& operator=(const QtEventLoop&) = delete;

    void watch(int fd, platform::Interest interest, FdCallback callback) override;
    void unwatch(int fd) override;

    std::size_t watchedCount() const { return watches_.size(); }

  private:
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
    void waitAndDispatch(int timeoutMs) override;
    void wake() override;
    void dispatchDescriptors();
    void enableNotifiers(int fd, bool enabled);
    void finishDeferredDeletes();

    std::unique_ptr<QObject> waker_;  // receives the events that wake Qt's wait for a post
    std::unique_ptr<QTimer> wakeTimer_;
    std::map<int, Watch> watches_;
    std::set<int> busy_;  // descriptors whose callback is running
    int depth_ = 0;       // nesting of waitAndDispatch
};

}  // namespace zov::ui::desktop

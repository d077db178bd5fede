#include "ui/desktop/qt_event_loop.hpp"

#include <poll.h>

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <limits>
#include <stdexcept>
#include <system_error>

#include "platform/clock.hpp"

namespace zov::ui::desktop {

using platform::Interest;
using platform::Readiness;

namespace {

// The event that makes a waiting Qt loop return for a posted callback. It carries nothing:
// the callbacks themselves wait in our own queue, so that they run in our pass, in order.
QEvent::Type wakeEventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

}  // namespace

// While a descriptor's callback runs, its notifiers are off: Qt would otherwise report it
// again, re-entrantly, to any nested processPending or run inside the callback, and a
// nested wait would spin on a descriptor that stays ready until the callback reads it.
class QtEventLoop::BusyDescriptor {
  public:
    BusyDescriptor(QtEventLoop& loop, int fd) : loop_(loop), fd_(fd) {
        loop_.busy_.insert(fd_);
        loop_.enableNotifiers(fd_, false);
    }
    ~BusyDescriptor() {
        loop_.busy_.erase(fd_);
        loop_.enableNotifiers(fd_, true);  // whatever watch the callback left in place
    }
    BusyDescriptor(const BusyDescriptor&) = delete;
    BusyDescriptor& operator=(const BusyDescriptor&) = delete;

  private:
    QtEventLoop& loop_;
    int fd_;
};

QtEventLoop::QtEventLoop(const platform::Clock& clock) : clock_(clock) {
    if (QCoreApplication::instance() == nullptr)
        throw std::logic_error("the Qt event loop needs a QCoreApplication first");
    waker_ = std::make_unique<QObject>();
    wakeTimer_ = std::make_unique<QTimer>();
    wakeTimer_->setSingleShot(true);
    wakeTimer_->setTimerType(Qt::PreciseTimer);
}

QtEventLoop::~QtEventLoop() = default;

void QtEventLoop::setTimer(platform::TimerKey key, std::int64_t intervalMs, Callback callback) {
    intervalMs = std::max<std::int64_t>(intervalMs, 1);
    timers_[key] = Timer{intervalMs, clock_.nowMs() + intervalMs, nextGeneration_++,
                         std::make_shared<Callback>(std::move(callback))};
}

void QtEventLoop::killTimer(platform::TimerKey key) {
    timers_.erase(key);
}

bool QtEventLoop::hasTimer(platform::TimerKey key) const {
    return timers_.count(key) != 0;
}

void QtEventLoop::watch(int fd, Interest interest, FdCallback callback) {
    Watch& w = watches_[fd];
    // The old notifiers go first: Qt refuses two notifiers of one kind on one descriptor.
    w.onRead.reset();
    w.onWrite.reset();
    w.interest = interest;
    w.generation = nextGeneration_++;
    w.callback = std::make_shared<FdCallback>(std::move(callback));
    if (hasInterest(interest, Interest::Read))
        w.onRead = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    if (hasInterest(interest, Interest::Write))
        w.onWrite = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
    if (busy_.count(fd) != 0) enableNotifiers(fd, false);
}

void QtEventLoop::unwatch(int fd) {
    watches_.erase(fd);
}

void QtEventLoop::post(Callback callback) {
    {
        std::lock_guard lock(postedMutex_);
        posted_.push_back(std::move(callback));
    }
    // Thread-safe in Qt, and it wakes a waiting loop.
    QCoreApplication::postEvent(waker_.get(), new QEvent(wakeEventType()));
}

void QtEventLoop::processPending() {
    waitAndDispatch(0);
}

void QtEventLoop::run() {
    bool quitRequested = false;
    runStack_.push_back(&quitRequested);
    // The flag lives on this frame: it must leave the stack however the frame ends.
    struct Pop {
        std::vector<bool*>& stack;
        ~Pop() { stack.pop_back(); }
    } pop{runStack_};
    while (!quitRequested)
        waitAndDispatch(timeoutUntilNextTimer());
}

void QtEventLoop::quit() {
    if (!runStack_.empty()) *runStack_.back() = true;
}

bool QtEventLoop::runUntil(const std::function<bool()>& predicate,
                           std::chrono::milliseconds watchdog) {
    using std::chrono::steady_clock;
    const auto deadline = steady_clock::now() + watchdog;
    while (!predicate()) {
        auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - steady_clock::now());
        if (left.count() <= 0) return false;
        int timeout = timeoutUntilNextTimer();
        int cap = static_cast<int>(std::min<std::int64_t>(left.count(), 50));
        waitAndDispatch(timeout < 0 ? cap : std::min(timeout, cap));
    }
    return true;
}

std::optional<std::int64_t> QtEventLoop::nextTimerDue() const {
    std::optional<std::int64_t> due;
    for (const auto& [key, timer] : timers_) {
        if (!due || timer.dueMs < *due) due = timer.dueMs;
    }
    return due;
}

int QtEventLoop::timeoutUntilNextTimer() const {
    {
        std::lock_guard lock(const_cast<std::mutex&>(postedMutex_));
        if (!posted_.empty()) return 0;
    }
    auto due = nextTimerDue();
    if (!due) return -1;
    std::int64_t wait = *due - clock_.nowMs();
    if (wait <= 0) return 0;
    if (!clock_.advancesByItself()) return -1;
    return static_cast<int>(std::min<std::int64_t>(wait, std::numeric_limits<int>::max()));
}

void QtEventLoop::waitAndDispatch(int timeoutMs) {
    ++depth_;
    struct Leave {
        int& depth;
        ~Leave() { --depth; }
    } leave{depth_};

    if (timeoutMs == 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    } else {
        // Qt's wait ends at any Qt event, a notifier, a post, or this timer.
        if (timeoutMs > 0) wakeTimer_->start(timeoutMs);
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        wakeTimer_->stop();
    }
    dispatchPosted();
    dispatchDescriptors();
    dispatchTimers();
    if (depth_ == 1) finishDeferredDeletes();
}

void QtEventLoop::dispatchPosted() {
    // Only what was posted before this pass runs now; what the callbacks post waits for
    // the next pass, so a callback that posts itself cannot starve the loop.
    std::deque<Callback> batch;
    {
        std::lock_guard lock(postedMutex_);
        batch.swap(posted_);
    }
    for (auto& callback : batch)
        callback();
}

void QtEventLoop::dispatchDescriptors() {
    std::vector<pollfd> fds;
    std::vector<std::uint64_t> generations;
    for (const auto& [fd, w] : watches_) {
        if (busy_.count(fd) != 0) continue;
        short events = 0;
        if (hasInterest(w.interest, Interest::Read)) events |= POLLIN;
        if (hasInterest(w.interest, Interest::Write)) events |= POLLOUT;
        fds.push_back(pollfd{fd, events, 0});
        generations.push_back(w.generation);
    }
    if (fds.empty()) return;
    int ready = ::poll(fds.data(), fds.size(), 0);
    if (ready < 0 && errno != EINTR)
        throw std::system_error(errno, std::generic_category(), "poll");
    if (ready <= 0) return;
    for (std::size_t i = 0; i < fds.size(); ++i) {
        if (fds[i].revents == 0) continue;
        // The watch may have been removed or replaced by an earlier callback, or its
        // callback may be running further up the stack.
        auto it = watches_.find(fds[i].fd);
        if (it == watches_.end() || it->second.generation != generations[i]) continue;
        if (busy_.count(fds[i].fd) != 0) continue;
        Readiness r;
        r.readable = (fds[i].revents & POLLIN) != 0;
        r.writable = (fds[i].revents & POLLOUT) != 0;
        r.hangup = (fds[i].revents & (POLLHUP | POLLNVAL)) != 0;
        r.error = (fds[i].revents & POLLERR) != 0;
        auto callback = it->second.callback;
        BusyDescriptor busy(*this, fds[i].fd);
        (*callback)(r);
    }
}

void QtEventLoop::dispatchTimers() {
    const std::int64_t now = clock_.nowMs();
    std::vector<std::pair<platform::TimerKey, std::uint64_t>> due;
    for (const auto& [key, timer] : timers_) {
        if (timer.dueMs <= now) due.emplace_back(key, timer.generation);
    }
    std::sort(due.begin(), due.end(), [this](const auto& a, const auto& b) {
        return timers_.at(a.first).dueMs < timers_.at(b.first).dueMs;
    });
    for (const auto& [key, generation] : due) {
        auto it = timers_.find(key);
        if (it == timers_.end() || it->second.generation != generation) continue;
        // Re-arm first: like a window timer, an overdue timer fires once, then counts
        // a whole interval again from now.
        it->second.dueMs = clock_.nowMs() + it->second.intervalMs;
        auto callback = it->second.callback;
        (*callback)();
    }
}

void QtEventLoop::enableNotifiers(int fd, bool enabled) {
    auto it = watches_.find(fd);
    if (it == watches_.end()) return;
    if (it->second.onRead) it->second.onRead->setEnabled(enabled);
    if (it->second.onWrite) it->second.onWrite->setEnabled(enabled);
}

void QtEventLoop::finishDeferredDeletes() {
    // Qt carries out deleteLater when control returns to the QEventLoop::exec it was called
    // in. No exec runs here, so an object released from one of our callbacks would live on
    // for ever: at the outermost pass nothing of ours is on the stack, so it can go now.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace zov::ui::desktop

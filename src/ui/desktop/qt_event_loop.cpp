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

QtEventLoop::QtEventLoop(const platform::Clock& clock) : LoopCore(clock) {
    if (QCoreApplication::instance() == nullptr)
        throw std::logic_error("the Qt event loop needs a QCoreApplication first");
    waker_ = std::make_unique<QObject>();
    wakeTimer_ = std::make_unique<QTimer>();
    wakeTimer_->setSingleShot(true);
    wakeTimer_->setTimerType(Qt::PreciseTimer);
}

QtEventLoop::~QtEventLoop() = default;

void QtEventLoop::watch(int fd, Interest interest, FdCallback callback) {
    Watch& w = watches_[fd];
    // The old notifiers go first: Qt refuses two notifiers of one kind on one descriptor.
    w.onRead.reset();
    w.onWrite.reset();
    w.interest = interest;
    w.generation = nextGeneration();
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

void QtEventLoop::wake() {
    // Thread-safe in Qt, and it wakes a waiting loop.
    QCoreApplication::postEvent(waker_.get(), new QEvent(wakeEventType()));
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

void QtEventLoop::dispatchDescriptors() {
    std::vector<pollfd> fds;
    std::vector<std::uint64_t> generations;
    for (const auto& [fd, w] : watches_) {
        if (busy_.count(fd) != 0) continue;
        fds.push_back(pollfd{fd, platform::pollEventsFor(w.interest), 0});
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
        auto callback = it->second.callback;
        BusyDescriptor busy(*this, fds[i].fd);
        (*callback)(platform::readinessFromPoll(fds[i].revents));
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

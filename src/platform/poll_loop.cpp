#include "platform/poll_loop.hpp"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <limits>
#include <system_error>

#include "platform/clock.hpp"

namespace zov::platform {

PollLoop::PollLoop(const Clock& clock) : clock_(clock) {
    wakeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
}

PollLoop::~PollLoop() {
    if (wakeFd_ >= 0) ::close(wakeFd_);
}

void PollLoop::setTimer(TimerKey key, std::int64_t intervalMs, Callback callback) {
    intervalMs = std::max<std::int64_t>(intervalMs, 1);
    timers_[key] = Timer{intervalMs, clock_.nowMs() + intervalMs, nextGeneration_++,
                         std::make_shared<Callback>(std::move(callback))};
}

void PollLoop::killTimer(TimerKey key) {
    timers_.erase(key);
}

bool PollLoop::hasTimer(TimerKey key) const {
    return timers_.count(key) != 0;
}

void PollLoop::watch(int fd, Interest interest, FdCallback callback) {
    watches_[fd] =
        Watch{interest, nextGeneration_++, std::make_shared<FdCallback>(std::move(callback))};
}

void PollLoop::unwatch(int fd) {
    watches_.erase(fd);
}

void PollLoop::post(Callback callback) {
    {
        std::lock_guard lock(postedMutex_);
        posted_.push_back(std::move(callback));
    }
    std::uint64_t one = 1;
    [[maybe_unused]] auto written = ::write(wakeFd_, &one, sizeof one);
}

void PollLoop::processPending() {
    waitAndDispatch(0);
}

void PollLoop::run() {
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

void PollLoop::quit() {
    if (!runStack_.empty()) *runStack_.back() = true;
}

bool PollLoop::runUntil(const std::function<bool()>& predicate,
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

std::optional<std::int64_t> PollLoop::nextTimerDue() const {
    std::optional<std::int64_t> due;
    for (const auto& [key, timer] : timers_) {
        if (!due || timer.dueMs < *due) due = timer.dueMs;
    }
    return due;
}

int PollLoop::timeoutUntilNextTimer() const {
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

void PollLoop::waitAndDispatch(int timeoutMs) {
    std::vector<pollfd> fds;
    std::vector<std::uint64_t> generations;
    fds.reserve(watches_.size() + 1);
    generations.reserve(watches_.size());
    fds.push_back(pollfd{wakeFd_, POLLIN, 0});
    for (const auto& [fd, w] : watches_) {
        short events = 0;
        if (hasInterest(w.interest, Interest::Read)) events |= POLLIN;
        if (hasInterest(w.interest, Interest::Write)) events |= POLLOUT;
        fds.push_back(pollfd{fd, events, 0});
        generations.push_back(w.generation);
    }
    int ready = ::poll(fds.data(), fds.size(), timeoutMs);
    if (ready < 0 && errno != EINTR)
        throw std::system_error(errno, std::generic_category(), "poll");

    if (ready > 0 && (fds[0].revents & POLLIN)) drainWakeFd();
    dispatchPosted();

    if (ready > 0) {
        for (std::size_t i = 1; i < fds.size(); ++i) {
            if (fds[i].revents == 0) continue;
            // The watch may have been removed or replaced by an earlier callback.
            auto it = watches_.find(fds[i].fd);
            if (it == watches_.end() || it->second.generation != generations[i - 1]) continue;
            Readiness r;
            r.readable = (fds[i].revents & POLLIN) != 0;
            r.writable = (fds[i].revents & POLLOUT) != 0;
            r.hangup = (fds[i].revents & (POLLHUP | POLLNVAL)) != 0;
            r.error = (fds[i].revents & POLLERR) != 0;
            auto callback = it->second.callback;
            (*callback)(r);
        }
    }
    dispatchTimers();
}

void PollLoop::dispatchPosted() {
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

void PollLoop::dispatchTimers() {
    const std::int64_t now = clock_.nowMs();
    std::vector<std::pair<TimerKey, std::uint64_t>> due;
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

void PollLoop::drainWakeFd() {
    std::uint64_t count;
    while (::read(wakeFd_, &count, sizeof count) > 0) {
    }
}

}  // namespace zov::platform

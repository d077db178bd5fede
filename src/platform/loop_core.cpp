#include "platform/loop_core.hpp"

#include <algorithm>
#include <limits>

#include "platform/clock.hpp"

namespace zov::platform {

void LoopCore::setTimer(TimerKey key, std::int64_t intervalMs, Callback callback) {
    intervalMs = std::max<std::int64_t>(intervalMs, 1);
    timers_[key] = Timer{intervalMs, clock_.nowMs() + intervalMs, nextGeneration(),
                         std::make_shared<Callback>(std::move(callback))};
}

void LoopCore::killTimer(TimerKey key) {
    timers_.erase(key);
}

bool LoopCore::hasTimer(TimerKey key) const {
    return timers_.count(key) != 0;
}

void LoopCore::post(Callback callback) {
    {
        std::lock_guard lock(postedMutex_);
        posted_.push_back(std::move(callback));
    }
    wake();
}

void LoopCore::processPending() {
    waitAndDispatch(0);
}

void LoopCore::run() {
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

void LoopCore::quit() {
    if (!runStack_.empty()) *runStack_.back() = true;
}

bool LoopCore::runUntil(const std::function<bool()>& predicate,
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

std::optional<std::int64_t> LoopCore::nextTimerDue() const {
    std::optional<std::int64_t> due;
    for (const auto& [key, timer] : timers_) {
        if (!due || timer.dueMs < *due) due = timer.dueMs;
    }
    return due;
}

int LoopCore::timeoutUntilNextTimer() const {
    {
        std::lock_guard lock(postedMutex_);
        if (!posted_.empty()) return 0;
    }
    auto due = nextTimerDue();
    if (!due) return -1;
    std::int64_t wait = *due - clock_.nowMs();
    if (wait <= 0) return 0;
    if (!clock_.advancesByItself()) return -1;
    return static_cast<int>(std::min<std::int64_t>(wait, std::numeric_limits<int>::max()));
}

void LoopCore::dispatchPosted() {
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

void LoopCore::dispatchTimers() {
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

}  // namespace zov::platform

#include "platform/loop_core.hpp"

#include <algorithm>
#include <functional>
#include <limits>

#include "platform/clock.hpp"

namespace zov::platform {

namespace {

constexpr auto kLaterFirst = std::greater<>{};

}  // namespace

void LoopCore::setTimer(TimerKey key, std::int64_t intervalMs, Callback callback) {
    intervalMs = std::max<std::int64_t>(intervalMs, 1);
    Timer& timer = timers_[key];
    timer.intervalMs = intervalMs;
    timer.callback = std::make_shared<Callback>(std::move(callback));
    arm(key, timer, clock_.nowMs() + intervalMs);
}

void LoopCore::killTimer(TimerKey key) {
    timers_.erase(key);
}

void LoopCore::arm(TimerKey key, Timer& timer, std::int64_t dueMs) {
    timer.dueMs = dueMs;
    timer.arming = nextArming_++;
    // Left-behind places are dropped in one sweep once they outnumber the live timers.
    if (dueOrder_.size() > 2 * timers_.size() + 64) {
        std::erase_if(dueOrder_, [this](const Due& place) { return !isCurrent(place); });
        std::make_heap(dueOrder_.begin(), dueOrder_.end(), kLaterFirst);
    }
    dueOrder_.push_back(Due{dueMs, timer.arming, key});
    std::push_heap(dueOrder_.begin(), dueOrder_.end(), kLaterFirst);
}

bool LoopCore::isCurrent(const Due& place) const {
    auto it = timers_.find(place.key);
    return it != timers_.end() && it->second.arming == place.arming;
}

void LoopCore::dropStaleTop() const {
    while (!dueOrder_.empty() && !isCurrent(dueOrder_.front())) {
        std::pop_heap(dueOrder_.begin(), dueOrder_.end(), kLaterFirst);
        dueOrder_.pop_back();
    }
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
    dropStaleTop();
    if (dueOrder_.empty()) return std::nullopt;
    return dueOrder_.front().dueMs;
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
    // A timer runs at most once a pass: re-armed, it falls due after this pass's moment.
    const std::int64_t now = clock_.nowMs();
    while (true) {
        dropStaleTop();
        if (dueOrder_.empty() || dueOrder_.front().dueMs > now) return;
        const TimerKey key = dueOrder_.front().key;
        std::pop_heap(dueOrder_.begin(), dueOrder_.end(), kLaterFirst);
        dueOrder_.pop_back();
        Timer& timer = timers_.at(key);
        // Re-arm first: like a window timer, an overdue timer fires once, then counts
        // a whole interval again from now.
        arm(key, timer, clock_.nowMs() + timer.intervalMs);
        auto callback = timer.callback;
        (*callback)();
    }
}

}  // namespace zov::platform

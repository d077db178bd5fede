#include "login_throttle.hpp"

#include <algorithm>

namespace zov::service {

std::int64_t LoginThrottle::delayAfter(int failures) const {
    if (settings_.maxDelayMs <= 0 || failures < settings_.freeFailures) return 0;
    std::int64_t delay = settings_.firstDelayMs;
    for (int n = settings_.freeFailures; n < failures && delay < settings_.maxDelayMs; ++n)
        delay *= 2;
    return std::min(delay, settings_.maxDelayMs);
}

std::int64_t LoginThrottle::takeTurn(const std::string& address, std::int64_t nowMs) {
    auto found = records_.find(address);
    if (found == records_.end()) return nowMs;
    Record& record = found->second;
    if (forgotten(record, nowMs)) {
        records_.erase(found);
        return nowMs;
    }
    const std::int64_t delay = delayAfter(record.failures);
    if (delay == 0) return nowMs;
    // However many attempts queue up, none waits longer than the longest wait.
    const std::int64_t turn =
        std::min(std::max(nowMs, record.nextTurnMs), nowMs + settings_.maxDelayMs);
    record.nextTurnMs = turn + delay;
    return turn;
}

void LoginThrottle::failed(const std::string& address, std::int64_t nowMs) {
    auto found = records_.find(address);
    if (found != records_.end() && forgotten(found->second, nowMs)) {
        records_.erase(found);
        found = records_.end();
    }
    if (found == records_.end()) {
        makeRoom(nowMs);
        found = records_.emplace(address, Record{}).first;
    }
    Record& record = found->second;
    ++record.failures;
    record.lastFailureMs = nowMs;
    record.nextTurnMs = std::max(record.nextTurnMs, nowMs + delayAfter(record.failures));
}

bool LoginThrottle::forgotten(const Record& record, std::int64_t nowMs) const {
    return nowMs - record.lastFailureMs >= settings_.forgetAfterMs && nowMs >= record.nextTurnMs;
}

// Quiet addresses go first; when every remembered address is recent, the longest quiet.
void LoginThrottle::makeRoom(std::int64_t nowMs) {
    if (records_.size() < settings_.maxAddresses) return;
    std::erase_if(records_, [&](const auto& entry) { return forgotten(entry.second, nowMs); });
    if (records_.size() < settings_.maxAddresses || records_.empty()) return;
    auto quietest = std::min_element(records_.begin(), records_.end(), [](auto& a, auto& b) {
        return a.second.lastFailureMs < b.second.lastFailureMs;
    });
    records_.erase(quietest);
}

}  // namespace zov::service

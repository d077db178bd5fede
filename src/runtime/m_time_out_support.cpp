#include "runtime/m_time_out_support.hpp"

#include "platform/error.hpp"
#include "platform/event_loop.hpp"
#include "runtime/c_timeout.hpp"

namespace zov::runtime::MTimeOutSupport {

namespace {

bool validInterval(std::int32_t seconds) {
    return seconds > 0 && seconds <= kLongestIntervalSeconds;
}

void arm(platform::EventLoop& loop, std::uint64_t identifier, std::int32_t seconds,
         const std::weak_ptr<CTimeout>& owner) {
    loop.setTimer(identifier, static_cast<std::int64_t>(seconds) * 1000, [owner] {
        // The timer procedure: an owner that is gone gets nothing.
        if (auto timer = owner.lock()) timer->RaiseTimeOut();
    });
}

}  // namespace

std::uint64_t RegisterTimer(platform::EventLoop& loop, std::int32_t seconds,
                            const std::weak_ptr<CTimeout>& owner) {
    if (!validInterval(seconds)) {
        throw Error(17002, "Cannot create the timer", "MTimeOutSupport.RegisterTimer");
    }
    std::uint64_t identifier = loop.newTimerKey();
    arm(loop, identifier, seconds, owner);
    return identifier;
}

void ResetTimer(platform::EventLoop& loop, std::uint64_t identifier, std::int32_t seconds,
                const std::weak_ptr<CTimeout>& owner) {
    if (identifier == 0 || !validInterval(seconds)) return;
    arm(loop, identifier, seconds, owner);
}

void UnregisterTimer(platform::EventLoop& loop, std::uint64_t identifier) {
    loop.killTimer(identifier);
}

}  // namespace zov::runtime::MTimeOutSupport

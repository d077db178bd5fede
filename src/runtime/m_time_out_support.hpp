#pragma once
// The window timers behind every CTimeout. Each timer object has its own identifier and
// the event loop keeps only a weak reference to it, so destroying one timer object ends
// only its own timer, and no callback ever reaches an object that is gone.

#include <cstdint>
#include <memory>

namespace zov::platform {
class EventLoop;
}

namespace zov::runtime {
class CTimeout;
}

namespace zov::runtime::MTimeOutSupport {

// The longest interval: milliseconds are counted in 32 bits.
inline constexpr std::int32_t kLongestIntervalSeconds = 2147483;

// Arms a new timer for the owner and returns its identifier. Raises 17002 "Cannot create
// the timer" when the interval cannot be kept.
std::uint64_t RegisterTimer(platform::EventLoop& loop, std::int32_t seconds,
                            const std::weak_ptr<CTimeout>& owner);
// Re-arms the identifier's countdown; errors are ignored (the timer is left as it was).
void ResetTimer(platform::EventLoop& loop, std::uint64_t identifier, std::int32_t seconds,
                const std::weak_ptr<CTimeout>& owner);
void UnregisterTimer(platform::EventLoop& loop, std::uint64_t identifier);

}  // namespace zov::runtime::MTimeOutSupport

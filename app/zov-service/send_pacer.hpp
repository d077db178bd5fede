#pragma once
// Keeps one data connection under a rate: it says how large the next block may be and how
// long to wait before it goes. Time is the event loop's clock, so the waiting is a timer
// and never a sleep. Bytes are paid for as they are sent; time a slow client spent not
// taking them is not saved up for a burst later.

#include <cstddef>
#include <cstdint>

namespace zov::service {

class SendPacer {
  public:
    // 0 bytes per second: no limit.
    explicit SendPacer(std::int64_t bytesPerSecond = 0) : rate_(bytesPerSecond) {}

    bool limited() const { return rate_ > 0; }
    // A tenth of a second's worth (at least a byte, at most `largest`), so a throttled
    // download still moves in small, even steps.
    std::size_t blockSize(std::size_t largest) const;

    // A new transfer starts at `nowMs` with nothing sent.
    void restart(std::int64_t nowMs);
    // Milliseconds to wait before the next block may be sent; 0 when it may go now.
    std::int64_t waitMs(std::int64_t nowMs) const;
    // `bytes` were handed to the connection at `nowMs`.
    void sent(std::size_t bytes, std::int64_t nowMs);

  private:
    std::int64_t rate_;
    std::int64_t paidUntilUs_ = 0;  // when the bytes sent so far may all have gone
};

}  // namespace zov::service

#pragma once
// The ground shared by the event-loop contract suites (event_loop_timer_contract.hpp,
// event_loop_dispatch_contract.hpp): what every loop of the system promises, written once
// and run against each loop, the poll loop in tests_platform and Qt's loop in
// tests_desktop. A loop's test file instantiates both suites with a harness of the form
//   struct Harness {
//       using Loop = SomeLoop;  // constructible from a const Clock&
//       static void advance(Loop&, platform::ManualClock&, std::int64_t ms);
//   };
// where advance moves the manual clock as real time would pass (support/manual_time.hpp).

#include <gtest/gtest.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <stdexcept>

#include "platform/clock.hpp"
#include "platform/event_loop.hpp"

namespace zov::test {

// Ends the innermost run of a loop if the test has not ended it within a generous real
// time. It wakes the loop through a timer descriptor of its own, so a loop that misses a post
// or a timer still returns and the test fails instead of hanging. A hang guard, not a timing.
class RunWatchdog {
  public:
    explicit RunWatchdog(platform::EventLoop& loop,
                         std::chrono::seconds limit = std::chrono::seconds(20))
        : loop_(loop), fd_(::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC)) {
        const itimerspec due{{}, {static_cast<time_t>(limit.count()), 0}};
        if (fd_ < 0 || ::timerfd_settime(fd_, 0, &due, nullptr) != 0) {
            throw std::runtime_error("timerfd");
        }
        loop_.watch(fd_, platform::Interest::Read, [this](platform::Readiness) {
            loop_.unwatch(fd_);
            expired_ = true;
            loop_.quit();
        });
    }
    ~RunWatchdog() {
        loop_.unwatch(fd_);
        ::close(fd_);
    }

    bool expired() const { return expired_; }

  private:
    platform::EventLoop& loop_;
    int fd_;
    bool expired_ = false;
};

// A pipe that closes both ends when the test ends, however it ends.
struct TestPipe {
    int readEnd = -1;
    int writeEnd = -1;
    TestPipe() {
        int fds[2];
        if (::pipe(fds) != 0) throw std::runtime_error("pipe");
        readEnd = fds[0];
        writeEnd = fds[1];
    }
    ~TestPipe() {
        if (readEnd >= 0) ::close(readEnd);
        closeWriteEnd();
    }
    void put() const { ASSERT_EQ(::write(writeEnd, "x", 1), 1); }
    void take() const {
        char byte;
        ASSERT_EQ(::read(readEnd, &byte, 1), 1);
    }
    void closeWriteEnd() {
        if (writeEnd >= 0) ::close(writeEnd);
        writeEnd = -1;
    }
};

template <class Harness>
class EventLoopFixture : public ::testing::Test {
  protected:
    using Loop = typename Harness::Loop;
    void advance(std::int64_t ms) { Harness::advance(loop, clock, ms); }

    platform::ManualClock clock;
    Loop loop{clock};
};

}  // namespace zov::test

// The cost of one pass of the event loop with 10,000 live timers: a pass when none is due
// (the common case: the loop woke for a socket), a pass in which one falls due and is
// re-armed, and setting and killing a timer. The clock is the manual one, so the figures are
// the loop's own work, not waiting.

#include <chrono>
#include <cstdio>
#include <vector>

#include "bench_support.hpp"
#include "platform/clock.hpp"
#include "platform/poll_loop.hpp"

namespace {

using namespace zov;
using Steady = std::chrono::steady_clock;

constexpr int kTimers = 10'000;
constexpr int kRounds = 2'000;

double microsecondsPer(int count, Steady::time_point started) {
    return std::chrono::duration<double, std::micro>(Steady::now() - started).count() / count;
}

}  // namespace

int main() {
    platform::ManualClock clock;
    platform::PollLoop loop(clock);
    long fired = 0;
    // Intervals from 1 s to about 17 min, so at any moment only a few are close to due.
    for (int i = 0; i < kTimers; ++i)
        loop.setTimer(static_cast<platform::TimerKey>(i + 1), 1000 + 97 * i, [&fired] { ++fired; });

    std::vector<double> idle, oneDue, setAndKill;
    for (int run = 0; run < 7; ++run) {
        auto started = Steady::now();
        for (int i = 0; i < kRounds; ++i)
            loop.processPending();
        idle.push_back(microsecondsPer(kRounds, started));

        // Each step brings the next timer due; the pass runs it and arms it again.
        started = Steady::now();
        for (int i = 0; i < kRounds; ++i) {
            clock.set(*loop.nextTimerDue());
            loop.processPending();
        }
        oneDue.push_back(microsecondsPer(kRounds, started));

        started = Steady::now();
        for (int i = 0; i < kRounds; ++i) {
            const auto key = static_cast<platform::TimerKey>(kTimers + 1 + i);
            loop.setTimer(key, 5000, [] {});
            loop.killTimer(key);
        }
        setAndKill.push_back(microsecondsPer(kRounds, started));
    }
    std::printf("event loop with %d live timers (median of 7 runs of %d):\n", kTimers, kRounds);
    std::printf("  a pass with no timer due:        %8.2f us\n", bench::median(idle));
    std::printf("  a pass with one timer due:       %8.2f us\n", bench::median(oneDue));
    std::printf("  setting and killing a timer:     %8.2f us\n", bench::median(setAndKill));
    std::printf("  (%ld timer callbacks ran)\n", fired);
    return 0;
}

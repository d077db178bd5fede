// The pacing of a throttled data connection, on a clock the test moves itself.

#include "send_pacer.hpp"

#include <gtest/gtest.h>

#include <cstdint>

namespace zov::test {
namespace {

using service::SendPacer;

// A client that takes everything at once: each block goes as soon as the pacer allows.
// Returns the virtual moment each block went.
struct Eager {
    SendPacer pacer;
    std::int64_t now = 0;
    std::int64_t total = 0;
    void sendBlocks(int count) {
        for (int i = 0; i < count; ++i) {
            now += pacer.waitMs(now);
            std::size_t block = pacer.blockSize(SendPacer(0).blockSize(65536));
            pacer.sent(block, now);
            total += static_cast<std::int64_t>(block);
        }
    }
};

TEST(SendPacerTest, WithoutARateEverythingGoesAtOnceInWholeBlocks) {
    SendPacer pacer;
    pacer.restart(1000);
    EXPECT_FALSE(pacer.limited());
    EXPECT_EQ(pacer.blockSize(65536), 65536u);
    pacer.sent(65536, 1000);
    EXPECT_EQ(pacer.waitMs(1000), 0);
}

TEST(SendPacerTest, AnEagerClientGetsTheRateAndNeverMore) {
    for (std::int64_t rate : {100'000, 33'333, 5'000'000, 7}) {
        Eager eager{SendPacer(rate)};
        eager.pacer.restart(0);
        std::size_t block = eager.pacer.blockSize(65536);
        EXPECT_GE(block, 1u) << rate;
        EXPECT_LE(block, 65536u) << rate;
        for (int round = 0; round < 50; ++round) {
            eager.sendBlocks(1);
            // What went by any moment is paid for by then, the block in hand aside.
            EXPECT_LE(eager.total - static_cast<std::int64_t>(block), rate * eager.now / 1000)
                << rate << " after " << eager.total;
        }
        // ... and the pacer does not hold back much more than the rate asks (1 ms rounding
        // per block at most).
        EXPECT_GE(eager.total + static_cast<std::int64_t>(block), rate * (eager.now - 50) / 1000)
            << rate;
    }
}

TEST(SendPacerTest, TimeAClientSpentNotReadingIsNotSavedUpForABurst) {
    SendPacer pacer(100'000);  // blocks of 10,000 bytes, a tenth of a second each
    pacer.restart(0);
    pacer.sent(10'000, 0);
    EXPECT_EQ(pacer.waitMs(0), 100);
    EXPECT_EQ(pacer.waitMs(60), 40);
    // The client stalls for ten seconds; then one block goes at once and the next waits
    // its tenth of a second again.
    EXPECT_EQ(pacer.waitMs(10'100), 0);
    pacer.sent(10'000, 10'100);
    EXPECT_EQ(pacer.waitMs(10'100), 100);
    // A new transfer starts afresh.
    pacer.restart(10'150);
    EXPECT_EQ(pacer.waitMs(10'150), 0);
}

}  // namespace
}  // namespace zov::test

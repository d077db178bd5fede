// What the login waits remember: attempts that arrive together, an address gone quiet, and
// a bounded number of addresses (the waits themselves are shown end to end by the logins
// test). On a clock the test moves itself.

#include "login_throttle.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zov::test {
namespace {

using service::LoginThrottle;

constexpr LoginThrottle::Settings kSettings{.freeFailures = 5,
                                            .firstDelayMs = 1'000,
                                            .maxDelayMs = 8'000,
                                            .forgetAfterMs = 600'000,
                                            .maxAddresses = 3};

// `count` wrong passwords in a row, each tried as soon as its turn comes; returns the
// waits and leaves `now` at the last verdict.
std::vector<std::int64_t> guess(LoginThrottle& throttle, const std::string& address, int count,
                                std::int64_t& now) {
    std::vector<std::int64_t> waits;
    for (int i = 0; i < count; ++i) {
        const std::int64_t turn = throttle.takeTurn(address, now);
        waits.push_back(turn - now);
        now = turn;
        throttle.failed(address, now);
    }
    return waits;
}

TEST(LoginThrottleTest, AttemptsArrivingTogetherAreJudgedOneWaitApartButNeverBeyondTheBound) {
    LoginThrottle throttle(kSettings);
    std::int64_t now = 0;
    guess(throttle, "127.0.0.2", 5, now);
    std::vector<std::int64_t> turns;
    for (int i = 0; i < 12; ++i)
        turns.push_back(throttle.takeTurn("127.0.0.2", now) - now);
    EXPECT_EQ(turns, (std::vector<std::int64_t>{1'000, 2'000, 3'000, 4'000, 5'000, 6'000, 7'000,
                                                8'000, 8'000, 8'000, 8'000, 8'000}));
}

TEST(LoginThrottleTest, AQuietAddressStartsAfreshAndTheMemoryIsBounded) {
    LoginThrottle throttle(kSettings);
    std::int64_t now = 0;
    guess(throttle, "127.0.0.2", 7, now);
    std::int64_t later = now + kSettings.forgetAfterMs;
    EXPECT_EQ(guess(throttle, "127.0.0.2", 5, later), (std::vector<std::int64_t>(5, 0)));

    // With room for three addresses, a fourth pushes out the one quiet the longest.
    now = later;
    for (const char* address : {"127.0.0.3", "127.0.0.4", "127.0.0.5"})
        guess(throttle, address, 6, now);
    EXPECT_GT(throttle.takeTurn("127.0.0.5", now), now);
    throttle.failed("127.0.0.2", now);  // its sixth, were the first five still known
    EXPECT_EQ(throttle.takeTurn("127.0.0.2", now), now);
}

}  // namespace
}  // namespace zov::test

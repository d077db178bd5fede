// The delivery server's limits on the manual clock: a throttled download keeps to its
// rate and is never taken for idle, a quiet control connection is told and closed, and a
// client that will not let go is cut off.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "config/media_info.hpp"
#include "service/service_fixture.hpp"
#include "support/manual_time.hpp"

namespace zov::test {
namespace {

constexpr const char* kIdleReply = "421 Idle time-out; closing the control connection.\r\n";

TEST_F(ServiceTest, AThrottledDownloadKeepsToItsRateAndIsNeverTakenForIdle) {
    constexpr std::int64_t kRate = 100'000;  // blocks of 10,000 bytes
    constexpr std::int64_t kBlock = kRate / 10;
    // Longer than the engine's one-second completion check, shorter than the transfer.
    constexpr std::int64_t kIdle = 1'500;
    service::DeliveryServer throttled{
        loop,
        resolver,
        subscribers,
        throttle,
        service::MovieFolder(root_ / "movies"),
        {.limits = {.bytesPerSecond = kRate, .idleTimeoutMs = kIdle}}};
    throttled.start();
    const std::string bytes = movieBytes(350'000);
    writeFile(root_ / "movies" / "movie.wmv", bytes);
    config::MediaInfo movie;
    movie.setRemoteFileName("movie");
    movie.setFileExtension(".wmv");

    auto download = engine(throttled.port());
    std::vector<std::pair<std::int64_t, std::int32_t>> progress;  // (virtual ms, bytes)
    download->onDownloading.connect(
        [&](std::int32_t& got) { progress.emplace_back(clock.nowMs(), got); });
    download->downloadNoTrickle(movie, "C:\\zov\\");
    // The first block goes as soon as the transfer starts; the rest wait for the clock.
    ASSERT_TRUE(until([&] { return !progress.empty() || !errors.empty(); }));
    const std::int64_t start = clock.nowMs();
    EXPECT_LE(progress.back().second, kBlock);
    const auto total = static_cast<std::int32_t>(bytes.size());
    for (int step = 0; step < 100 && progress.back().second < total && errors.empty(); ++step) {
        advanceTime(loop, clock, 100);
        for (int i = 0; i < 3; ++i)
            loop.processPending();
    }
    // The server finds the file ended at its next turn and says so; the engine's
    // completion check then runs a second later.
    advanceTime(loop, clock, 100);
    finishDownload();

    ASSERT_EQ(downloaded, 1);
    EXPECT_TRUE(errors.empty());
    EXPECT_TRUE(readFile(root_ / "zov" / "movie.wmv") == bytes);
    for (auto [at, got] : progress) {
        EXPECT_LE(got, kRate * (at - start) / 1000 + kBlock) << "at " << at - start;
    }
    // Data still came well after one idle period: flowing data is activity.
    EXPECT_GT(progress.back().first - start, 2 * kIdle);
}

TEST_F(ServiceTest, AQuietControlConnectionIsToldAndClosed) {
    auto control = connect(delivery.port());  // the default limits: 300 s
    ask(*control, "");
    control->received.clear();
    advanceTime(loop, clock, 299'000);
    EXPECT_EQ(control->received, "");
    EXPECT_EQ(ask(*control, "NOOP"), "200 OK.\r\n");  // speaking starts the countdown afresh
    control->received.clear();
    advanceTime(loop, clock, 299'000);
    EXPECT_EQ(control->received, "");
    EXPECT_FALSE(control->closed);

    advanceTime(loop, clock, 1'000);
    ASSERT_TRUE(until([&control] { return control->closed; }));
    EXPECT_EQ(control->received, kIdleReply);
    EXPECT_TRUE(until([this] { return delivery.sessionCount() == 0; }));
}

TEST_F(ServiceTest, ATransferWaitingForItsDataConnectionEndsAsIdleToo) {
    writeFile(root_ / "movies" / "movie.wmv", movieBytes(1000));
    auto control = connect(delivery.port());
    ask(*control, "");
    ask(*control, "USER bob");
    ask(*control, "PASS s3cret");
    ASSERT_EQ(ask(*control, "PASV").rfind("227 ", 0), 0u);
    ASSERT_EQ(ask(*control, "RETR movie.wmv").rfind("150 ", 0), 0u);  // no data connection
    control->received.clear();
    advanceTime(loop, clock, 300'000);
    ASSERT_TRUE(until([&control] { return control->closed; }));
    EXPECT_EQ(control->received, kIdleReply);
}

TEST_F(ServiceTest, AClientThatNeverLetsGoIsCutOffAnIdlePeriodAfterItWasTold) {
    RawClient client(delivery.port());  // never reads, never closes
    ASSERT_TRUE(until([this] { return delivery.sessionCount() == 1; }));
    advanceTime(loop, clock, 300'000);
    EXPECT_EQ(client.take(), "220-ZOV delivery server\r\n220 Ready.\r\n" + std::string(kIdleReply));
    EXPECT_EQ(delivery.sessionCount(), 1u);  // told, but still holding on
    advanceTime(loop, clock, 300'000);
    EXPECT_TRUE(until([this] { return delivery.sessionCount() == 0; }));
    EXPECT_TRUE(client.hungUp());
}

}  // namespace
}  // namespace zov::test

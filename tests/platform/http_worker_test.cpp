// Web pages fetched off the loop: the answer comes back on the loop, failures come back as
// text, and a worker that goes away tells nobody afterwards.

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>

#include "platform/clock.hpp"
#include "platform/curl_http_client.hpp"
#include "platform/http_worker.hpp"
#include "platform/poll_loop.hpp"
#include "support/http_test_server.hpp"

namespace zov {
namespace {

constexpr auto kPatience = std::chrono::seconds(30);

struct HttpWorkerTest : ::testing::Test {
    platform::ManualClock clock;
    platform::PollLoop loop{clock};
    platform::CurlHttpClient http;
    test::HttpTestServer server;
};

TEST_F(HttpWorkerTest, AnswersAndFailuresArriveOnTheLoopInOrder) {
    server.respond(200, "<html>guide</html>");
    platform::HttpWorker worker(loop, http, {.connectTimeoutMs = 5000, .totalTimeoutMs = 10000});
    std::vector<std::string> seen;
    worker.get(server.url("/guide"),
               [&](std::optional<platform::HttpResponse> response, std::string) {
                   ASSERT_TRUE(response);
                   seen.push_back(std::to_string(response->status) + " " + response->body);
               });
    worker.get("gopher://127.0.0.1/",
               [&](std::optional<platform::HttpResponse> response, std::string failure) {
                   EXPECT_FALSE(response);
                   EXPECT_FALSE(failure.empty());
                   seen.push_back("failed");
               });
    ASSERT_TRUE(loop.runUntil([&] { return seen.size() == 2; }, kPatience));
    EXPECT_EQ(seen, (std::vector<std::string>{"200 <html>guide</html>", "failed"}));
}

TEST_F(HttpWorkerTest, NothingIsToldAfterTheWorkerWent) {
    server.respond(200, "late");
    bool told = false;
    {
        platform::HttpWorker worker(loop, http, {});
        worker.get(server.url("/"), [&](auto, std::string) { told = true; });
        // Waits for the request under way; its answer is already posted or never will be.
    }
    loop.processPending();
    EXPECT_FALSE(told);
}

}  // namespace
}  // namespace zov

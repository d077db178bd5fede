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

TEST(HttpWorker, AnswersAndFailuresArriveOnTheLoopInOrderAndNotAfterTheWorkerWent) {
    platform::ManualClock clock;
    platform::PollLoop loop{clock};
    platform::CurlHttpClient http;
    test::HttpTestServer server;
    server.respond(200, "<html>guide</html>");
    std::vector<std::string> seen;
    const auto record = [&](std::optional<platform::HttpResponse> response, std::string failure) {
        seen.push_back(response ? std::to_string(response->status) + " " + response->body
                                : "failed: " + std::to_string(!failure.empty()));
    };
    {
        platform::HttpWorker worker(loop, http,
                                    {.connectTimeoutMs = 5000, .totalTimeoutMs = 10000});
        worker.get(server.url("/guide"), record);
        worker.get("gopher://127.0.0.1/", record);
        ASSERT_TRUE(loop.runUntil([&] { return seen.size() == 2; }, std::chrono::seconds(30)));
        EXPECT_EQ(seen, (std::vector<std::string>{"200 <html>guide</html>", "failed: 1"}));
        worker.get(server.url("/"), record);
        // Leaving waits for the request under way; its answer is already posted or never will be.
    }
    loop.processPending();
    EXPECT_EQ(seen.size(), 2u);
}

}  // namespace
}  // namespace zov

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.hpp"
#include "platform/poll_loop.hpp"
#include "ui/headless/memory_browser.hpp"
#include "ui/headless/memory_document.hpp"
#include "ui/headless/page_sources.hpp"

namespace zov::test {
namespace {

using namespace std::chrono_literals;
using ui::ControlName;
using ui::FrameLevel;
using ui::headless::MemoryBrowser;
using ui::headless::MemoryDocument;
using ui::headless::PageSources;

struct MemoryBrowserTest : ::testing::Test {
    platform::ManualClock clock;
    platform::PollLoop loop{clock};
    PageSources pages;
    std::vector<std::string> events;

    // Records the browser's events as "before <url>" / "complete <url>", frames marked.
    std::function<void(const std::string&, FrameLevel)> record(const std::string& what) {
        return [this, what](const std::string& url, FrameLevel level) {
            events.push_back(what + url + (level == FrameLevel::Frame ? " (frame)" : ""));
        };
    }
};

TEST_F(MemoryBrowserTest, NavigationAnnouncesTheStartAtOnceThenFramesThenThePage) {
    pages.add("http://127.0.0.1/guide",
              "<iframe src='http://127.0.0.1/ad'></iframe><input type=hidden name=c_uid value=m1>"
              "<frame src='http://127.0.0.1/side'>");
    MemoryBrowser browser(ControlName{"movieGuide", "bufferView", nullptr}, loop, pages);
    browser.BeforeNavigate2.connect(record("before "));
    browser.DocumentComplete.connect(record("complete "));

    browser.Navigate("http://127.0.0.1/guide");
    EXPECT_EQ(events, std::vector<std::string>{"before http://127.0.0.1/guide"});
    EXPECT_TRUE(browser.busy());
    EXPECT_EQ(browser.LocationURL(), "");  // the page has not arrived yet

    ASSERT_TRUE(loop.runUntil([&] { return !browser.busy(); }, 10s));
    EXPECT_EQ(events,
              (std::vector<std::string>{
                  "before http://127.0.0.1/guide", "before http://127.0.0.1/ad (frame)",
                  "complete http://127.0.0.1/ad (frame)", "before http://127.0.0.1/side (frame)",
                  "complete http://127.0.0.1/side (frame)", "complete http://127.0.0.1/guide"}));
    EXPECT_EQ(browser.LocationURL(), "http://127.0.0.1/guide");
    EXPECT_EQ(browser.document()->all("c_uid")->value(), "m1");

    // The empty page, and an address nothing serves, still complete with an empty body.
    for (const std::string url : {"about:blank", "http://127.0.0.1/missing"}) {
        browser.Navigate(url);
        ASSERT_TRUE(loop.runUntil([&] { return !browser.busy(); }, 10s));
        EXPECT_EQ(browser.LocationURL(), url);
        EXPECT_EQ(browser.document()->body()->innerHtml(), "");
        EXPECT_EQ(events.back(), "complete " + url);
    }
}

// Web pages from a fetcher: busy until the answer, registered pages still first, and an
// answer for a load that a newer one replaced is dropped.
TEST_F(MemoryBrowserTest, WebPagesArriveFromTheFetcherAndStaleAnswersAreDropped) {
    std::vector<std::pair<std::string, PageSources::Done>> asked;
    pages.setFetcher([&](const std::string& url, PageSources::Done done) {
        asked.emplace_back(url, std::move(done));
    });
    pages.add("http://127.0.0.1/registered", "<p>here</p>");
    MemoryBrowser browser(ControlName{}, loop, pages);
    for (const char* url : {"http://127.0.0.1/old", "http://127.0.0.1/guide"}) {
        browser.Navigate(url);
        loop.processPending();
    }
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_TRUE(browser.busy());
    asked[1].second("<input type=hidden name=c_uid value=m2>");
    asked[0].second("<input type=hidden name=c_uid value=stale>");
    EXPECT_FALSE(browser.busy());
    EXPECT_EQ(browser.LocationURL(), "http://127.0.0.1/guide");
    EXPECT_EQ(browser.document()->all("c_uid")->value(), "m2");

    // A failed fetch completes with an empty page; a registered address is never fetched.
    browser.Navigate("http://127.0.0.1/down");
    loop.processPending();
    asked.back().second(std::nullopt);
    EXPECT_EQ(browser.document()->body()->innerHtml(), "");
    browser.Navigate("http://127.0.0.1/registered");
    ASSERT_TRUE(loop.runUntil([&] { return !browser.busy(); }, 10s));
    EXPECT_EQ(asked.size(), 3u);
}

}  // namespace
}  // namespace zov::test

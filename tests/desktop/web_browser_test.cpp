// The banner's browser: it navigates to a web page or a local file, says it is busy until
// the page is there, announces the completed page on the loop, and reloads it.

#include "ui/desktop/desktop_browser.hpp"

#include "desktop/web_page_driver.hpp"
#include "support/http_test_server.hpp"

using zov::test::HttpTestServer;
using zov::ui::ControlName;
using zov::ui::FrameLevel;
using zov::ui::desktop::DesktopBrowser;
using zov::ui::desktop::makeBrowser;

namespace {

using PageEvent = std::pair<std::string, FrameLevel>;

constexpr auto kBanner =
    R"(<html xmlns="http://www.w3.org/1999/xhtml"><head><title>Banner</title></head>)"
    R"(<body>Now showing</body></html>)";

struct BannerBrowser : zov::test::WebTest {
    HttpTestServer server;
    std::shared_ptr<DesktopBrowser> browser = makeBrowser(
        &window, ControlName{"mainPlayer", "commercialViewer", nullptr}, loop, drive.files());
    std::vector<PageEvent> started;
    std::vector<PageEvent> completed;

    void SetUp() override {
        browser->BeforeNavigate2.connect(
            [this](const std::string& url, FrameLevel level) { started.emplace_back(url, level); });
        browser->DocumentComplete.connect([this](const std::string& url, FrameLevel level) {
            completed.emplace_back(url, level);
        });
        browser->setRect({10, 600, 345, 85});
        window.resize(1024, 768);
        window.show();
    }

    bool waitForCompletions(std::size_t count) {
        return driver.waitFor([&] { return completed.size() >= count && !browser->busy(); });
    }
    // Requests for that page (the engine asks for a favicon of its own too).
    int pageRequests(const std::string& path) {
        int count = 0;
        for (const std::string& line : server.requestLines())
            count += line.rfind("GET " + path + " ", 0) == 0 ? 1 : 0;
        return count;
    }
    QString title() { return driver.evaluate(*browser->view(), "document.title").toString(); }
};

TEST_F(BannerBrowser, AWebPageIsAnnouncedOnceCompleteAndReloadedWithoutANewNavigation) {
    EXPECT_EQ(browser->document(), nullptr);
    server.respond(200, kBanner);
    const std::string url = server.url("/banner.html");
    browser->Navigate(url);
    EXPECT_EQ(started, std::vector<PageEvent>{PageEvent(url, FrameLevel::TopLevel)});
    EXPECT_TRUE(browser->busy());
    EXPECT_TRUE(completed.empty());

    ASSERT_TRUE(waitForCompletions(1));
    EXPECT_EQ(completed, std::vector<PageEvent>{PageEvent(url, FrameLevel::TopLevel)});
    EXPECT_EQ(browser->LocationURL(), url);
    EXPECT_NE(browser->document(), nullptr);
    EXPECT_EQ(title(), "Banner");

    browser->Refresh();
    EXPECT_TRUE(browser->busy());
    ASSERT_TRUE(waitForCompletions(2));
    EXPECT_EQ(started.size(), 1u);
    EXPECT_EQ(completed.at(1), completed.at(0));
    EXPECT_EQ(pageRequests("/banner.html"), 2);
}

// A page that never comes, then a local file named in the client's form: only the page
// shown last is announced, and only once, under the address as it was given.
TEST_F(BannerBrowser, ANewerNavigationSupersedesOneStillLoading) {
    server.staySilent();
    const std::string address = writePage("banner.html", kBanner);
    browser->Navigate(server.url("/never-answered.html"));
    ASSERT_TRUE(driver.waitFor([&] { return pageRequests("/never-answered.html") == 1; }));
    EXPECT_TRUE(browser->busy());
    browser->Navigate(address);
    ASSERT_TRUE(waitForCompletions(1));
    // A turn more for anything the first load might still announce.
    ASSERT_TRUE(driver.waitFor([&] { return title() == "Banner"; }));
    EXPECT_EQ(completed, std::vector<PageEvent>{PageEvent(address, FrameLevel::TopLevel)});
    EXPECT_EQ(browser->LocationURL(), address);
}

TEST_F(BannerBrowser, AHandlerThatNavigatesElsewhereStopsTheFirstLoad) {
    server.respond(200, kBanner);
    const std::string redirected = server.url("/banner.html");
    browser->BeforeNavigate2.connect([&](const std::string& url, FrameLevel level) {
        started.emplace_back(url, level);
        if (url == "about:blank") browser->Navigate(redirected);
    });
    browser->Navigate("about:blank");
    ASSERT_TRUE(waitForCompletions(1));
    EXPECT_EQ(completed, std::vector<PageEvent>{PageEvent(redirected, FrameLevel::TopLevel)});
    EXPECT_EQ(pageRequests("/banner.html"), 1);
}

}  // namespace

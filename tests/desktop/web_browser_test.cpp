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
    EXPECT_EQ(completed, started);
    EXPECT_EQ(browser->LocationURL(), url);
    EXPECT_EQ(title(), "Banner");

    browser->Refresh();
    EXPECT_TRUE(browser->busy());
    ASSERT_TRUE(waitForCompletions(2));
    EXPECT_EQ(started.size(), 1u);
    EXPECT_EQ(completed.at(1), completed.at(0));
    EXPECT_EQ(pageRequests("/banner.html"), 2);
}

// Only the page shown last is announced, once, under the address as it was given: after a
// page that never comes, a local file named in the client's form; and the page a handler of
// BeforeNavigate2 goes to instead.
TEST_F(BannerBrowser, ANewerNavigationSupersedesOneStillLoading) {
    server.staySilent();
    const std::string address = writePage("banner.html", kBanner);
    browser->Navigate(server.url("/never-answered.html"));
    ASSERT_TRUE(driver.waitFor([&] { return pageRequests("/never-answered.html") == 1; }));
    browser->Navigate(address);
    ASSERT_TRUE(waitForCompletions(1));
    // A turn more for anything the first load might still announce.
    ASSERT_TRUE(driver.waitFor([&] { return title() == "Banner"; }));
    EXPECT_EQ(completed, std::vector<PageEvent>{PageEvent(address, FrameLevel::TopLevel)});
    EXPECT_EQ(browser->LocationURL(), address);

    completed.clear();
    browser->BeforeNavigate2.connect([&](const std::string& url, FrameLevel) {
        if (url == "about:blank") browser->Navigate(address);
    });
    browser->Navigate("about:blank");
    ASSERT_TRUE(waitForCompletions(1));
    ASSERT_TRUE(driver.waitFor([&] { return title() == "Banner"; }));
    EXPECT_EQ(completed, std::vector<PageEvent>{PageEvent(address, FrameLevel::TopLevel)});
}

}  // namespace

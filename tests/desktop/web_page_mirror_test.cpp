// The guide's and the playlist's browser: the page runs in WebEngine, the client reads and
// changes it through the mirror, synchronously, and a real click on a wired element reaches
// the client's handler with the fields as the page held them at the click.

#include "desktop/desktop_ui_fixture.hpp"
#include "desktop/web_page_driver.hpp"
#include "platform/error.hpp"
#include "ui/desktop/desktop_browser.hpp"

using namespace zov::ui;
using namespace zov::ui::desktop;

namespace {

using PageEvent2 = std::pair<std::string, FrameLevel>;

// The fields follow the item pressed, as the service's guide keeps them. The title is a text
// field: a script's change of its value shows in no event and no change of the markup, so
// only the click itself can carry it.
constexpr auto kGuide = R"HTML(<html><head><script>
function choose(item) {
  document.getElementsByName('c_uid')[0].value = item.getAttribute('data-uid');
  document.getElementsByName('c_mediaTitle')[0].value = item.textContent;
}
</script></head><body>
<iframe src="frame.html" width="50" height="20"></iframe>
<p id="status">ready</p><p name="doomed">soon gone</p>
<a href="#first" name="clip_control" data-uid="first" onmousedown="choose(this)">First</a><br>
<a href="#second" name="clip_control" data-uid="second" onmousedown="choose(this)"
   style="display:block; margin-top:40px; padding:10px">Second</a>
<form><input type="hidden" name="c_uid" value="initial">
<input name="c_mediaTitle" value="Initial" style="display:none"></form>
</body></html>)HTML";

struct MirroredPage : zov::test::WebTest {
    std::shared_ptr<DesktopBrowser> browser =
        makeBrowser(&window, ControlName{"movieGuide", "epgBrowser", nullptr}, loop, drive.files());
    std::vector<PageEvent2> completed;

    void SetUp() override {
        browser->DocumentComplete.connect([this](const std::string& url, FrameLevel level) {
            completed.emplace_back(url, level);
        });
        browser->setRect({0, 0, 600, 400});
        window.resize(600, 400);
        window.show();
    }

    // Shows a page written to the client's drive; its address in the client's form.
    std::string show(const std::string& name, const std::string& html) {
        const std::string address = writePage(name, html);
        navigate(address);
        return address;
    }
    void navigate(const std::string& address) {
        const std::size_t before = completed.size();
        browser->Navigate(address);
        EXPECT_TRUE(browser->busy());
        ASSERT_TRUE(waitFor([&] {
            return !browser->busy() && !completed.empty() && completed.size() > before &&
                   completed.back().second == FrameLevel::TopLevel;
        }));
    }
    QVariant inPage(const QString& script) { return evaluate(*browser->view(), script); }
    Element* named(const char* name) { return browser->document()->all(name); }
    // Every report the page made before this has reached the mirror: they come in order.
    void settle() {
        inPage("document.body.insertAdjacentHTML('beforeend', '<i name=\"settled\"></i>')");
        ASSERT_TRUE(waitFor([&] { return named("settled") != nullptr; }));
        inPage("document.getElementsByName('settled')[0].remove()");
        ASSERT_TRUE(waitFor([&] { return named("settled") == nullptr; }));
    }
};

TEST_F(MirroredPage, FramesCompleteFirstAndThePageIsReadWrittenAndFollowed) {
    writePage("frame.html", "<p>a frame</p>");
    const std::string address = show("guide.html", kGuide);
    ASSERT_EQ(completed.size(), 2u);
    EXPECT_EQ(completed[0].second, FrameLevel::Frame);
    EXPECT_NE(completed[0].first.find("frame.html"), std::string::npos);
    EXPECT_EQ(completed[1], PageEvent2(address, FrameLevel::TopLevel));

    // Read at once, as the page has it.
    auto* document = browser->document();
    EXPECT_EQ(document->getElementsByName("clip_control").size(), 2u);
    EXPECT_EQ(named("c_uid")->value(), "initial");
    EXPECT_EQ(document->getElementById("status")->innerText(), "ready");
    EXPECT_FALSE(document->getElementById("status")->hasValue());

    // The client's writes are in the mirror at once and reach the page.
    Element* title = named("c_mediaTitle");
    title->setValue("Written");
    document->getElementById("status")->setInnerText("by the client");
    EXPECT_EQ(title->value(), "Written");
    EXPECT_TRUE(waitForPage(*browser->view(),
                            "document.getElementsByName('c_mediaTitle')[0].value == 'Written' && "
                            "document.getElementById('status').textContent == 'by the client'"));

    // The page's own changes reach the mirror; what it removes leaves it, what stays keeps
    // its identity.
    Element* status = document->getElementById("status");
    inPage(
        "document.getElementById('status').textContent = 'changed';"
        "document.getElementsByName('doomed')[0].remove();"
        "document.body.insertAdjacentHTML('afterbegin', '<input name=\"late\" value=\"7\">');");
    ASSERT_TRUE(waitFor([&] { return named("late") != nullptr; }));
    settle();
    EXPECT_EQ(named("doomed"), nullptr);
    EXPECT_EQ(named("late")->value(), "7");
    EXPECT_EQ(document->getElementById("status"), status);
    EXPECT_EQ(status->innerText(), "changed");
    EXPECT_EQ(title->value(), "Written");
}

TEST_F(MirroredPage, ARealClickCarriesTheFieldsThePageSetOnMousedown) {
    show("guide.html", kGuide);
    std::vector<std::string> clicked;
    auto items = browser->document()->getElementsByName("clip_control");
    ASSERT_EQ(items.size(), 2u);
    for (Element* item : items)
        item->setOnclick([&] {
            clicked.push_back(named("c_uid")->value() + "/" + named("c_mediaTitle")->value());
            return false;
        });

    std::optional<std::vector<int>> place;
    bool answered = false;
    browser->screenRect(items[1], [&](DesktopBrowser::ScreenRect rect) {
        place = std::move(rect);
        answered = true;
    });
    ASSERT_TRUE(waitFor([&] { return answered; }));
    ASSERT_TRUE(place.has_value());
    QWidget* input = browser->view()->focusProxy();
    const QPoint at =
        input->mapFromGlobal(QPoint((*place)[0] + (*place)[2] / 2, (*place)[1] + (*place)[3] / 2));
    zov::test::clickAt(input, at);

    ASSERT_TRUE(waitFor([&] { return !clicked.empty(); }));
    EXPECT_EQ(clicked, std::vector<std::string>{"second/Second"});
    // The handler's answer cancels the link: the page stays where it was.
    EXPECT_EQ(inPage("location.hash").toString(), QString());
    // Taken off the page, an item is no longer the client's to click or to read.
    inPage("document.getElementsByName('clip_control')[1].remove()");
    ASSERT_TRUE(waitFor(
        [&] { return browser->document()->getElementsByName("clip_control").size() == 1; }));
    items[0]->fireEvent(PageEvent::onclick);
    EXPECT_EQ(clicked.size(), 2u);
}

TEST_F(MirroredPage, ThePlaylistIsBuiltInThePageThroughItsTable) {
    // An empty page first, as the library starts: its body takes the client's markup.
    navigate("about:blank");
    browser->document()->body()->setInnerHtml(" Loading...");
    EXPECT_TRUE(waitForPage(*browser->view(), "document.body.innerHTML == ' Loading...'"));

    std::ifstream skin(std::filesystem::path(ZOV_SOURCE_DIR) / "app/zov/playlistSkin.html");
    show("playlistSkin.html", std::string(std::istreambuf_iterator<char>(skin), {}));
    auto* document = browser->document();
    Element* table = document->getElementById("myPlayList");
    ASSERT_NE(table, nullptr);
    const auto add = [&](const std::string& title) {
        Element* row = table->insertRow(table->rowCount());
        row->insertCell(0)->setInnerHtml(
            "<div id='selectionControl' onmouseover=this.style.borderStyle='solid'>" + title +
            "</div>");
        return row;
    };
    add("One");
    Element* second = add("Two");
    add("Three");
    // At once in the mirror, as the client reads it right after.
    EXPECT_EQ(table->rowCount(), 3);
    ASSERT_EQ(document->getElementsByName("selectionControl").size(), 3u);
    document->getElementsByName("selectionControl")[1]->fireEvent(PageEvent::onmouseover);
    table->deleteRow(0);
    document->getElementById("MLRepeat")->setInnerText("ONCE");
    EXPECT_THROW(table->deleteRow(5), zov::Error);

    EXPECT_TRUE(
        waitForPage(*browser->view(),
                    "(() => { const rows = document.getElementById('myPlayList').rows;"
                    "  return rows.length == 2 && rows[0].textContent == 'Two' &&"
                    "    rows[0].querySelector('#selectionControl').style.borderStyle == 'solid' &&"
                    "    document.getElementById('MLRepeat').textContent == 'ONCE'; })()"));
    settle();
    EXPECT_EQ(table->rowCount(), 2);
    EXPECT_EQ(table->row(0), second);
    EXPECT_EQ(second->cell(0)->innerText(), "Two");
    EXPECT_EQ(document->getElementsByName("selectionControl").size(), 2u);
}

}  // namespace

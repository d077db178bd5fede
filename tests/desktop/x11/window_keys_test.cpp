// Keys a person presses in the guide, the playlist and the queue reach the window's KeyDown
// even while the window's page (a real web view) has the keyboard, and the page keeps every
// key while its text field is being typed into. Real key presses (xdotool) on Xvfb.

#include <gtest/gtest.h>

#include <QApplication>
#include <QWebEngineView>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.hpp"
#include "platform/drive_map.hpp"
#include "platform/posix_file_system.hpp"
#include "ui/browser.hpp"
#include "ui/desktop/desktop_ui_factory.hpp"
#include "ui/desktop/form_designs.hpp"
#include "ui/desktop/qt_event_loop.hpp"
#include "ui/desktop/window_key_filter.hpp"
#include "ui/named_control.hpp"
#include "ui/window.hpp"

namespace zov::test {
namespace {

using Keys = std::vector<std::pair<const char*, int>>;

// The window's browser control as a real web view showing a page taller than the view (the
// arrows would scroll it) with one text field.
class PageView final : public ui::NamedControl<ui::Browser> {
  public:
    PageView(QWidget* window, ui::ControlName name)
        : NamedControl(std::move(name)), view(new QWebEngineView(window)) {
        QObject::connect(view, &QWebEngineView::loadFinished, [this](bool) { loaded = true; });
        view->setHtml("<html><body style='height:4000px'><input id='field'></body></html>");
        view->show();
    }
    void setRect(const ui::Rect& r) override {
        NamedControl::setRect(r);
        view->setGeometry(int(r.left), int(r.top), int(r.width), int(r.height));
    }
    void Navigate(const std::string&) override {}
    void Refresh() override {}
    std::string LocationURL() const override { return "about:blank"; }
    ui::Document* document() override { return nullptr; }
    bool busy() const override { return false; }

    QWebEngineView* view;
    bool loaded = false;
};

class WindowKeysTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(QGuiApplication::platformName(), "xcb"); }

    // Shows the designed window, its page (if any) holding the keyboard.
    std::shared_ptr<ui::Window> open(const std::string& name, const std::string& page) {
        auto window = ui_.createWindow(name);
        if (!page.empty())
            page_ = std::dynamic_pointer_cast<PageView>(ui_.createBrowser(*window, page));
        // Shift, Control and Alt come back from the page unused a while later; no window
        // acts on them.
        window->KeyDown.connect([this](int key) {
            if (key < 16 || key > 18) pressed_.push_back(key);
        });
        window->show();
        window->setFocus();
        QWidget* frame = ui_.widget(name, "");
        EXPECT_TRUE(waitFor([&] { return frame->isActiveWindow(); }));
        if (page_) {
            EXPECT_TRUE(waitFor([&] { return page_->loaded && page_->view->focusProxy(); }));
            page_->view->setFocus();
            EXPECT_TRUE(waitFor([&] { return page_->view->focusProxy()->hasFocus(); }));
        }
        return window;
    }

    // Presses each key for real and waits until the window has it.
    void expectKeys(const Keys& keys) {
        for (const auto& [key, code] : keys) {
            pressed_.clear();
            ASSERT_TRUE(xdotool(std::string("key ") + key));
            EXPECT_TRUE(waitFor([&] { return !pressed_.empty(); })) << key << " never arrived";
            EXPECT_EQ(pressed_, std::vector<int>{code}) << key;
        }
    }

    // Asks the page until it answers `expected` (each answer a round trip through it).
    bool pageTurnsTo(const char* script, const std::string& expected) {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < giveUp) {
            auto answer = std::make_shared<std::optional<std::string>>();
            page_->view->page()->runJavaScript(script, [answer](const QVariant& value) {
                *answer = value.toString().toStdString();
            });
            if (!waitFor([&] { return answer->has_value(); })) break;
            if (**answer == expected) return true;
        }
        ADD_FAILURE() << script << " never answered '" << expected << "'";
        return false;
    }

    static bool xdotool(const std::string& arguments) {
        return std::system(("xdotool " + arguments).c_str()) == 0;
    }
    bool waitFor(const std::function<bool()>& condition) {
        return loop_.runUntil(condition, std::chrono::seconds(30));
    }

    platform::ManualClock clock_;
    ui::desktop::QtEventLoop loop_{clock_};
    platform::PosixFileSystem files_{platform::DriveMap::fromSystem(), "/"};
    ui::desktop::DesktopUiFactory ui_{
        loop_,
        files_,
        {.flashMovie = {},
         .browser = [](QWidget* window, ui::ControlName name) -> std::shared_ptr<ui::Browser> {
             return std::make_shared<PageView>(window, std::move(name));
         },
         .mediaPlayer = {}}};
    std::shared_ptr<PageView> page_;
    std::vector<int> pressed_;
};

TEST_F(WindowKeysTest, TheGuidesAndThePlaylistsKeysReachThemThroughTheirPagesButNotFromAField) {
    const struct {
        const char* window;
        const char* page;
        Keys keys;
    } windows[] = {
        {"movieGuide", "epgBrowser", {{"l", 'L'}, {"shift+l", 'L'}, {"Delete", 46}}},
        {"mediaLibrary",
         "PlayListView",
         {{"Left", 37},
          {"Up", 38},
          {"Right", 39},
          {"Down", 40},
          {"Return", 13},
          {"KP_Enter", 13},
          {"Delete", 46}}},
    };
    for (const auto& w : windows) {
        SCOPED_TRACE(w.window);
        auto window = open(w.window, w.page);
        expectKeys(w.keys);
        // The page did not scroll under the arrows: they were the window's.
        EXPECT_TRUE(pageTurnsTo("String(window.scrollY)", "0"));

        // Typing into the page's field: the letters land there, and the window hears none
        // of the keys it acts on.
        page_->view->page()->runJavaScript("document.getElementById('field').focus()");
        QWidget* proxy = page_->view->focusProxy();
        ASSERT_TRUE(waitFor([&] { return ui::desktop::WindowKeyFilter::typingInto(proxy); }));
        pressed_.clear();
        ASSERT_TRUE(xdotool("type --delay 40 Lol"));
        ASSERT_TRUE(xdotool("key Delete Left"));
        EXPECT_TRUE(pageTurnsTo("document.getElementById('field').value", "Lol"));
        for (int key : ui::desktop::formDesign(w.window)->windowKeys)
            EXPECT_EQ(std::count(pressed_.begin(), pressed_.end(), key), 0) << key;
        window->hide();
        page_.reset();
    }
}

TEST_F(WindowKeysTest, TheQueuesDeleteReachesItFromItsList) {
    auto queue = open("queue", "");
    auto list = ui_.createListBox(*queue, "movieNameList");
    list->addItem("Test Card");
    QWidget* shown = ui_.widget("queue", "movieNameList");
    shown->setFocus();
    ASSERT_TRUE(waitFor([&] { return shown->hasFocus(); }));
    expectKeys({{"Delete", 46}});
}

}  // namespace
}  // namespace zov::test

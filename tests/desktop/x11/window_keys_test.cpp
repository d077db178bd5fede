// Keys a person presses in the guide, the playlist and the queue reach the window's KeyDown
// even while the window's page (a real web view) has the keyboard, and the page keeps every
// key while its text field is being typed into. Real key presses (xdotool) on Xvfb.

#include <gtest/gtest.h>

#include <QApplication>
#include <QWebEngineView>
#include <QWidget>
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

constexpr auto kPatience = std::chrono::seconds(30);

// A page taller than the view (the arrows would scroll it) with one text field.
const char* const kPage =
    "<html><body style='height:4000px'><input id='field' style='font-size:20px'>"
    "<p>page</p></body></html>";

// The page as the window's browser control: a real web view, placed where the window's
// design puts it. Nothing is read from it here.
class PageView final : public ui::NamedControl<ui::Browser> {
  public:
    PageView(QWidget* window, ui::ControlName name)
        : NamedControl(std::move(name)), view_(new QWebEngineView(window)) {
        QObject::connect(view_, &QWebEngineView::loadFinished, [this](bool) { loaded_ = true; });
        view_->setHtml(kPage);
        view_->show();
    }
    bool loaded() const { return loaded_; }
    void setRect(const ui::Rect& rect) override {
        NamedControl::setRect(rect);
        view_->setGeometry(int(rect.left), int(rect.top), int(rect.width), int(rect.height));
    }
    void Navigate(const std::string&) override {}
    void Refresh() override {}
    std::string LocationURL() const override { return "about:blank"; }
    ui::Document* document() override { return nullptr; }
    bool busy() const override { return false; }
    QWebEngineView* view() const { return view_; }

  private:
    QWebEngineView* view_;
    bool loaded_ = false;
};

class WindowKeysTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "these tests need an X display";
    }

    // Shows the designed window with its page (if it has one) holding the keyboard.
    std::shared_ptr<ui::Window> open(const std::string& name, const std::string& page) {
        auto window = ui_.createWindow(name);
        if (!page.empty())
            page_ = std::dynamic_pointer_cast<PageView>(ui_.createBrowser(*window, page));
        // Shift, Control and Alt come back from the page a while later, when it has not
        // used them; no window acts on them, so they are not counted.
        window->KeyDown.connect([this](int key) {
            if (key < 16 || key > 18) pressed_.push_back(key);
        });
        window->show();
        window->setFocus();
        QWidget* frame = ui_.widget(name, "");
        if (page_) {
            EXPECT_TRUE(waitFor([&] { return page_->loaded() && page_->view()->focusProxy(); }));
            page_->view()->setFocus();
            EXPECT_TRUE(waitFor([&] {
                return frame->isActiveWindow() && page_->view()->focusProxy()->hasFocus();
            })) << "the page never took the keyboard";
        } else {
            EXPECT_TRUE(waitFor([&] { return frame->isActiveWindow(); }));
        }
        return window;
    }

    // Presses each key for real and waits until the window has it: a key that never
    // arrives fails on the watchdog.
    void expectKeys(const std::vector<std::pair<const char*, int>>& keys) {
        for (const auto& [key, code] : keys) {
            pressed_.clear();
            ASSERT_TRUE(xdotool(std::string("key ") + key));
            EXPECT_TRUE(waitFor([&] { return !pressed_.empty(); })) << key << " never arrived";
            EXPECT_EQ(pressed_, std::vector<int>{code}) << key;
        }
    }

    // Typing into the page's field: the letters land there, and the window hears none of
    // the keys it acts on (the page hands back what it did not use, Shift for one).
    void expectTypingStaysInThePage(const std::string& window) {
        page_->view()->page()->runJavaScript("document.getElementById('field').focus()");
        QWidget* proxy = page_->view()->focusProxy();
        ASSERT_TRUE(waitFor([&] { return ui::desktop::WindowKeyFilter::typingInto(proxy); }));
        pressed_.clear();
        ASSERT_TRUE(xdotool("type --delay 40 Lol"));
        ASSERT_TRUE(xdotool("key Delete Left"));
        // Each question to the page is a round trip; the keys are in once it holds all three.
        EXPECT_TRUE(pageTurnsTo("document.getElementById('field').value", "Lol"));
        for (int key : ui::desktop::formDesign(window)->windowKeys)
            EXPECT_EQ(std::count(pressed_.begin(), pressed_.end(), key), 0) << key;
    }

    // The answer of a script run in the page, as text; its callback owns what it writes
    // to, since the page may outlive the wait.
    std::string askPage(const char* script) {
        auto answer = std::make_shared<std::optional<std::string>>();
        page_->view()->page()->runJavaScript(
            script, [answer](const QVariant& value) { *answer = value.toString().toStdString(); });
        EXPECT_TRUE(waitFor([&] { return answer->has_value(); })) << "the page never answered";
        return answer->value_or("");
    }

    // Asks again (each answer a round trip through the page) until it answers `expected`;
    // false when it still has not after the watchdog's time.
    bool pageTurnsTo(const char* script, const std::string& expected) {
        const auto giveUp = std::chrono::steady_clock::now() + kPatience;
        std::string answer;
        while ((answer = askPage(script)) != expected) {
            if (std::chrono::steady_clock::now() > giveUp) {
                ADD_FAILURE() << script << " answers '" << answer << "'";
                return false;
            }
        }
        return true;
    }

    static bool xdotool(const std::string& arguments) {
        return std::system(("xdotool " + arguments).c_str()) == 0;
    }
    bool waitFor(const std::function<bool()>& condition) {
        return loop_.runUntil(condition, kPatience);
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

TEST_F(WindowKeysTest, TheGuidesKeysReachItThroughItsPage) {
    auto guide = open("movieGuide", "epgBrowser");
    expectKeys({{"l", 'L'}, {"shift+l", 'L'}, {"Delete", 46}});
    expectTypingStaysInThePage("movieGuide");
}

TEST_F(WindowKeysTest, ThePlaylistsKeysReachItThroughItsPage) {
    auto playlist = open("mediaLibrary", "PlayListView");
    expectKeys({{"Left", 37},
                {"Up", 38},
                {"Right", 39},
                {"Down", 40},
                {"Return", 13},
                {"KP_Enter", 13},
                {"Delete", 46}});
    // The page did not scroll under the arrows: they were the window's.
    EXPECT_TRUE(pageTurnsTo("String(window.scrollY)", "0"));
    expectTypingStaysInThePage("mediaLibrary");
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

#include "runtime/dialogs.hpp"

#include <gtest/gtest.h>

#include "platform/clock.hpp"
#include "platform/memory_file_system.hpp"
#include "platform/poll_loop.hpp"
#include "runtime/popupwindow.hpp"
#include "support/manual_time.hpp"
#include "ui/headless/headless_label.hpp"
#include "ui/headless/headless_ui_factory.hpp"
#include "ui/headless/headless_window.hpp"

using namespace zov;

namespace {

struct DialogsTest : ::testing::Test {
    platform::ManualClock clock;
    platform::PollLoop loop{clock};
    platform::MemoryFileSystem files;
    ui::headless::HeadlessUiFactory ui{loop, files};
    runtime::Dialogs dialogs{loop, ui};
    bool fullScreen = false;

    DialogsTest() {
        dialogs.setFullScreenQuery([this] { return fullScreen; });
    }
    void advance(std::int64_t ms) { test::advanceTime(loop, clock, ms); }
    bool popupShown() {
        auto window = ui.window("popupwindow");
        return window && window->visible();
    }
    std::string popupText() { return ui.label("popupwindow", "Label1")->caption(); }
};

}  // namespace

TEST_F(DialogsTest, ATimedMessageHidesTwoSecondsAfterTheLatestOneAndNeverShowsOverFullScreen) {
    dialogs.showPopup("first");
    EXPECT_TRUE(popupShown());
    EXPECT_EQ(ui.window("popupwindow")->caption(), "Message");
    EXPECT_EQ(ui.window("popupwindow")->opacity(), 180);
    advance(1000);
    dialogs.showPopup("second");
    EXPECT_EQ(popupText(), "second");
    advance(1999);
    EXPECT_TRUE(popupShown());
    advance(1);
    EXPECT_FALSE(popupShown());
    EXPECT_EQ(popupText(), "");

    fullScreen = true;
    dialogs.showPopup("nobody would see this");
    EXPECT_FALSE(popupShown());
    dialogs.showPersistentPopup("Loading.  Please Wait...");  // stays, full screen or not
    EXPECT_TRUE(dialogs.popupwindow().diableKey);
    advance(60'000);
    EXPECT_TRUE(popupShown());
    EXPECT_EQ(popupText(), "Loading.  Please Wait...");
}

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

TEST(DialogsTest, ATimedMessageHidesTwoSecondsAfterTheLatestOneAndNeverShowsOverFullScreen) {
    platform::ManualClock clock;
    platform::PollLoop loop{clock};
    platform::MemoryFileSystem files;
    ui::headless::HeadlessUiFactory ui{loop, files};
    runtime::Dialogs dialogs{loop, ui};
    bool fullScreen = false;
    dialogs.setFullScreenQuery([&] { return fullScreen; });
    auto& window = dialogs.popupwindow().window();
    const auto text = [&] { return ui.label("popupwindow", "Label1")->caption(); };

    dialogs.showPopup("first");
    EXPECT_TRUE(window.visible());
    EXPECT_EQ(ui.window("popupwindow")->caption(), "Message");
    EXPECT_EQ(ui.window("popupwindow")->opacity(), 180);
    test::advanceTime(loop, clock, 1000);
    dialogs.showPopup("second");
    EXPECT_EQ(text(), "second");
    test::advanceTime(loop, clock, 1999);
    EXPECT_TRUE(window.visible());
    test::advanceTime(loop, clock, 1);
    EXPECT_FALSE(window.visible());
    EXPECT_EQ(text(), "");

    fullScreen = true;
    dialogs.showPopup("nobody would see this");
    EXPECT_FALSE(window.visible());
    dialogs.showPersistentPopup("Loading.  Please Wait...");  // stays, full screen or not
    EXPECT_TRUE(dialogs.popupwindow().diableKey);
    test::advanceTime(loop, clock, 60'000);
    EXPECT_TRUE(window.visible());
    EXPECT_EQ(text(), "Loading.  Please Wait...");
}

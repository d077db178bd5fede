#include "runtime/dialogs.hpp"

#include <gtest/gtest.h>

#include "platform/clock.hpp"
#include "platform/memory_file_system.hpp"
#include "platform/poll_loop.hpp"
#include "runtime/popupwindow.hpp"
#include "runtime/yes_no_popup.hpp"
#include "support/manual_time.hpp"
#include "ui/headless/headless_label.hpp"
#include "ui/headless/headless_shape.hpp"
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
    EXPECT_EQ(ui.window("popupwindow")->opacity(), 180);  // both windows are translucent
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

TEST_F(DialogsTest, TheQuestionAnswersWithTheHighlightedChoiceWhileEventsKeepFlowing) {
    auto& question = dialogs.yesNoPopup();
    EXPECT_EQ(ui.window("yesNoPopup")->caption(), "Warning");
    EXPECT_EQ(ui.label("yesNoPopup", "Label1")->caption(), "Do you want to delete this file?");

    // The mouse over No moves the highlight from the default Yes; Enter then answers No.
    question.defaultToYes();
    loop.post([&] {
        ui.label("yesNoPopup", "NoControl")->mouseMove();
        ui.window("yesNoPopup")->pressKey('\r');
    });
    question.ask();
    EXPECT_FALSE(question.decision);
    EXPECT_TRUE(question.shutdown);
    EXPECT_FALSE(ui.window("yesNoPopup")->visible());

    // Asked again, without defaultToYes the highlight stays on No; a click on Yes answers
    // Yes, while the loop's timers still run.
    EXPECT_EQ(ui.shape("yesNoPopup", "Selector")->rect().left, 2880);
    int ticks = 0;
    loop.setTimer(99, 500, [&] {
        if (++ticks == 3) ui.label("yesNoPopup", "YesControl")->click();
    });
    loop.post([&] { advance(1500); });
    question.ask();
    EXPECT_TRUE(question.decision);
}

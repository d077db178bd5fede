// Top-level windows on the desktop: the keys the system's windows expect, the modal window
// as a nested turn of the system's loop, translucency, and where the popups appear.

#include "ui/desktop/desktop_window.hpp"

#include <tuple>
#include <vector>

#include "desktop/desktop_ui_fixture.hpp"
#include "platform/error.hpp"
#include "platform/event_loop_contract_support.hpp"
#include "ui/controls.hpp"

using namespace zov::test;
using zov::ui::ShowMode;

namespace {

struct DesktopWindowTest : DesktopUiTest {
    std::shared_ptr<zov::ui::Window> window = ui.createWindow("mainPlayer");
    std::vector<int> keys;

    DesktopWindowTest() {
        window->KeyDown.connect([this](int key) { keys.push_back(key); });
    }
    QWidget* frame() const { return ui.widget("mainPlayer", ""); }
};

}  // namespace

TEST_F(DesktopWindowTest, KeysFromTheWindowALabelOrPressKeyReachKeyDownAsTheSystemsCodes) {
    auto label = ui.createLabel(*window, "SelectedNameLabel");
    window->show();
    const Qt::KeyboardModifiers shift = Qt::ShiftModifier, pad = Qt::KeypadModifier, none;
    const std::vector<std::tuple<int, QString, Qt::KeyboardModifiers>> presses = {
        {Qt::Key_A, "a", none},         {Qt::Key_A, "A", shift},      {Qt::Key_P, "p", none},
        {Qt::Key_7, "7", none},         {Qt::Key_Return, "\r", none}, {Qt::Key_Enter, "\r", pad},
        {Qt::Key_Escape, "\x1b", none}, {Qt::Key_Space, " ", none},   {Qt::Key_Tab, "\t", none},
        {Qt::Key_Left, "", none},       {Qt::Key_Up, "", none},       {Qt::Key_Right, "", none},
        {Qt::Key_Down, "", none},       {Qt::Key_Delete, "", none},   {Qt::Key_5, "5", pad},
        {Qt::Key_F1, "", none},         {Qt::Key_Exclam, "!", shift}, {Qt::Key_Dollar, "$", shift},
        {Qt::Key_Percent, "%", shift},  {Qt::Key_Shift, "", shift},   {Qt::Key_Slash, "/", pad},
        {Qt::Key_Slash, "/", none},     {Qt::Key_Meta, "", none}};
    for (const auto& [key, text, modifiers] : presses)
        sendKey(frame(), key, text, modifiers);
    // Meta has no code: it raises nothing.
    EXPECT_EQ(keys, (std::vector<int>{'A', 'A', 'P', '7', 13,  13,  27,  32,  9,  37,  38,
                                      39,  40,  46,  101, 112, '1', '4', '5', 16, 111, 191}));

    // Keys a label leaves come up to the window; pressKey gives the same codes.
    keys.clear();
    sendKey(ui.widget("mainPlayer", "SelectedNameLabel"), Qt::Key_Delete);
    ASSERT_EQ(keys, std::vector<int>{46});

    keys.clear();
    const std::vector<int> codes{13, 'P', 40, 27, 101, 112, 0x1234};
    for (int code : codes)
        window->pressKey(code);
    // A code no key gives is raised as given, as the headless window does.
    EXPECT_EQ(keys, codes);
}

TEST_F(DesktopWindowTest, AModalWindowReturnsOnceHiddenAndNestedOnesEndInnermostFirst) {
    RunWatchdog watchdog(loop);
    bool modalWhileShown = false;
    loop.post([&] {
        modalWhileShown = frame()->isModal() && frame()->isVisible();
        // The question cannot be asked again while it is up.
        EXPECT_THROW(window->show(ShowMode::Modal), zov::Error);
        window->hide();
    });
    window->show(ShowMode::Modal);
    EXPECT_FALSE(watchdog.expired());
    EXPECT_TRUE(modalWhileShown);
    EXPECT_FALSE(window->visible());
    EXPECT_FALSE(frame()->isVisible());
    EXPECT_FALSE(frame()->isModal());
    EXPECT_EQ(changes, (std::vector<Change>{{"mainPlayer", "", "visible", "true"},
                                            {"mainPlayer", "", "visible", "false"}}));

    // An outer modal window hidden under an inner one ends when the inner one does.
    auto inner = ui.createWindow("yesNoPopup");
    std::vector<std::string> order;
    loop.post([&] {
        loop.post([&] {
            window->hide();  // the outer one, while the inner one is up
            inner->hide();
        });
        inner->show(ShowMode::Modal);
        order.push_back("inner returned");
    });
    window->show(ShowMode::Modal);
    order.push_back("outer returned");
    EXPECT_FALSE(watchdog.expired());
    EXPECT_EQ(order, (std::vector<std::string>{"inner returned", "outer returned"}));
}

TEST_F(DesktopWindowTest, TheFrameClosesAsTheSystemsWouldAndTakesOpacityCaptionAndPlace) {
    window->show();
    frame()->close();
    EXPECT_FALSE(window->visible());
    EXPECT_FALSE(frame()->isVisible());
    EXPECT_EQ(changes.back(), (Change{"mainPlayer", "", "visible", "false"}));

    EXPECT_TRUE(window->setOpacity(180));
    EXPECT_NEAR(frame()->windowOpacity(), 180 / 255.0, 0.01);
    EXPECT_FALSE(window->setOpacity(256));
    EXPECT_FALSE(window->setOpacity(-1));
    EXPECT_NEAR(frame()->windowOpacity(), 180 / 255.0, 0.01);

    window->setCaption("Guide");
    EXPECT_EQ(frame()->windowTitle(), "Guide");
    EXPECT_EQ(changes.back(), (Change{"mainPlayer", "", "caption", "Guide"}));

    // A window the system places is in the screen's pixels.
    window->setRect({0, 720 / 8.0, 1280, 0.65 * 720});
    EXPECT_EQ(frame()->geometry(), QRect(0, 90, 1280, 468));
    EXPECT_NE(window->windowHandle(), 0);
}

TEST_F(DesktopUiTest, PopupsAreFramelessOnTopAndCentredOnTheScreen) {
    auto popup = ui.createWindow("popupwindow");
    auto status = ui.createWindow("frmLogo");
    popup->show();
    status->show();
    QWidget* message = ui.widget("popupwindow", "");
    QWidget* splash = ui.widget("frmLogo", "");
    EXPECT_TRUE(message->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(message->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(splash->windowFlags().testFlag(Qt::FramelessWindowHint));
    // The message never takes the keyboard from whoever is typing.
    EXPECT_TRUE(message->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_EQ(message->geometry(), QRect((1280 - 480) / 2, (720 - 120) / 2, 480, 120));
    EXPECT_EQ(splash->geometry(), QRect((1280 - 400) / 2, (720 - 240) / 2, 400, 240));
}

// The guide's buttons that fit the chosen movie stand together whichever of them it shows,
// and nothing of a designed window lies outside it.
TEST_F(DesktopUiTest, TheGuidesButtonsCloseUpOverHiddenOnesInsideTheWindow) {
    auto guide = ui.createWindow("movieGuide");
    std::vector<std::shared_ptr<zov::ui::Button>> buttons;
    for (const char* name : {"MLplay", "MLdownload", "MLDelete", "MLFavour", "close"})
        buttons.push_back(ui.createButton(*guide, name));
    guide->show();
    auto left = [&](const char* name) { return ui.widget("movieGuide", name)->x(); };
    EXPECT_LT(left("MLplay"), left("MLdownload"));
    EXPECT_LT(left("MLdownload"), left("MLDelete"));

    int plays = 0;  // a button in a row still takes its clicks
    buttons[0]->Click.connect([&] { ++plays; });
    clickAt(ui.widget("movieGuide", "MLplay"), {5, 5});
    EXPECT_EQ(plays, 1);
    buttons[0]->setVisible(false);  // MLplay
    buttons[1]->setVisible(false);  // MLdownload
    EXPECT_EQ(left("MLDelete"), 16);
    buttons[0]->setVisible(true);
    EXPECT_EQ(left("MLplay"), 16);
    EXPECT_EQ(left("MLDelete"), 16 + 150 + 10);
    // Aligned right, the last of its row stands at the right edge; the next closes up on it.
    EXPECT_EQ(left("close") + 150, 1124);
    buttons[4]->setVisible(false);
    EXPECT_EQ(left("MLFavour") + 150, 1124);

    const QRect inside(QPoint(0, 0), ui.widget("movieGuide", "")->size());
    for (const char* name : {"MLplay", "MLDelete", "MLFavour"})
        EXPECT_TRUE(inside.contains(ui.widget("movieGuide", name)->geometry())) << name;
}

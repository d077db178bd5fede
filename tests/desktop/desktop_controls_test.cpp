// The desktop controls: what the factory files, and what a person's mouse and keyboard do
// to labels, buttons, text boxes, picture boxes, lists and the drive list; and the desktop
// client's command line.

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QWebEngineView>
#include <stdexcept>

#include "desktop/desktop_ui_fixture.hpp"
#include "desktop_options.hpp"
#include "platform/error.hpp"
#include "support/manual_time.hpp"
#include "ui/controls.hpp"
#include "ui/desktop/desktop_browser.hpp"

using namespace zov::test;
using zov::ui::desktop::DesktopUiFactory;

namespace {

struct DesktopControlsTest : DesktopUiTest {
    std::shared_ptr<zov::ui::Window> window = ui.createWindow("mainPlayer");

    DesktopControlsTest() {
        window->setRect({0, 0, 800, 600});
        window->show();
    }
    QWidget* widget(const std::string& control) const { return ui.widget("mainPlayer", control); }
};

}  // namespace

TEST_F(DesktopControlsTest, TheFactoryLetsTheMakersMakePagesAndPlacesThemAsDesigned) {
    std::vector<std::pair<QWidget*, std::string>> made;
    DesktopUiFactory::Makers makers;
    makers.browser = [&](QWidget* parent, zov::ui::ControlName name) {
        made.emplace_back(parent, name.window + "." + name.control);
        return zov::ui::desktop::makeBrowser(parent, name, loop, files);
    };
    DesktopUiFactory withMakers(loop, files, makers);
    auto guide = withMakers.createWindow("movieGuide");
    auto page = withMakers.createBrowser(*guide, "epgBrowser");
    EXPECT_EQ(made, (std::vector<std::pair<QWidget*, std::string>>{
                        {withMakers.widget("movieGuide", ""), "movieGuide.epgBrowser"}}));
    // In the guide's pixels: its designer's twips at 15 a pixel.
    EXPECT_EQ(std::static_pointer_cast<zov::ui::desktop::DesktopBrowser>(page)->view()->geometry(),
              QRect(16, 84, 1108, 480));
    // A kind nobody makes is a mistake in the program, not a control that silently is not.
    EXPECT_THROW(withMakers.createFlashMovie(*guide, "PlayerSkin"), std::logic_error);
}

TEST_F(DesktopControlsTest, ALabelOrButtonClickedWithTheMouseRaisesClick) {
    auto label = ui.createLabel(*window, "status");
    auto button = ui.createButton(*window, "HDPlay");
    label->setRect({10, 10, 100, 20});
    button->setRect({10, 40, 100, 30});
    int labelClicks = 0, buttonClicks = 0, moves = 0;
    label->Click.connect([&] { ++labelClicks; });
    label->MouseMove.connect([&] { ++moves; });
    button->Click.connect([&] { ++buttonClicks; });

    clickAt(widget("status"), {5, 5});
    // Pressed on the label but released after the mouse left it: no click.
    sendMouse(widget("status"), QEvent::MouseButtonPress, {5, 5});
    sendMouse(widget("status"), QEvent::MouseButtonRelease, {500, 5});
    sendMouse(widget("status"), QEvent::MouseMove, {6, 6});
    EXPECT_EQ(labelClicks, 1);
    EXPECT_EQ(moves, 1);

    clickAt(widget("HDPlay"), {5, 5});
    EXPECT_EQ(buttonClicks, 1);
    button->setEnabled(false);
    clickAt(widget("HDPlay"), {5, 5});
    EXPECT_FALSE(button->click());
    EXPECT_EQ(buttonClicks, 1);
}

// The handler of a click may release the window and the label clicked (a question that is
// done with): Qt is still inside the label's event then, so the widgets go a pass later.
TEST_F(DesktopUiTest, AWindowReleasedByItsOwnLabelsClickGoesSafely) {
    auto window = ui.createWindow("yesNoPopup");
    auto label = ui.createLabel(*window, "YesControl");
    window->show();
    QPointer<QWidget> frame = ui.widget("yesNoPopup", "");
    QPointer<QWidget> yes = ui.widget("yesNoPopup", "YesControl");
    label->Click.connect([&] {
        window.reset();
        label.reset();
    });
    clickAt(yes, {2, 2});
    EXPECT_FALSE(label);
    EXPECT_TRUE(frame && frame->isHidden());
    loop.processPending();
    EXPECT_FALSE(frame);
    EXPECT_FALSE(yes);
}

TEST_F(DesktopControlsTest, WhatAPersonTypesIsTheTextAndIsReported) {
    auto text = ui.createTextBox(*window, "dataBuffer");
    text->setText("ab");
    QWidget* edit = widget("dataBuffer");
    static_cast<QLineEdit*>(edit)->end(false);
    sendKey(edit, Qt::Key_C, "c");
    sendKey(edit, Qt::Key_Backspace);
    sendKey(edit, Qt::Key_D, "d");
    EXPECT_EQ(text->text(), "abd");
    EXPECT_EQ(changes.back(), (Change{"mainPlayer", "dataBuffer", "text", "abd"}));
}

TEST_F(DesktopControlsTest, APictureBoxIsANativeWindowThatTakesClicksKeysAndSizes) {
    auto picture = ui.createPictureBox(*window, "h264Screen");
    int doubleClicks = 0, resizes = 0;
    std::vector<int> typed;
    picture->DblClick.connect([&] { ++doubleClicks; });
    picture->KeyPress.connect([&](int key) { typed.push_back(key); });
    picture->Resize.connect([&] { ++resizes; });

    QWidget* region = widget("h264Screen");
    EXPECT_TRUE(region->testAttribute(Qt::WA_NativeWindow));
    EXPECT_NE(picture->windowHandle(), 0);
    EXPECT_NE(picture->windowHandle(), window->windowHandle());
    EXPECT_EQ(static_cast<zov::ui::WindowHandle>(region->winId()), picture->windowHandle());

    picture->setBackColour({1, 2, 1});
    EXPECT_EQ(region->palette().color(QPalette::Window), QColor(1, 2, 1));
    picture->setRect({0, 90, 1280, 468});
    picture->setRect({0, 0, 1280, 468});  // moved, same size
    picture->setRect({0, 0, 1280, 720});
    EXPECT_EQ(resizes, 2);
    EXPECT_EQ(region->geometry(), QRect(0, 0, 1280, 720));

    sendMouse(region, QEvent::MouseButtonDblClick, {3, 3});
    EXPECT_EQ(doubleClicks, 1);
    sendKey(region, Qt::Key_F, "f");
    sendKey(region, Qt::Key_S, "S", Qt::ShiftModifier);
    sendKey(region, Qt::Key_Escape, "\x1b");
    sendKey(region, Qt::Key_Return);  // a key event without its text still gives 13
    EXPECT_EQ(typed, (std::vector<int>{'f', 'S', 27, 13}));
}

TEST_F(DesktopControlsTest, AListBoxRaisesClickOnlyForAPersonsChoice) {
    auto list = ui.createListBox(*window, "movieNameList");
    list->setRect({0, 0, 300, 200});
    int clicks = 0;
    list->Click.connect([&] { ++clicks; });
    for (const char* movie : {"Alpha", "Bravo", "Charlie"})
        list->addItem(movie);
    EXPECT_EQ(changes.back(), (Change{"mainPlayer", "movieNameList", "items", "3"}));
    list->setListIndex(0);
    EXPECT_EQ(list->listIndex(), 0);
    list->setListIndex(2);
    EXPECT_EQ(clicks, 0);
    list->removeItem(0);  // the selection follows its item
    EXPECT_EQ(list->listIndex(), 1);
    EXPECT_EQ(list->list(1), "Charlie");
    list->removeItem(1);  // and goes with it
    EXPECT_EQ(list->listIndex(), -1);
    EXPECT_THROW(list->removeItem(5), zov::Error);
    EXPECT_THROW(list->setListIndex(1), zov::Error);

    auto* shown = static_cast<QListWidget*>(widget("movieNameList"));
    const QRect first = shown->visualItemRect(shown->item(0));
    clickAt(shown->viewport(), first.center());
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(list->listIndex(), 0);
    list->clear();
    EXPECT_EQ(list->listCount(), 0);
}

TEST_F(DesktopControlsTest, TheDriveListOffersTheMappedDrivesAndRaisesChangeForAChoice) {
    files.mapDrive('E');
    auto drives = ui.createDriveList(*window, "HD");
    int changesByPerson = 0;
    drives->Change.connect([&] { ++changesByPerson; });
    auto* combo = static_cast<QComboBox*>(widget("HD"));
    ASSERT_EQ(combo->count(), 3);  // C, E and Z
    EXPECT_EQ(drives->drive().substr(0, 2), "c:");

    drives->setDrive("E:\\");
    EXPECT_EQ(combo->currentText().toStdString().substr(0, 2), "e:");
    EXPECT_EQ(changesByPerson, 0);
    EXPECT_THROW(drives->setDrive("q:"), zov::Error);

    emit combo->activated(2);  // as the combo box raises it for a person's choice
    EXPECT_EQ(drives->drive().substr(0, 2), "z:");
    EXPECT_EQ(changesByPerson, 1);
    drives->refresh();  // still offered: still chosen
    EXPECT_EQ(drives->drive().substr(0, 2), "z:");
}

TEST_F(DesktopControlsTest, ATimerTicksOnTheSystemsLoopOnlyWhileEnabledAndHeld) {
    auto timer = ui.createTimer(*window, "statustextimer");
    int ticks = 0;
    timer->Timer.connect([&] { ++ticks; });
    timer->setInterval(100);
    advanceTime(loop, clock, 250);
    EXPECT_EQ(ticks, 2);
    timer->setEnabled(false);
    advanceTime(loop, clock, 250);
    EXPECT_EQ(ticks, 2);
    timer->setEnabled(true);
    timer.reset();
    advanceTime(loop, clock, 250);
    EXPECT_EQ(ticks, 2);
}

TEST(DesktopOptions, EachOptionTakesAValueAndTheScreenIsWidthByHeight) {
    std::string problem;
    const auto options =
        zov::parseDesktopOptions({"--client-dir", "/c", "--remote", "r", "--version-server", "v",
                                  "--auth-port", "8021", "--geometry", "800X600"},
                                 problem);
    ASSERT_TRUE(options) << problem;
    EXPECT_EQ(options->clientDir, "/c");
    EXPECT_EQ(options->remote, "r");
    EXPECT_EQ(options->versionServer, "v");
    EXPECT_EQ(options->authPort, 8021);
    EXPECT_EQ(options->screen->width, 800);
    EXPECT_EQ(options->screen->height, 600);
    EXPECT_EQ(zov::parseDesktopOptions({"--geometry", "1280x720"}, problem)->screen->width, 1280);

    std::vector<std::vector<std::string>> wrong = {
        {"--remote"}, {"--bogus", "x"}, {"--auth-port", "0"}, {"--auth-port", "65536"}};
    for (const char* geometry : {"", "1280", "x720", "1280x", "0x720", "-5x5", "+5x5", "12 80x720",
                                 "1280x720x3", "99999x5"})
        wrong.push_back({"--geometry", geometry});
    for (const auto& args : wrong) {
        problem.clear();
        EXPECT_FALSE(zov::parseDesktopOptions(args, problem)) << args.back();
        EXPECT_FALSE(problem.empty());
    }
}

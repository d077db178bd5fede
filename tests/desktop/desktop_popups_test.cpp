// The popups on the desktop as the system builds them: the yes/no question answered with
// the mouse and Enter, and every change reported exactly as the headless front end reports
// it, so that the remote-control channel cannot tell the two apart.

#include <QFontMetrics>
#include <QLabel>
#include <functional>

#include "desktop/desktop_ui_fixture.hpp"
#include "platform/event_loop_contract_support.hpp"
#include "runtime/dialogs.hpp"
#include "runtime/popupwindow.hpp"
#include "runtime/yes_no_popup.hpp"
#include "support/manual_time.hpp"
#include "ui/controls.hpp"
#include "ui/headless/headless_ui_factory.hpp"
#include "ui/window.hpp"

using namespace zov::test;

namespace {

struct DesktopQuestionTest : DesktopUiTest {
    std::shared_ptr<zov::runtime::yesNoPopup> question = zov::runtime::yesNoPopup::create(ui);

    QWidget* widget(const std::string& control) const { return ui.widget("yesNoPopup", control); }
    // Asks the question; what a person does meanwhile runs inside the modal window.
    void ask(std::function<void()> person) {
        RunWatchdog watchdog(loop);
        loop.post(std::move(person));
        question->ask();
        ASSERT_FALSE(watchdog.expired());
    }
};

}  // namespace

TEST_F(DesktopQuestionTest, EnterOrAClickAnswersTheChoiceAndAllIsLaidOutToBeRead) {
    question->defaultToYes();
    EXPECT_EQ(widget("Selector")->x(), 240 / 15);
    ask([&] {
        EXPECT_TRUE(widget("")->isModal());
        sendMouse(widget("NoControl"), QEvent::MouseMove, {10, 10});
        // The selector stands under No: 2880 twips from the window's edge.
        EXPECT_EQ(widget("Selector")->x(), 2880 / 15);
        EXPECT_EQ(widget("Selector")->geometry().left(), widget("NoControl")->geometry().left());
        EXPECT_EQ(question->selection(), 0);
        sendKey(widget(""), Qt::Key_Return, "\r");
    });
    EXPECT_FALSE(question->decision);
    EXPECT_TRUE(question->shutdown);

    ask([&] {
        sendMouse(widget("YesControl"), QEvent::Enter, {1, 1});
        EXPECT_EQ(widget("Selector")->x(), 240 / 15);
        // Enter pressed while the keyboard is on one of the answers comes up to the window.
        sendKey(widget("NoControl"), Qt::Key_Enter, "\r", Qt::KeypadModifier);
    });
    EXPECT_TRUE(question->decision);

    // A click on an answer answers it.
    question->Label1().setCaption("Do you want to resume where you stopped?");
    ask([&] { clickAt(widget("NoControl"), {5, 5}); });
    EXPECT_FALSE(question->decision);
    ask([&] { clickAt(widget("YesControl"), {5, 5}); });
    EXPECT_TRUE(question->decision);

    // Every control lies inside the window, Yes left of No, the question above both.
    const QRect inside(QPoint(0, 0), widget("")->size());
    for (const char* name : {"Label1", "YesControl", "NoControl", "Selector"})
        EXPECT_TRUE(inside.contains(widget(name)->geometry())) << name;
    EXPECT_LT(widget("YesControl")->geometry().right(), widget("NoControl")->geometry().left());
    EXPECT_LT(widget("Label1")->geometry().bottom(), widget("YesControl")->geometry().top());

    // A text too long for the label at its size is shown whole, smaller; the size the
    // system set is still what it reads.
    question->Label1().setCaption(
        "You have less than 1GB left in your "
        "harddrive for storing video cache. You might have problems "
        "viewing videos.  Please free up more space on the current "
        "harddrive or use the movie cache manager.");
    auto* label = static_cast<QLabel*>(widget("Label1"));
    const QRect needed =
        QFontMetrics(label->font())
            .boundingRect(label->contentsRect(), Qt::AlignCenter | Qt::TextWordWrap, label->text());
    EXPECT_LT(label->font().pointSize(), 18);
    EXPECT_LE(needed.height(), label->contentsRect().height());
    EXPECT_EQ(question->Label1().fontSize(), 18);
}

namespace {

// One afternoon of messages and a question, told only through the ports, so that it runs
// the same on either front end.
void popupsAndQuestion(zov::ui::UiFactory& ui, zov::ui::desktop::QtEventLoop& loop,
                       zov::platform::ManualClock& clock) {
    zov::runtime::Dialogs dialogs(loop, ui);
    dialogs.showPopup("Connecting...");
    advanceTime(loop, clock, 1000);
    dialogs.showPopup("Invalid Password...");
    advanceTime(loop, clock, 2000);
    dialogs.showPersistentPopup("Loading...");
    dialogs.popupwindow().window().hide();

    auto& question = dialogs.yesNoPopup();
    question.Label1().setCaption("Delete this movie?");
    question.defaultToYes();
    RunWatchdog watchdog(loop);
    loop.post([&] { question.NoControl().click(); });
    question.ask();

    auto guide = ui.createWindow("movieGuide");
    auto box = ui.createTextBox(*guide, "truncationBox");
    box->setText("42");
    auto button = ui.createButton(*guide, "MLplay");
    button->setCaption("Play");
    button->setVisible(false);
    auto list = ui.createListBox(*guide, "movieNameList");
    list->addItem("Colour Bars");
    list->clear();
    guide->setCaption("Guide");
    guide->show();
}

}  // namespace

TEST_F(DesktopUiTest, EveryChangeIsReportedAsTheHeadlessFrontEndReportsIt) {
    popupsAndQuestion(ui, loop, clock);

    std::vector<Change> headlessChanges;
    zov::ui::headless::HeadlessUiFactory headless(loop, files);
    recordChanges(headless.registry(), headlessChanges);
    popupsAndQuestion(headless, loop, clock);

    EXPECT_EQ(changes, headlessChanges);
    // And the scenario said something worth comparing.
    EXPECT_GE(changes.size(), 15u);
}

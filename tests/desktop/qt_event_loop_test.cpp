// Qt's loop against the contract every event loop of the system keeps, and what only the
// Qt loop has to get right: Qt's own events, its notifiers, and objects released later.

#include "ui/desktop/qt_event_loop.hpp"

#include <gtest/gtest.h>

#include <QObject>
#include <QPointer>
#include <QTimer>

#include "platform/clock.hpp"
#include "platform/event_loop_dispatch_contract.hpp"
#include "platform/event_loop_timer_contract.hpp"
#include "support/manual_time.hpp"

using namespace zov::platform;
using namespace zov::test;
using zov::ui::desktop::QtEventLoop;

// At file scope, so that CTest names the instantiations plainly ("...<QtLoopHarness>").
struct QtLoopHarness {
    using Loop = QtEventLoop;
    static void advance(Loop& loop, ManualClock& clock, std::int64_t ms) {
        zov::test::advanceTime(loop, clock, ms);
    }
};

struct QtLoopTest : ::testing::Test {
    ManualClock clock;
    QtEventLoop loop{clock};
};

namespace zov::test {
INSTANTIATE_TYPED_TEST_SUITE_P(QtLoop, EventLoopTimers, QtLoopHarness);
INSTANTIATE_TYPED_TEST_SUITE_P(QtLoop, EventLoopDispatch, QtLoopHarness);
}  // namespace zov::test

// Qt's notifiers report a ready descriptor again inside its own callback when the callback
// yields; the loop keeps the callback to one call at a time, whichever watch it replaced.
TEST_F(QtLoopTest, ADescriptorIsNotReportedAgainInsideItsOwnCallback) {
    TestPipe pipe;
    int calls = 0, replacementCalls = 0;
    loop.watch(pipe.readEnd, Interest::Read, [&](Readiness) {
        if (++calls > 1) return;  // reported again inside itself: the fault looked for
        loop.processPending();
        loop.watch(pipe.readEnd, Interest::Read, [&](Readiness) { ++replacementCalls; });
        loop.processPending();
        EXPECT_FALSE(loop.runUntil([] { return false; }, std::chrono::milliseconds(5)));
    });
    pipe.put();
    loop.processPending();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(replacementCalls, 0);
    loop.processPending();  // still unread: reported again once the callback has returned
    EXPECT_EQ(replacementCalls, 1);
}

TEST_F(QtLoopTest, AQtHandlerMayEndARun) {
    // A Qt handler (a button's click) that ends the modal question.
    RunWatchdog watchdog(loop);
    QObject receiver;
    loop.post([&] {
        QMetaObject::invokeMethod(
            &receiver, [&] { loop.quit(); }, Qt::QueuedConnection);
    });
    loop.run();
    EXPECT_FALSE(watchdog.expired());
}

// deleteLater waits for control to return to Qt's loop; objects released from our own
// callbacks must not wait for ever, nor go while a callback further up may still use them.
TEST_F(QtLoopTest, AnObjectReleasedWithDeleteLaterGoesAfterTheOutermostPass) {
    QPointer<QObject> page = new QObject;
    bool aliveInsideNestedPass = false;
    loop.post([&] {
        page->deleteLater();
        loop.processPending();
        aliveInsideNestedPass = !page.isNull();
    });
    loop.processPending();
    EXPECT_TRUE(aliveInsideNestedPass);
    EXPECT_TRUE(page.isNull());

    QPointer<QObject> banner = new QObject;
    QTimer::singleShot(0, banner, [&] { banner->deleteLater(); });  // from a Qt handler
    loop.processPending();
    loop.processPending();
    EXPECT_TRUE(banner.isNull());
}

#pragma once
// A desktop front end on the offscreen platform for tests: the Qt loop on a manual clock,
// drives in memory, a 1280x720 screen, and every change reported to the front end's sink
// kept in order. Input is given as Qt delivers a person's: events sent to the widgets.

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <string>
#include <vector>

#include "platform/clock.hpp"
#include "platform/memory_file_system.hpp"
#include "ui/desktop/desktop_ui_factory.hpp"
#include "ui/desktop/qt_event_loop.hpp"
#include "ui/registry.hpp"

namespace zov::test {

// window, control, property, value
using Change = std::vector<std::string>;

inline void recordChanges(ui::Registry& registry, std::vector<Change>& changes) {
    registry.onChange([&changes](const std::string& window, const std::string& control,
                                 const std::string& property, const std::string& value) {
        changes.push_back({window, control, property, value});
    });
}

inline void sendMouse(QWidget* widget, QEvent::Type type, QPoint at,
                      Qt::MouseButton button = Qt::LeftButton) {
    ASSERT_NE(widget, nullptr);
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? button : Qt::NoButton;
    QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)),
                      type == QEvent::MouseMove ? Qt::NoButton : button, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

inline void clickAt(QWidget* widget, QPoint at) {
    sendMouse(widget, QEvent::MouseButtonPress, at);
    sendMouse(widget, QEvent::MouseButtonRelease, at);
}

inline void sendKey(QWidget* widget, int key, const QString& text = {},
                    Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    ASSERT_NE(widget, nullptr);
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(widget, &release);
}

struct DesktopUiTest : ::testing::Test {
    platform::ManualClock clock;
    ui::desktop::QtEventLoop loop{clock};
    platform::MemoryFileSystem files;
    ui::desktop::DesktopUiFactory ui{loop, files, {}, ui::desktop::ScreenSize{1280, 720}};
    std::vector<Change> changes;

    DesktopUiTest() { recordChanges(ui.registry(), changes); }
};

}  // namespace zov::test

#pragma once
// What the web tests do to a page as a person or the page itself would: run a script in the
// page's own script world and wait for its answer, turning the loop with a watchdog.

#include <gtest/gtest.h>

#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>

#include "platform/clock.hpp"
#include "support/temporary_drive.hpp"
#include "ui/desktop/qt_event_loop.hpp"

namespace zov::test {

// Generous: a hang guard, never a measure. A page loads in well under a second.
inline constexpr std::chrono::milliseconds kPageWatchdog{30000};

// A web view's surroundings: the Qt loop on a manual clock, a client drive in a temporary
// folder and a window to hold the view.
struct WebTest : ::testing::Test {
    platform::ManualClock clock;
    ui::desktop::QtEventLoop loop{clock};
    TemporaryDrive drive{"zov-web-test"};
    QWidget window;

    // Writes a file on the client's drive; its address in the client's form.
    std::string writePage(const std::string& name, const std::string& text) {
        std::ofstream(std::filesystem::path(drive.root()) / name) << text;
        return drive.files().windowsPath(drive.root()) + "\\" + name;
    }
    // Runs the script in the page's main world; its value (an invalid QVariant when the
    // answer never came, which also fails the test).
    QVariant evaluate(QWebEngineView& view, const QString& script) {
        // Shared with the callback, which may come after a watchdog gave up on it.
        auto answer = std::make_shared<std::optional<QVariant>>();
        view.page()->runJavaScript(script, QWebEngineScript::MainWorld,
                                   [answer](const QVariant& value) { *answer = value; });
        if (!waitFor([&] { return answer->has_value(); })) {
            ADD_FAILURE() << "no answer from the page to: " << script.toStdString();
            return {};
        }
        return **answer;
    }
    // Turns the loop until the condition holds; false (and a failure) when the watchdog ends it.
    bool waitFor(const std::function<bool()>& condition) {
        const bool met = loop.runUntil(condition, kPageWatchdog);
        EXPECT_TRUE(met) << "the watchdog ended the wait";
        return met;
    }
    // Turns the loop until the page's main world finds the expression true.
    bool waitForPage(QWebEngineView& view, const QString& expression) {
        const QString question = QStringLiteral("!!(") + expression + QStringLiteral(")");
        return waitFor([&] { return evaluate(view, question).toBool(); });
    }
};

}  // namespace zov::test

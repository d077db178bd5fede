#include "desktop/web_page_driver.hpp"

#include <gtest/gtest.h>

#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <memory>
#include <optional>

#include "ui/desktop/qt_event_loop.hpp"

namespace zov::test {

QVariant PageDriver::evaluate(QWebEngineView& view, const QString& script) {
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

bool PageDriver::waitFor(const std::function<bool()>& condition) {
    const bool met = loop_.runUntil(condition, kPageWatchdog);
    EXPECT_TRUE(met) << "the watchdog ended the wait";
    return met;
}

bool PageDriver::waitForPage(QWebEngineView& view, const QString& expression) {
    // One question at a time, asked again on each answer, until the page agrees.
    auto agreed = std::make_shared<bool>(false);
    auto asking = std::make_shared<bool>(false);
    return waitFor([&] {
        if (*agreed) return true;
        if (!*asking) {
            *asking = true;
            view.page()->runJavaScript(QStringLiteral("!!(") + expression + QStringLiteral(")"),
                                       QWebEngineScript::MainWorld,
                                       [agreed, asking](const QVariant& value) {
                                           *agreed = value.toBool();
                                           *asking = false;
                                       });
        }
        return false;
    });
}

}  // namespace zov::test

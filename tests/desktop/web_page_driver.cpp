#include "desktop/web_page_driver.hpp"

#include <QWebEnginePage>
#include <QWebEngineScript>
#include <optional>

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
    const QString question = QStringLiteral("!!(") + expression + QStringLiteral(")");
    return waitFor([&] { return evaluate(view, question).toBool(); });
}

}  // namespace zov::test

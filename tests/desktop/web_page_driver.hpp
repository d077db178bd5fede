#pragma once
// What the web tests do to a page as a person or the page itself would: run a script in the
// page's own script world and wait for its answer, turning the loop with a watchdog.

#include <QString>
#include <QVariant>
#include <chrono>
#include <functional>

class QWebEngineView;

namespace zov::ui::desktop {
class QtEventLoop;
}

namespace zov::test {

// Generous: a hang guard, never a measure. A page loads in well under a second.
inline constexpr std::chrono::milliseconds kPageWatchdog{30000};

class PageDriver {
  public:
    explicit PageDriver(ui::desktop::QtEventLoop& loop) : loop_(loop) {}

    // Runs the script in the page's main world; its value (an invalid QVariant when the
    // answer never came, which also fails the test).
    QVariant evaluate(QWebEngineView& view, const QString& script);
    // Turns the loop until the condition holds; false (and a failure) when the watchdog ends it.
    bool waitFor(const std::function<bool()>& condition);
    // Turns the loop until the page's main world finds the expression true.
    bool waitForPage(QWebEngineView& view, const QString& expression);

  private:
    ui::desktop::QtEventLoop& loop_;
};

}  // namespace zov::test

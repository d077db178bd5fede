#pragma once
// Keys a window acts on, taken before the control that has the keyboard inside the window.
// A web view takes the keyboard from its window and answers keys later, in its own
// process, scrolling the page with the arrows: the window's keys would never, or only
// sometimes, come back. So those keys go to the window first, except while the person is
// typing into a field (of the page or of the window), where every key is the field's.

#include <QObject>
#include <QPointer>
#include <functional>
#include <vector>

class QWidget;

namespace zov::ui::desktop {

class WindowKeyFilter final : public QObject {
  public:
    // `keys` are the system's key codes; `press` gets each one taken. Watches the whole
    // application for as long as it lives (a page's inner widgets come and go).
    WindowKeyFilter(QWidget* window, std::vector<int> keys, std::function<void(int)> press);
    ~WindowKeyFilter() override;
    WindowKeyFilter(const WindowKeyFilter&) = delete;
    WindowKeyFilter& operator=(const WindowKeyFilter&) = delete;

    // Whether the widget with the keyboard is a field being typed into.
    static bool typingInto(QWidget* widget);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QPointer<QWidget> window_;
    std::vector<int> keys_;
    std::function<void(int)> press_;
};

}  // namespace zov::ui::desktop

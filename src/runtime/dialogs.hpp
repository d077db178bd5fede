#pragma once
// The one way the client shows a short message or asks a question: the timed and the
// persistent message in `popupwindow`, and the modal `yesNoPopup`. Both windows are made
// on first use and kept for the life of the client.

#include <functional>
#include <memory>
#include <string>

namespace zov::platform {
class EventLoop;
}
namespace zov::ui {
class UiFactory;
class Window;
}  // namespace zov::ui

namespace zov::runtime {

class popupwindow;
class yesNoPopup;

// Replaces the window's style by a layered one with constant opacity 0-255; true when the
// platform reported no error.
bool makeTranslucent(ui::Window& window, int alpha);

class Dialogs {
  public:
    Dialogs(platform::EventLoop& loop, ui::UiFactory& ui);
    ~Dialogs();

    // Tells whether the embedded media player fills the screen: timed messages are dropped
    // then. Set by the main window.
    void setFullScreenQuery(std::function<bool()> query) { fullScreen_ = std::move(query); }

    void showPopup(const std::string& text);
    void showPersistentPopup(const std::string& text);

    runtime::popupwindow& popupwindow();
    runtime::yesNoPopup& yesNoPopup();

  private:
    platform::EventLoop& loop_;
    ui::UiFactory& ui_;
    std::function<bool()> fullScreen_;
    std::shared_ptr<runtime::popupwindow> popup_;
    std::shared_ptr<runtime::yesNoPopup> question_;
};

}  // namespace zov::runtime

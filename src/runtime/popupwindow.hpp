#pragma once
// The one small message window of the client: a text that hides itself after 2 seconds,
// or stays while the client wants it to (a persistent message).

#include <memory>
#include <string>

#include "platform/weak_factory.hpp"

namespace zov::platform {
class EventLoop;
}
namespace zov::ui {
class UiFactory;
class Window;
class Label;
}  // namespace zov::ui

namespace zov::runtime {

class CTimeout;

class popupwindow : public std::enable_shared_from_this<popupwindow> {
  public:
    static std::shared_ptr<popupwindow> create(platform::EventLoop& loop, ui::UiFactory& ui);

    ui::Window& window() { return *window_; }
    ui::Label& Label1() { return *Label1_; }
    // The hide timer, 2 seconds.
    CTimeout& TimeOut() { return *TimeOut_; }
    // True while a persistent message is up.
    bool diableKey = false;

    void timeout_timeout();

  private:
    popupwindow() = default;

    std::shared_ptr<ui::Window> window_;
    std::shared_ptr<ui::Label> Label1_;
    std::shared_ptr<CTimeout> TimeOut_;
    platform::WeakFactory<popupwindow> weak_{this};  // last
};

}  // namespace zov::runtime

#pragma once
// The small "Download Queue" window: the titles of the movies waiting for their download,
// one line each, in queue order. It does not hold the queue itself; removing a line asks
// the guide to drop the waiting movie at the same position.

#include <memory>

#include "platform/event.hpp"

namespace zov::ui {
class UiFactory;
class Window;
class ListBox;
class Button;
}  // namespace zov::ui

namespace zov::guide {

class queue {
  public:
    // The Delete key on the window removes the selected line, as `removeQueued` does.
    static constexpr int kDeleteKey = 46;

    explicit queue(ui::UiFactory& ui);
    ~queue();
    queue(const queue&) = delete;
    queue& operator=(const queue&) = delete;

    ui::Window& window() { return *window_; }
    ui::ListBox& movieNameList() { return *movieNameList_; }

    // The user asks to drop the waiting movie at this line (from 0).
    Event<int> RemoveEntry;

  private:
    void close_Click();
    void removeQueued_Click();

    std::shared_ptr<ui::Window> window_;
    std::shared_ptr<ui::ListBox> movieNameList_;
    std::shared_ptr<ui::Button> close_;
    std::shared_ptr<ui::Button> removeQueued_;
};

}  // namespace zov::guide

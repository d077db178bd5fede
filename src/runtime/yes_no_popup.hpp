#pragma once
// The modal yes/no question. The caller sets the question, optionally makes Yes the
// default, shows it modally (events keep flowing meanwhile) and reads `decision`.

#include <cstdint>
#include <memory>

#include "platform/weak_factory.hpp"

namespace zov::ui {
class UiFactory;
class Window;
class Label;
class Shape;
}  // namespace zov::ui

namespace zov::runtime {

class yesNoPopup : public std::enable_shared_from_this<yesNoPopup> {
  public:
    static std::shared_ptr<yesNoPopup> create(ui::UiFactory& ui);

    ui::Window& window() { return *window_; }
    ui::Label& Label1() { return *Label1_; }
    ui::Label& YesControl() { return *YesControl_; }
    ui::Label& NoControl() { return *NoControl_; }
    ui::Shape& Selector() { return *Selector_; }

    bool decision = false;  // True = Yes
    bool shutdown = false;  // set by the first answer, never reset

    void defaultToYes();
    // Answers with the highlighted choice, as Enter does.
    void onControlClick();
    // Shows the window modally; returns once it has been answered.
    void ask();
    std::int32_t selection() const { return selection_; }

  private:
    yesNoPopup() = default;
    void YesControl_Click();
    void NoControl_Click();
    void YesControl_MouseMove();
    void NoControl_MouseMove();
    void moveSelector(double left);

    std::shared_ptr<ui::Window> window_;
    std::shared_ptr<ui::Label> Label1_;
    std::shared_ptr<ui::Label> YesControl_;
    std::shared_ptr<ui::Label> NoControl_;
    std::shared_ptr<ui::Shape> Selector_;
    std::int32_t selection_ = 0;                    // 0 = No, 1 = Yes
    platform::WeakFactory<yesNoPopup> weak_{this};  // last
};

}  // namespace zov::runtime

#include "runtime/dialogs.hpp"

#include "runtime/c_timeout.hpp"
#include "runtime/popupwindow.hpp"
#include "runtime/yes_no_popup.hpp"
#include "ui/controls.hpp"
#include "ui/window.hpp"

namespace zov::runtime {

bool makeTranslucent(ui::Window& window, int alpha) {
    return window.setOpacity(alpha);
}

Dialogs::Dialogs(platform::EventLoop& loop, ui::UiFactory& ui) : loop_(loop), ui_(ui) {}

Dialogs::~Dialogs() = default;

runtime::popupwindow& Dialogs::popupwindow() {
    if (!popup_) popup_ = runtime::popupwindow::create(loop_, ui_);
    return *popup_;
}

runtime::yesNoPopup& Dialogs::yesNoPopup() {
    if (!question_) question_ = runtime::yesNoPopup::create(ui_);
    return *question_;
}

void Dialogs::showPopup(const std::string& text) {
    if (fullScreen_ && fullScreen_()) return;  // nobody would see it: dropped, not queued
    auto& popup = popupwindow();
    popup.Label1().setCaption(text);
    popup.window().show(ui::ShowMode::Modeless);
    popup.TimeOut().StartTimer();
}

void Dialogs::showPersistentPopup(const std::string& text) {
    auto& popup = popupwindow();
    popup.Label1().setCaption(text);
    popup.window().show(ui::ShowMode::Modeless);
    popup.diableKey = true;
}

}  // namespace zov::runtime

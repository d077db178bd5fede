#include "runtime/popupwindow.hpp"

#include "runtime/c_timeout.hpp"
#include "runtime/dialogs.hpp"
#include "ui/controls.hpp"
#include "ui/ui_factory.hpp"
#include "ui/window.hpp"

namespace zov::runtime {

std::shared_ptr<popupwindow> popupwindow::create(platform::EventLoop& loop, ui::UiFactory& ui) {
    std::shared_ptr<popupwindow> popup(new popupwindow());
    popup->window_ = ui.createWindow("popupwindow");
    popup->window_->setCaption("Message");
    popup->Label1_ = ui.createLabel(*popup->window_, "Label1");
    popup->Label1_->setFontSize(18);
    popup->TimeOut_ = CTimeout::create(loop, 2);
    popup->TimeOut_->TimeOut.connect(
        popup->weak_.bind([](popupwindow& self) { self.timeout_timeout(); }));
    makeTranslucent(*popup->window_, 180);
    return popup;
}

void popupwindow::timeout_timeout() {
    TimeOut_->StopTimer();
    Label1_->setCaption("");
    window_->hide();
}

}  // namespace zov::runtime

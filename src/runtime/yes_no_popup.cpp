#include "runtime/yes_no_popup.hpp"

#include "runtime/dialogs.hpp"
#include "ui/controls.hpp"
#include "ui/ui_factory.hpp"
#include "ui/window.hpp"

namespace zov::runtime {

namespace {
constexpr double kUnderYes = 240;  // twips
constexpr double kUnderNo = 2880;
}  // namespace

std::shared_ptr<yesNoPopup> yesNoPopup::create(ui::UiFactory& ui) {
    std::shared_ptr<yesNoPopup> popup(new yesNoPopup());
    popup->window_ = ui.createWindow("yesNoPopup");
    popup->window_->setCaption("Warning");
    popup->Label1_ = ui.createLabel(*popup->window_, "Label1");
    popup->Label1_->setCaption("Do you want to delete this file?");
    popup->YesControl_ = ui.createLabel(*popup->window_, "YesControl");
    popup->YesControl_->setCaption("Yes");
    popup->NoControl_ = ui.createLabel(*popup->window_, "NoControl");
    popup->NoControl_->setCaption("No");
    popup->Selector_ = ui.createShape(*popup->window_, "Selector");

    auto handle = [&popup](void (yesNoPopup::*handler)()) {
        return popup->weak_.bind([handler](yesNoPopup& self) { (self.*handler)(); });
    };
    popup->YesControl_->Click.connect(handle(&yesNoPopup::YesControl_Click));
    popup->NoControl_->Click.connect(handle(&yesNoPopup::NoControl_Click));
    popup->YesControl_->MouseMove.connect(handle(&yesNoPopup::YesControl_MouseMove));
    popup->NoControl_->MouseMove.connect(handle(&yesNoPopup::NoControl_MouseMove));
    popup->window_->KeyDown.connect(popup->weak_.bind([](yesNoPopup& self, int key) {
        if (key == '\r') self.onControlClick();
    }));

    makeTranslucent(*popup->window_, 180);
    popup->decision = false;
    popup->shutdown = false;
    popup->Label1_->setFontSize(18);
    popup->YesControl_->setFontSize(15);
    popup->NoControl_->setFontSize(15);
    return popup;
}

void yesNoPopup::defaultToYes() {
    decision = true;
    selection_ = 1;
    moveSelector(kUnderYes);
}

void yesNoPopup::onControlClick() {
    if (selection_ == 0) {
        NoControl_Click();
    } else if (selection_ == 1) {
        YesControl_Click();
    }
}

void yesNoPopup::ask() {
    auto self = shared_from_this();
    window_->show(ui::ShowMode::Modal);
}

void yesNoPopup::YesControl_Click() {
    decision = true;
    shutdown = true;
    window_->hide();
}

void yesNoPopup::NoControl_Click() {
    decision = false;
    shutdown = true;
    window_->hide();
}

void yesNoPopup::YesControl_MouseMove() {
    selection_ = 1;
    moveSelector(kUnderYes);
}

void yesNoPopup::NoControl_MouseMove() {
    selection_ = 0;
    moveSelector(kUnderNo);
}

void yesNoPopup::moveSelector(double left) {
    ui::Rect rect = Selector_->rect();
    rect.left = left;
    Selector_->setRect(rect);
}

}  // namespace zov::runtime

#include "shell/frm_logo.hpp"

#include "shell/version.hpp"
#include "ui/controls.hpp"
#include "ui/ui_factory.hpp"
#include "ui/window.hpp"

namespace zov::shell {

frmLogo::frmLogo(ui::UiFactory& ui) : window_(ui.createWindow("frmLogo")) {
    status_ = ui.createLabel(*window_, "status");
    status_->setCaption("Initializing....");
    lblVersion_ = ui.createLabel(*window_, "lblVersion");
    lblVersion_->setCaption("Version " + std::string(kVersion));
    lblCompany_ = ui.createLabel(*window_, "lblCompany");
    lblCompany_->setCaption("ZOV Media");
    lblPlatform_ = ui.createLabel(*window_, "lblPlatform");
    lblPlatform_->setCaption("for Linux");
    lblProduct_ = ui.createLabel(*window_, "lblProduct");
    lblProduct_->setCaption("ZOV");
}

void frmLogo::displayInfo(const std::string& info) {
    status_->setCaption(info);
}

}  // namespace zov::shell

#include "shell/login_page.hpp"

#include "shell/client.hpp"
#include "shell/frm_logo.hpp"
#include "shell/main_player.hpp"
#include "ui/flash_movie.hpp"
#include "ui/screen.hpp"
#include "ui/ui_factory.hpp"
#include "ui/window.hpp"

namespace zov::shell {

LoginPage::LoginPage(Client& client) : client_(client) {
    auto& ui = client.services().ui;
    window_ = ui.createWindow("LoginPage");
    window_->setCaption("_Login");
    loginFlash_ = ui.createFlashMovie(*window_, "loginFlash");
    const ui::Rect screen{0, 0, ui.screen().width(), ui.screen().height()};
    window_->setRect(screen);
    loginFlash_->setRect(screen);
    loginFlash_->LoadMovie(client.programFilesFolder() + "/Main.swf");
    loginFlash_->FSCommand.connect([this](const std::string& command, const std::string& args) {
        loginFlash_FSCommand(command, args);
    });
}

void LoginPage::loginError() {
    window_->show(ui::ShowMode::Modeless);
}

void LoginPage::loginFlash_FSCommand(const std::string& command, const std::string&) {
    if (command == "Connect") {
        window_->hide();
        client_.frmLogo().window().show(ui::ShowMode::Modeless);
        const std::string distributor = loginFlash_->GetVariable("distributorBox");
        const std::string user = loginFlash_->GetVariable("userBox");
        const std::string pass = loginFlash_->GetVariable("passBox");
        client_.mainPlayer().authUser(distributor, user, pass);
    } else if (command == "End") {
        client_.mainPlayer().ExitPlayer();
    }
}

}  // namespace zov::shell

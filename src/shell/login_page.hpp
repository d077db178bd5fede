#pragma once
// The login page: a full-screen window whose only content is the login movie. It reads the
// three fields when the user presses Connect and hands them to the main window.

#include <memory>
#include <string>

namespace zov::ui {
class Window;
class FlashMovie;
}  // namespace zov::ui

namespace zov::shell {

class Client;

class LoginPage {
  public:
    explicit LoginPage(Client& client);

    // Shows the page again after a failed login.
    void loginError();
    void onSelectControl() {}

    ui::Window& window() { return *window_; }
    ui::FlashMovie& loginFlash() { return *loginFlash_; }

  private:
    void loginFlash_FSCommand(const std::string& command, const std::string& args);

    Client& client_;
    std::shared_ptr<ui::Window> window_;
    std::shared_ptr<ui::FlashMovie> loginFlash_;
};

}  // namespace zov::shell

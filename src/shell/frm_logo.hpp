#pragma once
// The small status window shown while the client connects: one status line and the
// version.

#include <memory>
#include <string>

namespace zov::ui {
class UiFactory;
class Window;
class Label;
}  // namespace zov::ui

namespace zov::shell {

class frmLogo {
  public:
    explicit frmLogo(ui::UiFactory& ui);

    // Puts the text into the status line; it does not show the window.
    void displayInfo(const std::string& info);

    ui::Window& window() { return *window_; }
    ui::Label& status() { return *status_; }
    ui::Label& lblVersion() { return *lblVersion_; }

  private:
    std::shared_ptr<ui::Window> window_;
    std::shared_ptr<ui::Label> status_;
    std::shared_ptr<ui::Label> lblVersion_;
    std::shared_ptr<ui::Label> lblCompany_;
    std::shared_ptr<ui::Label> lblPlatform_;
    std::shared_ptr<ui::Label> lblProduct_;
};

}  // namespace zov::shell

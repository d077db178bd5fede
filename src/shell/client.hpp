#pragma once
// The process-wide windows of the client. Each exists at most once: the first use makes
// it, and every part of the client reaches it through here.

#include <memory>
#include <string>

#include "shell/client_services.hpp"

namespace zov::runtime {
class Dialogs;
}
namespace zov::guide {
class movieGuide;
}
namespace zov::library {
class HDEngine;
class mediaLibrary;
}  // namespace zov::library

namespace zov::shell {

class mainPlayer;
class frmLogo;
class LoginPage;

class Client {
  public:
    explicit Client(ClientServices services);
    ~Client();
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    const ClientServices& services() const { return services_; }
    // The program folder in the system's own path form ("Z:\opt\zov"): zov.ini.
    const std::string& programFolder() const { return programFolder_; }
    // The program's own files in the same form ("Z:\usr\lib\zov"): pages and players.
    const std::string& programFilesFolder() const { return programFilesFolder_; }

    shell::mainPlayer& mainPlayer();
    shell::frmLogo& frmLogo();
    shell::LoginPage& LoginPage();
    runtime::Dialogs& dialogs();
    guide::movieGuide& movieGuide();
    library::HDEngine& HDEngine();
    library::mediaLibrary& mediaLibrary();

    // Starts the client: the main window is the start-up object.
    void start();

  private:
    ClientServices services_;
    std::string programFolder_;
    std::string programFilesFolder_;
    std::unique_ptr<runtime::Dialogs> dialogs_;
    std::shared_ptr<shell::frmLogo> frmLogo_;
    std::shared_ptr<shell::LoginPage> loginPage_;
    std::shared_ptr<guide::movieGuide> movieGuide_;
    std::shared_ptr<library::HDEngine> hdEngine_;
    std::shared_ptr<library::mediaLibrary> mediaLibrary_;
    std::shared_ptr<shell::mainPlayer> mainPlayer_;
};

}  // namespace zov::shell

#pragma once
// What the login conversation asks of the windows around it. The main window implements
// it; the session decides when, the host only carries out what a window must do.

#include <string>

namespace zov::net {

class AuthSessionHost {
  public:
    virtual ~AuthSessionHost() = default;

    // The status line of the status window (it is not shown for it).
    virtual void displayInfo(const std::string& info) = 0;
    // The main window is shown only once a session is established.
    virtual bool mainWindowVisible() const = 0;
    // Creates the movie folder (the whole path) and makes it hidden and system.
    virtual void createMediaPath() = 0;
    // The configuration was accepted: hide the login page and the status window, show the
    // main window, hand the configuration to the player adaptor, load the guide and the
    // banner, start the banner refresh.
    virtual void acceptSession() = 0;
    // A failed login has been told: hide the status window, show the login page again.
    virtual void loginError() = 0;
};

}  // namespace zov::net

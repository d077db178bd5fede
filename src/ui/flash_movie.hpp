#pragma once
// A vector-animation movie (the skin and the login movie): it is loaded from a file,
// exchanges named string variables with the client and sends it named commands.

#include <string>

#include "platform/event.hpp"
#include "ui/controls.hpp"

namespace zov::ui {

class FlashMovie : public Control {
  public:
    virtual void LoadMovie(const std::string& path) = 0;
    virtual std::string movie() const = 0;
    virtual void SetVariable(const std::string& name, const std::string& value) = 0;
    virtual std::string GetVariable(const std::string& name) const = 0;

    // What a person does in the movie itself, for the remote-control channel and tests.
    // Fills one of the movie's own fields as if typed there: GetVariable reads it, and it is
    // not reported as a change (the client wrote nothing).
    virtual void typeVariable(const std::string& name, const std::string& value) = 0;
    // One of the movie's buttons sends its command: raises FSCommand.
    virtual void sendCommand(const std::string& command, const std::string& args) {
        FSCommand(command, args);
    }

    // command, arguments
    Event<const std::string&, const std::string&> FSCommand;
};

}  // namespace zov::ui

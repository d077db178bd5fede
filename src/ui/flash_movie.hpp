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
    // command, arguments
    Event<const std::string&, const std::string&> FSCommand;
};

}  // namespace zov::ui

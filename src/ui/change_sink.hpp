#pragma once
// Where a front end's windows and controls report what changed on the screen (a window
// shown, a caption, a movie variable, a player's state), so that the remote-control channel
// can tell its client. Every front end feeds the same sink; having none is allowed.

#include <functional>
#include <memory>
#include <string>

namespace zov::ui {

// window name, control name ("" for the window itself), property, new value
using ChangeSink = std::function<void(const std::string& window, const std::string& control,
                                      const std::string& property, const std::string& value)>;

// How a control knows itself and whom to tell. Every control of one front end shares the
// sink, so that replacing it reaches them all.
struct ControlName {
    std::string window;
    std::string control;
    std::shared_ptr<ChangeSink> sink;

    void notify(const std::string& property, const std::string& value) const {
        if (sink && *sink) (*sink)(window, control, property, value);
    }
};

}  // namespace zov::ui

#pragma once
// Where headless controls report what changed on the "screen" (a window shown, a caption, a
// movie variable), so that the remote-control channel can tell its client. Optional.

#include <functional>
#include <memory>
#include <string>

namespace zov::ui::headless {

// window name, control name ("" for the window itself), property, new value
using ChangeSink = std::function<void(const std::string& window, const std::string& control,
                                      const std::string& property, const std::string& value)>;

// How a control knows itself and whom to tell: shared by every control of one factory.
struct ControlName {
    std::string window;
    std::string control;
    std::shared_ptr<ChangeSink> sink;

    void notify(const std::string& property, const std::string& value) const {
        if (sink && *sink) (*sink)(window, control, property, value);
    }
};

}  // namespace zov::ui::headless

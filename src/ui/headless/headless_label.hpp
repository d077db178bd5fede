#pragma once
// A label in memory: the caption and font size the window set, and a click or a mouse
// movement that a test or the remote-control channel makes.

#include <string>

#include "ui/controls.hpp"
#include "ui/named_control.hpp"

namespace zov::ui::headless {

class HeadlessLabel final : public NamedControl<Label> {
  public:
    using NamedControl::NamedControl;

    std::string caption() const override { return caption_; }
    void setCaption(const std::string& caption) override;
    int fontSize() const override { return fontSize_; }
    void setFontSize(int points) override { fontSize_ = points; }

    void mouseMove() { MouseMove(); }

  private:
    std::string caption_;
    int fontSize_ = 8;
};

}  // namespace zov::ui::headless

// The registry a front end files its windows and controls in: what the remote-control
// channel finds there, and who hears their changes.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ui/controls.hpp"
#include "ui/named_control.hpp"
#include "ui/registry.hpp"

namespace zov::test {
namespace {

using ui::ControlName;
using ui::Registry;

class PlainLabel final : public ui::NamedControl<ui::Label> {
  public:
    using NamedControl::NamedControl;
    std::string caption() const override { return caption_; }
    void setCaption(const std::string& caption) override {
        caption_ = caption;
        notify("caption", caption);
    }
    int fontSize() const override { return 8; }
    void setFontSize(int) override {}

  private:
    std::string caption_;
};

class PlainButton final : public ui::NamedControl<ui::Button> {
  public:
    using NamedControl::NamedControl;
    std::string caption() const override { return {}; }
    void setCaption(const std::string&) override {}
    bool enabled() const override { return enabled_; }
    void setEnabled(bool enabled) override { enabled_ = enabled; }

  private:
    bool enabled_ = true;
};

TEST(Registry, FindsWhatTheSystemStillHoldsAsTheKindItWasFiledAs) {
    Registry registry;
    auto status = std::make_shared<PlainLabel>(registry.nameFor("frmLogo", "status"));
    auto play = std::make_shared<PlainButton>(registry.nameFor("movieGuide", "MLplay"));
    registry.add("frmLogo", "status", status);
    registry.add("movieGuide", "MLplay", play);

    EXPECT_EQ(registry.label("frmLogo", "status"), status);
    EXPECT_EQ(registry.button("movieGuide", "MLplay"), play);
    // Another kind, another window or a name never filed finds nothing.
    EXPECT_EQ(registry.button("frmLogo", "status"), nullptr);
    EXPECT_EQ(registry.flashMovie("frmLogo", "status"), nullptr);
    EXPECT_EQ(registry.label("movieGuide", "status"), nullptr);
    EXPECT_EQ(registry.window("frmLogo"), nullptr);

    // Made again under the same name: the new one is found.
    auto again = std::make_shared<PlainLabel>(registry.nameFor("frmLogo", "status"));
    registry.add("frmLogo", "status", again);
    EXPECT_EQ(registry.label("frmLogo", "status"), again);

    // The registry does not keep a control alive that the system has let go.
    again.reset();
    play.reset();
    EXPECT_EQ(registry.label("frmLogo", "status"), nullptr);
    EXPECT_EQ(registry.button("movieGuide", "MLplay"), nullptr);
}

TEST(Registry, OneSinkHearsEveryControlWhenEverItWasSet) {
    Registry registry;
    std::vector<std::string> heard;
    PlainLabel early(registry.nameFor("frmLogo", "status"));
    early.setCaption("before anyone listens");  // no sink yet: nothing to hear, nothing fails

    registry.onChange([&](const std::string& window, const std::string& control,
                          const std::string& property, const std::string& value) {
        heard.push_back(window + "." + control + " " + property + "=" + value);
    });
    PlainLabel late(registry.nameFor("popupwindow", "Label1"));
    early.setCaption("Connecting...");
    late.setVisible(false);
    ASSERT_EQ(heard, (std::vector<std::string>{"frmLogo.status caption=Connecting...",
                                               "popupwindow.Label1 visible=false"}));

    // A new listener replaces the old one; none silences them all.
    std::vector<std::string> second;
    registry.onChange([&](const std::string&, const std::string&, const std::string&,
                          const std::string& value) { second.push_back(value); });
    early.setCaption("Logged in");
    registry.onChange({});
    late.setVisible(true);
    EXPECT_EQ(heard.size(), 2u);
    EXPECT_EQ(second, std::vector<std::string>{"Logged in"});
}

}  // namespace
}  // namespace zov::test

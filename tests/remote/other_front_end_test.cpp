// The channel on a front end that is not the headless one: windows and controls of its own,
// filed in the registry and reporting to its sink. Whatever the channel does must work
// through the ports alone, as it must on the desktop.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "remote/json_value.hpp"
#include "remote/remote_channel.hpp"
#include "ui/controls.hpp"
#include "ui/flash_movie.hpp"
#include "ui/named_control.hpp"
#include "ui/registry.hpp"

namespace zov::test {
namespace {

using remote::JsonValue;
using remote::RemoteChannel;

class OtherWindow final : public ui::Window {
  public:
    explicit OtherWindow(ui::ControlName name) : name_(std::move(name)) {}
    void show(ui::ShowMode) override { setShown(true); }
    void hide() override { setShown(false); }
    bool visible() const override { return visible_; }
    std::string caption() const override { return caption_; }
    void setCaption(const std::string& caption) override { caption_ = caption; }
    ui::Rect rect() const override { return {}; }
    void setRect(const ui::Rect&) override {}
    void setFocus() override {}
    void minimize() override {}
    ui::WindowHandle windowHandle() const override { return 0x500; }
    bool setOpacity(int) override { return true; }

  private:
    void setShown(bool shown) {
        visible_ = shown;
        name_.notify("visible", shown ? "true" : "false");
    }
    ui::ControlName name_;
    bool visible_ = false;
    std::string caption_;
};

class OtherMovie final : public ui::NamedControl<ui::FlashMovie> {
  public:
    using NamedControl::NamedControl;
    void LoadMovie(const std::string&) override {}
    std::string movie() const override { return {}; }
    void SetVariable(const std::string& name, const std::string& value) override {
        fields_[name] = value;
        notify("variable " + name, value);
    }
    std::string GetVariable(const std::string& name) const override {
        auto it = fields_.find(name);
        return it == fields_.end() ? std::string() : it->second;
    }
    void typeVariable(const std::string& name, const std::string& value) override {
        fields_[name] = value;
    }

  private:
    std::map<std::string, std::string> fields_;
};

class OtherButton final : public ui::NamedControl<ui::Button> {
  public:
    using NamedControl::NamedControl;
    std::string caption() const override { return "Play"; }
    void setCaption(const std::string&) override {}
    bool enabled() const override { return true; }
    void setEnabled(bool) override {}
};

class OtherLabel final : public ui::NamedControl<ui::Label> {
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

struct OtherFrontEndTest : ::testing::Test {
    ui::Registry registry;
    RemoteChannel channel{registry};
    std::vector<std::shared_ptr<void>> held;  // as the system holds its windows and controls
    std::vector<std::string> seen;            // what the script saw, in order

    template <class T>
    std::shared_ptr<T> make(const std::string& window, const std::string& control) {
        auto made = std::make_shared<T>(registry.nameFor(window, control));
        held.push_back(made);
        if constexpr (std::is_same_v<T, OtherWindow>)
            registry.addWindow(window, made);
        else
            registry.add(window, control, made);
        return made;
    }

    // Sends one line; returns its reply's error and keeps the events as "kind detail".
    std::string request(const std::string& line) {
        channel.receiveLine(line);
        std::string error = "<no reply>";
        while (auto out = channel.takeLine()) {
            auto value = JsonValue::parse(*out);
            if (!value) return "<bad json>";
            if (const JsonValue* kind = value->find("event")) {
                const JsonValue* window = value->find("window");
                const JsonValue* name = value->find("name");
                seen.push_back(kind->asString() + " " +
                               (name     ? name->asString()
                                : window ? window->asString()
                                         : ""));
            } else {
                error = value->find("error")->asString();
                lastData = *value->find("data");
            }
        }
        return error;
    }

    JsonValue state() {
        request(R"({"command":"get_state"})");
        return lastData;
    }

    JsonValue lastData;
};

TEST_F(OtherFrontEndTest, ScriptTypesLogsInPressesAndIsToldWhatChanged) {
    auto login = make<OtherWindow>("LoginPage", "");
    auto movie = make<OtherMovie>("LoginPage", "loginFlash");
    auto main = make<OtherWindow>("mainPlayer", "");
    auto skin = make<OtherMovie>("mainPlayer", "PlayerSkin");
    auto guide = make<OtherWindow>("movieGuide", "");
    auto play = make<OtherButton>("movieGuide", "MLplay");
    std::vector<std::string> commands;
    movie->FSCommand.connect([&](const std::string& command, const std::string&) {
        // What the client does on "Connect": the fields as typed, then the next window.
        commands.push_back(command + " " + movie->GetVariable("userBox") + "/" +
                           movie->GetVariable("passBox"));
        login->hide();
        main->show(ui::ShowMode::Modeless);
    });
    skin->FSCommand.connect([&](const std::string& command, const std::string& args) {
        commands.push_back(command + " " + args);
    });
    int keys = 0, plays = 0;
    main->KeyDown.connect([&](int key) { keys += key; });
    play->Click.connect([&] { ++plays; });
    login->show(ui::ShowMode::Modeless);

    EXPECT_EQ(request(R"({"command":"press_button","window":"movieGuide","control":"MLplay"})"),
              "not visible");
    EXPECT_EQ(request(R"({"command":"login_command","action":"Connect","user":"bob",)"
                      R"("password":"secret"})"),
              "success");
    EXPECT_EQ(commands, std::vector<std::string>{"Connect bob/secret"});
    EXPECT_EQ(request(R"({"command":"skin_command","name":"UPDATE_POSITION","args":"42"})"),
              "success");
    EXPECT_EQ(commands.back(), "UPDATE_POSITION 42");
    EXPECT_EQ(request(R"({"command":"key","window":"mainPlayer","key":27})"), "success");
    EXPECT_EQ(keys, 27);
    guide->show(ui::ShowMode::Modeless);
    EXPECT_EQ(request(R"({"command":"press_button","window":"movieGuide","control":"MLplay"})"),
              "success");
    EXPECT_EQ(plays, 1);
    skin->SetVariable("videoName", "Colour Bars");

    const JsonValue now = state();
    EXPECT_EQ(seen, (std::vector<std::string>{"window-shown LoginPage", "window-hidden LoginPage",
                                              "window-shown mainPlayer", "window-shown movieGuide",
                                              "skin-variable videoName"}));
    EXPECT_EQ(now.find("login")->find("userBox")->asString(), "bob");
    EXPECT_EQ(now.find("login")->find("passBox"), nullptr);  // never told
    EXPECT_TRUE(now.find("windows")->find("mainPlayer")->find("visible")->asBool());
    EXPECT_EQ(
        now.find("skin_variables")->find("mainPlayer/PlayerSkin")->find("videoName")->asString(),
        "Colour Bars");
}

TEST_F(OtherFrontEndTest, WhileTheQuestionIsUpOnlyItsAnswerIsTaken) {
    auto main = make<OtherWindow>("mainPlayer", "");
    auto skin = make<OtherMovie>("mainPlayer", "PlayerSkin");
    auto question = make<OtherWindow>("yesNoPopup", "");
    auto yes = make<OtherLabel>("yesNoPopup", "YesControl");
    auto no = make<OtherLabel>("yesNoPopup", "NoControl");
    auto popup = make<OtherWindow>("popupwindow", "");
    auto text = make<OtherLabel>("popupwindow", "Label1");
    std::string answer;
    yes->Click.connect([&] {
        answer = "yes";
        question->hide();
    });
    no->Click.connect([&] { answer = "no"; });
    main->show(ui::ShowMode::Modeless);
    question->show(ui::ShowMode::Modeless);

    EXPECT_EQ(request(R"({"command":"skin_command","name":"stop"})"), "blocked");
    EXPECT_EQ(request(R"({"command":"answer_question","answer":"yes"})"), "success");
    EXPECT_EQ(answer, "yes");
    EXPECT_EQ(request(R"({"command":"answer_question","answer":"no"})"), "not found");
    EXPECT_EQ(request(R"({"command":"skin_command","name":"stop"})"), "success");

    // A popup is news only once it is on the screen.
    text->setCaption("Movie deleted");
    popup->show(ui::ShowMode::Modeless);
    EXPECT_EQ(state().find("popup")->asString(), "Movie deleted");
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "popup "), 1);
}

}  // namespace
}  // namespace zov::test

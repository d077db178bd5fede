#include "remote/client_state.hpp"

#include "ui/browser.hpp"
#include "ui/controls.hpp"
#include "ui/flash_movie.hpp"
#include "ui/media_player_control.hpp"
#include "ui/registry.hpp"
#include "ui/window.hpp"

namespace zov::remote {

namespace {

// The windows of the client, in the order a person meets them.
const char* const kWindows[] = {"frmLogo",    "LoginPage",    "mainPlayer",
                                "movieGuide", "mediaLibrary", "popupwindow",
                                "yesNoPopup", "queue",        "HDEngine"};
const char* const kGuideLabels[] = {"SelectedNameLabel", "second_line_status", "currentDLLabel",
                                    "percentLabel"};
const char* const kGuideButtons[] = {"MLplay",       "MLdownload", "MLDelete",  "MLFavour",
                                     "stopDownload", "previewbt",  "refreshBt", "showdownload",
                                     "view_queue",   "close"};
const char* const kLoginVariables[] = {"distributorBox", "userBox", "passBox"};

}  // namespace

std::optional<std::string> shownPopup(const ui::Registry& ui) {
    auto window = ui.window("popupwindow");
    auto text = ui.label("popupwindow", "Label1");
    if (!window || !window->visible() || !text) return std::nullopt;
    return text->caption();
}

JsonValue clientState(const ui::Registry& ui, const SkinVariables& variables) {
    JsonValue::Object windows;
    for (const char* name : kWindows) {
        auto window = ui.window(name);
        if (!window) continue;
        windows[name] =
            JsonValue::Object{{"visible", window->visible()}, {"caption", window->caption()}};
    }
    JsonValue::Object labels;
    for (const char* name : kGuideLabels)
        if (auto label = ui.label("movieGuide", name)) labels[name] = label->caption();
    JsonValue::Object buttons;
    for (const char* name : kGuideButtons)
        if (auto button = ui.button("movieGuide", name))
            buttons[name] = JsonValue::Object{{"visible", button->visible()},
                                              {"enabled", button->enabled()},
                                              {"caption", button->caption()}};
    JsonValue::Object login;
    if (auto movie = ui.flashMovie("LoginPage", "loginFlash"))
        for (const char* name : kLoginVariables)
            if (std::string(name) != "passBox") login[name] = movie->GetVariable(name);
    if (auto status = ui.label("frmLogo", "status")) login["status"] = status->caption();
    JsonValue::Object skins;
    for (const auto& [movie, values] : variables) {
        JsonValue::Object members;
        for (const auto& [name, value] : values)
            members[name] = value;
        skins[movie] = std::move(members);
    }
    JsonValue::Object player;
    if (auto control = ui.mediaPlayer("mainPlayer", "wmpPlayer")) {
        player["state"] = control->playState();
        player["state_name"] = ui::playStateName(control->playState());
        player["URL"] = control->URL();
        player["position"] = control->currentPosition();
        player["duration"] = control->duration();
    }
    const std::string popup = shownPopup(ui).value_or("");
    JsonValue::Object guide{{"labels", std::move(labels)}, {"buttons", std::move(buttons)}};
    if (auto page = ui.browser("movieGuide", "epgBrowser")) {
        guide["page"] = page->LocationURL();
        guide["loading"] = page->busy();
    }
    return JsonValue::Object{{"windows", std::move(windows)}, {"guide", std::move(guide)},
                             {"login", std::move(login)},     {"skin_variables", std::move(skins)},
                             {"player", std::move(player)},   {"popup", popup}};
}

}  // namespace zov::remote

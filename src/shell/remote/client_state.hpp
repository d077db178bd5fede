#pragma once
// What the headless client shows a person, read for the remote-control channel: the whole
// picture for its state query, and the pieces its events need.

#include <map>
#include <optional>
#include <string>

#include "shell/remote/json_value.hpp"

namespace zov::ui::headless {
class HeadlessUiFactory;
}

namespace zov::shell::remote {

// "window/control" -> variable -> value, as the skins were last told.
using SkinVariables = std::map<std::string, std::map<std::string, std::string>>;

// Windows, guide, login page, skin variables, player and popup (the password never).
JsonValue clientState(const ui::headless::HeadlessUiFactory& ui, const SkinVariables& variables);

// The popup's text while it is on the screen; nothing while it is hidden.
std::optional<std::string> shownPopup(const ui::headless::HeadlessUiFactory& ui);

// "Playing", "Stopped"... for a player's state number; "Unknown" beyond them.
std::string playStateName(int state);

}  // namespace zov::shell::remote

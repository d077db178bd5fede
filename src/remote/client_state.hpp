#pragma once
// What the client shows a person, read through the ports for the remote-control channel:
// the whole picture for its state query, and the pieces its events need.

#include <map>
#include <optional>
#include <string>

#include "remote/json_value.hpp"

namespace zov::ui {
class Registry;
}

namespace zov::remote {

// "window/control" -> variable -> value, as the skins were last told.
using SkinVariables = std::map<std::string, std::map<std::string, std::string>>;

// Windows, guide, login page, skin variables, player and popup (the password never).
JsonValue clientState(const ui::Registry& ui, const SkinVariables& variables);

// The popup's text while it is on the screen; nothing while it is hidden.
std::optional<std::string> shownPopup(const ui::Registry& ui);

}  // namespace zov::remote

#pragma once
// How the desktop front end lays out the small forms that the system never places: the
// status window and the two popups. Like their designer, it gives them sizes and control
// positions in twips, and the system moves their controls in twips too (the question's
// selector). The windows the system places from the screen's size have no design here.

#include <map>
#include <string>

#include "ui/window.hpp"

namespace zov::ui::desktop {

enum class FormKind {
    Splash,  // frameless, centred on the screen when shown
    Popup,   // frameless, centred, above every other window
};

struct ControlDesign {
    Rect rect;         // twips
    int fontSize = 0;  // points; 0 keeps the control's own
    bool bold = false;
};

struct FormDesign {
    FormKind kind = FormKind::Splash;
    double width = 0;  // twips
    double height = 0;
    // The message popup must not take the keyboard from whoever is typing.
    bool takesFocus = true;
    const char* styleSheet = "";
    std::map<std::string, ControlDesign> controls;
};

// Nothing for a window the system places itself.
const FormDesign* formDesign(const std::string& window);

}  // namespace zov::ui::desktop

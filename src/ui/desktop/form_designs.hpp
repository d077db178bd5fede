#pragma once
// How the desktop front end lays out the forms that the system never places: the status
// window, the two popups, the guide, the download queue, the playlist and the movie cache
// manager. Like their designer, it gives them sizes and control positions in twips, and
// the system moves their controls in twips too (the question's selector). The windows the
// system places from the screen's size have no design here.

#include <map>
#include <string>
#include <vector>

#include "ui/window.hpp"

namespace zov::ui::desktop {

enum class FormKind {
    Splash,  // frameless, centred on the screen when shown
    Popup,   // frameless, centred, above every other window
};

enum class TextAlign { Centre, Left, Right };

struct ControlDesign {
    Rect rect;         // twips
    int fontSize = 0;  // points; 0 keeps the control's own
    bool bold = false;
    TextAlign align = TextAlign::Centre;  // a label's text
    // What a picture button shows, drawn as text; its caption stays the system's.
    const char* face = nullptr;
    // A box that only shows text never takes the keyboard from the window's keys.
    bool takesFocus = true;
};

// Buttons that stand side by side in the order listed, closing up over hidden ones, so
// that whichever the window shows sit together. Each keeps its designed size; the row
// starts at `edge` (their left edge, or their right edge when aligned right).
struct RowDesign {
    std::vector<std::string> controls;
    double edge = 0;  // twips
    double gap = 0;
    bool alignRight = false;
};

struct FormDesign {
    FormKind kind = FormKind::Splash;
    double width = 0;  // twips
    double height = 0;
    // The message popup must not take the keyboard from whoever is typing.
    bool takesFocus = true;
    const char* styleSheet = "";
    std::map<std::string, ControlDesign> controls;
    std::vector<RowDesign> rows;
    // A frameless window shows its caption in a strip this high across its top (0: none).
    double captionHeight = 0;
    // The system's key codes the window's KeyDown acts on. They reach it even while a
    // control that would use them itself (a page) has the keyboard, unless the person is
    // typing into a field there.
    std::vector<int> windowKeys;
};

// Nothing for a window the system places itself.
const FormDesign* formDesign(const std::string& window);

// The designs of the guide's and library's windows (kept apart from the small forms).
void addWindowDesigns(std::map<std::string, FormDesign>& table);

}  // namespace zov::ui::desktop

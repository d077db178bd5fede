#pragma once
// The key codes the system's windows expect, from Qt's key events and back: a window's
// KeyDown gets the key's code (letters and digits as their upper-case ASCII, Enter 13,
// Escape 27, the arrows 37-40, Delete 46, F1 112 ...), whatever the shift state; a picture
// box's KeyPress gets the character typed (ASCII, with Enter 13, Escape 27, Backspace 8).

#include <QString>
#include <Qt>
#include <optional>

class QKeyEvent;

namespace zov::ui::desktop {

// Nothing for a key the system has no code for.
std::optional<int> windowsKeyCode(const QKeyEvent& event);
std::optional<int> keyAscii(const QKeyEvent& event);

// The key a person presses for a key code, to replay it as a Qt key event (a letter comes
// unshifted). Nothing for a code no key of a plain keyboard gives.
struct QtKey {
    int key = 0;
    Qt::KeyboardModifiers modifiers;
    QString text;
};
std::optional<QtKey> qtKeyFor(int windowsCode);

}  // namespace zov::ui::desktop

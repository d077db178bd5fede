#include "ui/desktop/windows_key_codes.hpp"

#include <QKeyEvent>
#include <iterator>

namespace zov::ui::desktop {

namespace {

struct KeyEntry {
    int code;
    Qt::Key key;
    bool keypad;  // the key on the numeric keypad
    const char* text;
};

// The keys beyond letters, digits and function keys. Where two Qt keys give one code, the
// first is the one replayed. Shifted symbols give the code of their key on a US keyboard.
const KeyEntry kKeys[] = {
    {8, Qt::Key_Backspace, false, "\b"},    {9, Qt::Key_Tab, false, "\t"},
    {9, Qt::Key_Backtab, false, ""},        {13, Qt::Key_Return, false, "\r"},
    {13, Qt::Key_Enter, true, "\r"},        {16, Qt::Key_Shift, false, ""},
    {17, Qt::Key_Control, false, ""},       {18, Qt::Key_Alt, false, ""},
    {19, Qt::Key_Pause, false, ""},         {20, Qt::Key_CapsLock, false, ""},
    {27, Qt::Key_Escape, false, "\x1b"},    {32, Qt::Key_Space, false, " "},
    {33, Qt::Key_PageUp, false, ""},        {34, Qt::Key_PageDown, false, ""},
    {35, Qt::Key_End, false, ""},           {36, Qt::Key_Home, false, ""},
    {37, Qt::Key_Left, false, ""},          {38, Qt::Key_Up, false, ""},
    {39, Qt::Key_Right, false, ""},         {40, Qt::Key_Down, false, ""},
    {45, Qt::Key_Insert, false, ""},        {46, Qt::Key_Delete, false, ""},
    {106, Qt::Key_Asterisk, true, "*"},     {107, Qt::Key_Plus, true, "+"},
    {109, Qt::Key_Minus, true, "-"},        {110, Qt::Key_Period, true, "."},
    {111, Qt::Key_Slash, true, "/"},        {186, Qt::Key_Semicolon, false, ";"},
    {186, Qt::Key_Colon, false, ":"},       {187, Qt::Key_Equal, false, "="},
    {187, Qt::Key_Plus, false, "+"},        {188, Qt::Key_Comma, false, ","},
    {188, Qt::Key_Less, false, "<"},        {189, Qt::Key_Minus, false, "-"},
    {189, Qt::Key_Underscore, false, "_"},  {190, Qt::Key_Period, false, "."},
    {190, Qt::Key_Greater, false, ">"},     {191, Qt::Key_Slash, false, "/"},
    {191, Qt::Key_Question, false, "?"},    {192, Qt::Key_QuoteLeft, false, "`"},
    {192, Qt::Key_AsciiTilde, false, "~"},  {219, Qt::Key_BracketLeft, false, "["},
    {219, Qt::Key_BraceLeft, false, "{"},   {220, Qt::Key_Backslash, false, "\\"},
    {220, Qt::Key_Bar, false, "|"},         {221, Qt::Key_BracketRight, false, "]"},
    {221, Qt::Key_BraceRight, false, "}"},  {222, Qt::Key_Apostrophe, false, "'"},
    {222, Qt::Key_QuoteDbl, false, "\""},   {'1', Qt::Key_Exclam, false, "!"},
    {'2', Qt::Key_At, false, "@"},          {'3', Qt::Key_NumberSign, false, "#"},
    {'4', Qt::Key_Dollar, false, "$"},      {'5', Qt::Key_Percent, false, "%"},
    {'6', Qt::Key_AsciiCircum, false, "^"}, {'7', Qt::Key_Ampersand, false, "&"},
    {'8', Qt::Key_Asterisk, false, "*"},    {'9', Qt::Key_ParenLeft, false, "("},
    {'0', Qt::Key_ParenRight, false, ")"},
};

constexpr int kKeypadZero = 96;
constexpr int kF1 = 112;
constexpr int kFunctionKeys = 24;

}  // namespace

std::optional<int> windowsKeyCode(const QKeyEvent& event) {
    const int key = event.key();
    const bool keypad = event.modifiers().testFlag(Qt::KeypadModifier);
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return 'A' + (key - Qt::Key_A);
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return (keypad ? kKeypadZero : '0') + (key - Qt::Key_0);
    if (key >= Qt::Key_F1 && key < Qt::Key_F1 + kFunctionKeys) return kF1 + (key - Qt::Key_F1);
    // A keypad key is its own key where it has one, and the main keyboard's otherwise.
    for (bool onKeypad : {keypad, false})
        for (const KeyEntry& entry : kKeys)
            if (entry.key == key && entry.keypad == onKeypad) return entry.code;
    return std::nullopt;
}

std::optional<int> keyAscii(const QKeyEvent& event) {
    const QString text = event.text();
    if (text.size() == 1 && text[0].unicode() < 0x80) return text[0].unicode();
    switch (event.key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return 13;
        case Qt::Key_Escape:
            return 27;
        case Qt::Key_Backspace:
            return 8;
        case Qt::Key_Tab:
            return 9;
        default:
            return std::nullopt;
    }
}

std::optional<QtKey> qtKeyFor(int code) {
    if (code >= 'A' && code <= 'Z')
        return QtKey{Qt::Key_A + (code - 'A'), Qt::NoModifier, QString(QChar(code - 'A' + 'a'))};
    if (code >= '0' && code <= '9')
        return QtKey{Qt::Key_0 + (code - '0'), Qt::NoModifier, QString(QChar(code))};
    if (code >= kKeypadZero && code < kKeypadZero + 10)
        return QtKey{Qt::Key_0 + (code - kKeypadZero), Qt::KeypadModifier,
                     QString(QChar('0' + code - kKeypadZero))};
    if (code >= kF1 && code < kF1 + kFunctionKeys)
        return QtKey{Qt::Key_F1 + (code - kF1), Qt::NoModifier, QString()};
    for (const KeyEntry& entry : kKeys)
        if (entry.code == code)
            return QtKey{entry.key, entry.keypad ? Qt::KeypadModifier : Qt::NoModifier,
                         QString::fromLatin1(entry.text)};
    return std::nullopt;
}

}  // namespace zov::ui::desktop

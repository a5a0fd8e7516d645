// Key and text encoders. The special-key table is one switch; everything not
// in it is text, possibly prefixed by ESC (Alt) or replaced by a control byte
// (Ctrl). Meta only enters the modifier parameter.
#include "lumenvale/input_encoding.h"
#include "control/input/kitty_keyboard.h"
#include "control/input/text_encoding.h"

#include <QKeyEvent>
#include <QString>

namespace vesper {

namespace {

constexpr char kEsc = '\x1b';

int modifierParameter(Qt::KeyboardModifiers mods)
{
    return 1 + (mods.testFlag(Qt::ShiftModifier) ? 1 : 0) + (mods.testFlag(Qt::AltModifier) ? 2 : 0)
           + (mods.testFlag(Qt::ControlModifier) ? 4 : 0) + (mods.testFlag(Qt::MetaModifier) ? 8 : 0);
}

bool isModifierOrLockKey(int key)
{
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
    case Qt::Key_AltGr:
        return true;
    default:
        return false;
    }
}

// F1..F4 keep SS3 in both cursor modes; modified they use the CSI 1 ; m form.
std::string pfKeySequence(int key, int m)
{
    const char final = static_cast<char>((key & 0xff) + 0x20);
    if (m <= 1)
        return std::string{kEsc, 'O', final};
    return cursor_key_sequence(final, m, false);
}

// The special-key table; returns false for keys that are not in it.
bool specialKeySequence(int key, Qt::KeyboardModifiers mods, int m, bool appCursor, std::string &out)
{
    switch (key) {
    case Qt::Key_Escape: out = std::string(1, kEsc); return true;
    case Qt::Key_Tab: out = "\t"; return true;
    case Qt::Key_Backtab: out = "\x1b[Z"; return true;
    case Qt::Key_Backspace: out = mods.testFlag(Qt::ControlModifier) ? "\x08" : "\x7f"; return true;
    case Qt::Key_Return:
    case Qt::Key_Enter: out = "\r"; return true;
    case Qt::Key_Insert: out = tilde_key_sequence(2, m); return true;
    case Qt::Key_Delete: out = tilde_key_sequence(3, m); return true;
    case Qt::Key_PageUp: out = tilde_key_sequence(5, m); return true;
    case Qt::Key_PageDown: out = tilde_key_sequence(6, m); return true;
    case Qt::Key_Up: out = cursor_key_sequence('A', m, appCursor); return true;
    case Qt::Key_Down: out = cursor_key_sequence('B', m, appCursor); return true;
    case Qt::Key_Right: out = cursor_key_sequence('C', m, appCursor); return true;
    case Qt::Key_Left: out = cursor_key_sequence('D', m, appCursor); return true;
    case Qt::Key_Home: out = cursor_key_sequence('H', m, appCursor); return true;
    case Qt::Key_End: out = cursor_key_sequence('F', m, appCursor); return true;
    case Qt::Key_F1:
    case Qt::Key_F2:
    case Qt::Key_F3:
    case Qt::Key_F4: out = pfKeySequence(key, m); return true;
    case Qt::Key_F5: out = tilde_key_sequence(15, m); return true;
    case Qt::Key_F6: out = tilde_key_sequence(17, m); return true;
    case Qt::Key_F7: out = tilde_key_sequence(18, m); return true;
    case Qt::Key_F8: out = tilde_key_sequence(19, m); return true;
    case Qt::Key_F9: out = tilde_key_sequence(20, m); return true;
    case Qt::Key_F10: out = tilde_key_sequence(21, m); return true;
    case Qt::Key_F11: out = tilde_key_sequence(23, m); return true;
    case Qt::Key_F12: out = tilde_key_sequence(24, m); return true;
    default: return false;
    }
}

// Application keypad (DECKPAM) keys as xterm sends them with its default
// resources: Enter and the operators as SS3 sequences; the digits and the
// point keep their text while Num Lock is on (numLock), and without it Qt
// reports them as cursor and editing keys.
std::string applicationKeypadSequence(int key)
{
    char final = 0;
    switch (key) {
    case Qt::Key_Enter:
    case Qt::Key_Return: final = 'M'; break;
    case Qt::Key_Asterisk: final = 'j'; break;
    case Qt::Key_Plus: final = 'k'; break;
    case Qt::Key_Comma: final = 'l'; break;
    case Qt::Key_Minus: final = 'm'; break;
    case Qt::Key_Slash: final = 'o'; break;
    case Qt::Key_Equal: final = 'X'; break;
    default: return {};
    }
    return std::string{kEsc, 'O', final};
}

std::string toUtf8(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

} // namespace

std::string control_code(int key)
{
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return std::string(1, static_cast<char>(key - 0x40));
    switch (key) {
    case Qt::Key_Space:
    case Qt::Key_2: return std::string(1, '\0');
    case Qt::Key_BracketLeft: return "\x1b";
    case Qt::Key_Backslash: return "\x1c";
    case Qt::Key_BracketRight: return "\x1d";
    case Qt::Key_6:
    case Qt::Key_AsciiCircum: return "\x1e";
    case Qt::Key_Minus:
    case Qt::Key_Underscore: return "\x1f";
    case Qt::Key_Question: return "\x7f";
    default: return {};
    }
}

std::string cursor_key_sequence(char final, int m, bool applicationCursorKeys)
{
    if (m <= 1)
        return std::string{kEsc, applicationCursorKeys ? 'O' : '[', final};
    return "\x1b[1;" + std::to_string(m) + final;
}

std::string tilde_key_sequence(int number, int m)
{
    if (m <= 1)
        return "\x1b[" + std::to_string(number) + '~';
    return "\x1b[" + std::to_string(number) + ';' + std::to_string(m) + '~';
}

std::string encode_key(const QKeyEvent *event, bool applicationCursorKeys)
{
    if (!event)
        return {};
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers();
    const int m = modifierParameter(mods);
    if (isModifierOrLockKey(key))
        return {};

    std::string special;
    if (specialKeySequence(key, mods, m, applicationCursorKeys, special))
        return special;

    const bool ctrl = mods.testFlag(Qt::ControlModifier);
    const bool alt = mods.testFlag(Qt::AltModifier);
    if (ctrl && !alt) {
        std::string c = control_code(key);
        if (!c.empty())
            return c;
    }
    const QString text = event->text();
    if (text.isEmpty())
        return {};
    std::string result = alt ? std::string(1, kEsc) : std::string();
    if (ctrl) {
        const std::string c = control_code(key);
        if (!c.empty())
            return result + c;
    }
    return result + toUtf8(text);
}

std::string modify_other_keys_sequence(int key, Qt::KeyboardModifiers mods, int level)
{
    const int m = modifierParameter(mods);
    if (level <= 0 || m <= 1)
        return {};
    const int bits = m - 1;
    int code = 0;
    switch (key) {
    case Qt::Key_Tab: code = '\t'; break;
    case Qt::Key_Return:
    case Qt::Key_Enter: code = '\r'; break;
    case Qt::Key_Escape: code = 0x1b; break;
    case Qt::Key_Backspace: code = 0x7f; break;
    default:
        // The character the key types without Ctrl and Alt: Shift still counts.
        if (key >= Qt::Key_A && key <= Qt::Key_Z)
            code = (bits & 1) ? key : key - Qt::Key_A + 'a';
        else if (key >= 0x20 && key < 0x110000 && key != 0x7f)
            code = key;
        break;
    }
    if (code == 0)
        return {};
    // Shift alone only changes the character typed.
    if (bits == 1 && code >= 0x20 && code != 0x7f)
        return {};
    if (level == 1) {
        // Level 1 leaves the combinations with well-known bytes: Tab, Enter,
        // Escape, Backspace, Alt and Meta prefixes, and Ctrl with a control
        // byte of its own.
        if (code < 0x20 || code == 0x7f || !(bits & 4))
            return {};
        if (!(bits & 1) && !control_code(key).empty())
            return {};
    }
    return "\x1b[27;" + std::to_string(m) + ';' + std::to_string(code) + '~';
}

std::string encode_key(const QKeyEvent *event, const KeyModes &modes, bool release)
{
    if (!event)
        return {};
    std::string legacy;
    if (!release) {
        const int key = event->key();
        const Qt::KeyboardModifiers mods = event->modifiers();
        if (modes.applicationKeypad && mods == Qt::KeypadModifier)
            legacy = applicationKeypadSequence(key);
        if (legacy.empty() && modes.modifyOtherKeys > 0)
            legacy = modify_other_keys_sequence(key, mods & ~Qt::KeypadModifier, modes.modifyOtherKeys);
        if (legacy.empty())
            legacy = encode_key(event, modes.applicationCursorKeys);
    }
    if (modes.protocolFlags == 0)
        return legacy;
    const KeyEventKind kind = release ? KeyEventKind::Release
                              : event->isAutoRepeat() ? KeyEventKind::Repeat
                                                      : KeyEventKind::Press;
    return encode_protocol_key(event, kind, modes.protocolFlags, legacy);
}

std::string encode_text(const QString &text, bool bracketed_paste)
{
    // Inside the markers the program treats everything as data, but the
    // tty's line discipline does not: an ESC or a C1 CSI could forge the end
    // marker, and ^C, ^Z or ^\\ become signals that cut the paste short and
    // leave the rest to run as typed input.  So every control but HT and CR
    // (LF is CR by then) is dropped, and so are DEL and the C1 range.
    return encodeTextFast(text, bracketed_paste);
}

} // namespace vesper

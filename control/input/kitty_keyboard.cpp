// The CSI-u key encoder: the functional-key table (cursor, editing, function,
// keypad, media and modifier keys with their protocol numbers), the rules for
// which events leave as text and which as escapes, and the sequence itself.
#include "control/input/kitty_keyboard.h"

#include <QKeyEvent>
#include <QString>

#include <string_view>
#include <utility>

#include "core/keyboard_modes.h"

namespace vesper {

namespace {

// A key without a code point of its own: its number and final byte ('u',
// '~' or the letter of the CSI 1 ; m letter form).
struct FunctionalKey {
    int number = 0;
    char final = 0;
};

constexpr int kEscape = 27, kEnter = 13, kTab = 9, kBackspace = 127;

FunctionalKey keypadKey(int key)
{
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return {57399 + (key - Qt::Key_0), 'u'};
    switch (key) {
    case Qt::Key_Period: return {57409, 'u'};
    case Qt::Key_Slash: return {57410, 'u'};
    case Qt::Key_Asterisk: return {57411, 'u'};
    case Qt::Key_Minus: return {57412, 'u'};
    case Qt::Key_Plus: return {57413, 'u'};
    case Qt::Key_Enter:
    case Qt::Key_Return: return {57414, 'u'};
    case Qt::Key_Equal: return {57415, 'u'};
    case Qt::Key_Comma: return {57416, 'u'};
    case Qt::Key_Left: return {57417, 'u'};
    case Qt::Key_Right: return {57418, 'u'};
    case Qt::Key_Up: return {57419, 'u'};
    case Qt::Key_Down: return {57420, 'u'};
    case Qt::Key_PageUp: return {57421, 'u'};
    case Qt::Key_PageDown: return {57422, 'u'};
    case Qt::Key_Home: return {57423, 'u'};
    case Qt::Key_End: return {57424, 'u'};
    case Qt::Key_Insert: return {57425, 'u'};
    case Qt::Key_Delete: return {57426, 'u'};
    case Qt::Key_Clear: return {1, 'E'}; // the keypad's 5 without Num Lock
    default: return {};
    }
}

FunctionalKey functionalKey(int key)
{
    if (key >= Qt::Key_F13 && key <= Qt::Key_F35)
        return {57376 + (key - Qt::Key_F13), 'u'};
    switch (key) {
    case Qt::Key_Escape: return {kEscape, 'u'};
    case Qt::Key_Return:
    case Qt::Key_Enter: return {kEnter, 'u'};
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return {kTab, 'u'};
    case Qt::Key_Backspace: return {kBackspace, 'u'};
    case Qt::Key_Insert: return {2, '~'};
    case Qt::Key_Delete: return {3, '~'};
    case Qt::Key_Left: return {1, 'D'};
    case Qt::Key_Right: return {1, 'C'};
    case Qt::Key_Up: return {1, 'A'};
    case Qt::Key_Down: return {1, 'B'};
    case Qt::Key_PageUp: return {5, '~'};
    case Qt::Key_PageDown: return {6, '~'};
    case Qt::Key_Home: return {1, 'H'};
    case Qt::Key_End: return {1, 'F'};
    case Qt::Key_CapsLock: return {57358, 'u'};
    case Qt::Key_ScrollLock: return {57359, 'u'};
    case Qt::Key_NumLock: return {57360, 'u'};
    case Qt::Key_Print: return {57361, 'u'};
    case Qt::Key_Pause: return {57362, 'u'};
    case Qt::Key_Menu: return {57363, 'u'};
    case Qt::Key_F1: return {1, 'P'};
    case Qt::Key_F2: return {1, 'Q'};
    case Qt::Key_F3: return {13, '~'}; // not CSI R: that is a cursor position report
    case Qt::Key_F4: return {1, 'S'};
    case Qt::Key_F5: return {15, '~'};
    case Qt::Key_F6: return {17, '~'};
    case Qt::Key_F7: return {18, '~'};
    case Qt::Key_F8: return {19, '~'};
    case Qt::Key_F9: return {20, '~'};
    case Qt::Key_F10: return {21, '~'};
    case Qt::Key_F11: return {23, '~'};
    case Qt::Key_F12: return {24, '~'};
    case Qt::Key_MediaPlay: return {57428, 'u'};
    case Qt::Key_MediaPause: return {57429, 'u'};
    case Qt::Key_MediaTogglePlayPause: return {57430, 'u'};
    case Qt::Key_MediaStop: return {57432, 'u'};
    case Qt::Key_MediaNext: return {57435, 'u'};
    case Qt::Key_MediaPrevious: return {57436, 'u'};
    case Qt::Key_MediaRecord: return {57437, 'u'};
    case Qt::Key_VolumeDown: return {57438, 'u'};
    case Qt::Key_VolumeUp: return {57439, 'u'};
    case Qt::Key_VolumeMute: return {57440, 'u'};
    // Modifier keys, reported only with every key: Qt does not tell left
    // from right, so they are the left ones.
    case Qt::Key_Shift: return {57441, 'u'};
    case Qt::Key_Control: return {57442, 'u'};
    case Qt::Key_Alt: return {57443, 'u'};
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R: return {57444, 'u'};
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R: return {57445, 'u'};
    case Qt::Key_AltGr: return {57453, 'u'};
    default: return {};
    }
}

bool isModifierKey(int number) { return number >= 57441 && number <= 57454; }

// Shift 1, Alt 2, Ctrl 4, Super 8 (Qt's Meta is the Super key).
int modifierBits(Qt::KeyboardModifiers mods)
{
    return (mods.testFlag(Qt::ShiftModifier) ? 1 : 0) | (mods.testFlag(Qt::AltModifier) ? 2 : 0)
           | (mods.testFlag(Qt::ControlModifier) ? 4 : 0) | (mods.testFlag(Qt::MetaModifier) ? 8 : 0);
}

// The text a key press produces, when it is text at all (no controls).
QString printableText(const QKeyEvent *event)
{
    const QString text = event->text();
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || (c.unicode() >= 0x80 && c.unicode() < 0xa0))
            return {};
    }
    return text;
}

void appendCodePoints(std::string &out, const QString &text)
{
    bool first = true;
    for (const char32_t cp : text.toUcs4()) {
        if (!std::exchange(first, false))
            out += ':';
        out += std::to_string(cp);
    }
}

} // namespace

int unshifted_key_code(int key, bool shift)
{
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return key - Qt::Key_A + 'a';
    if (shift && key < 0x80) {
        constexpr std::string_view shifted = "!@#$%^&*()_+{}|:\"<>?~";
        constexpr std::string_view base = "1234567890-=[]\\;',./`";
        if (const auto at = shifted.find(char(key)); at != std::string_view::npos)
            return base[at];
    }
    if (key <= 0x20 || key >= 0x110000 || key == 0x7f)
        return key == Qt::Key_Space ? ' ' : 0;
    if (key < 0x10000)
        return QChar(char16_t(key)).toLower().unicode();
    return key;
}

std::string encode_protocol_key(const QKeyEvent *event, KeyEventKind kind, int flags, const std::string &legacy)
{
    const bool reportAll = flags & kReportAllKeysAsEscapes;
    const bool disambiguate = flags & (kDisambiguateKeys | kReportAllKeysAsEscapes);
    if (kind == KeyEventKind::Repeat && !(flags & kReportEventTypes))
        kind = KeyEventKind::Press;
    if (kind == KeyEventKind::Release && !(flags & kReportEventTypes))
        return {};
    // Without those two flags a press keeps its legacy bytes; only the
    // event types are new.
    if (!disambiguate && kind == KeyEventKind::Press)
        return legacy;

    const int key = event->key();
    int bits = modifierBits(event->modifiers());
    FunctionalKey functional =
        event->modifiers().testFlag(Qt::KeypadModifier) ? keypadKey(key) : FunctionalKey{};
    if (functional.number == 0)
        functional = functionalKey(key);
    if (key == Qt::Key_Backtab)
        bits |= 1; // Shift+Tab is the Tab key with Shift
    if (isModifierKey(functional.number) && !reportAll)
        return {};

    const QString text = kind == KeyEventKind::Release ? QString() : printableText(event);
    int code = functional.number;
    if (code == 0) {
        code = unshifted_key_code(key, bits & 1);
        if (code == 0 && !text.isEmpty())
            code = int(text.toUcs4().value(0));
        if (code == 0)
            return {};
        // Text typed with at most Shift stays text.
        if (!reportAll && (bits & ~1) == 0 && !text.isEmpty())
            return legacy;
    } else if (!reportAll && bits == 0 && functional.final == 'u' && (code == kEnter || code == kTab || code == kBackspace)) {
        // These keep their bytes, so that a shell stays usable after a
        // program left the flags set; their releases are not reported.
        return kind == KeyEventKind::Release ? std::string() : legacy;
    }

    std::string out = "\x1b[";
    const bool hasEvent = kind != KeyEventKind::Press;
    const bool hasModifiers = bits != 0 || hasEvent;
    std::string modifierField;
    if (hasModifiers) {
        modifierField = std::to_string(bits + 1);
        if (hasEvent)
            modifierField += kind == KeyEventKind::Repeat ? ":2" : ":3";
    }
    if (functional.final != 0 && functional.final != 'u') {
        if (hasModifiers || functional.number != 1)
            out += std::to_string(functional.number);
        if (hasModifiers)
            out += ';' + modifierField;
        out += functional.final;
        return out;
    }
    out += std::to_string(code);
    if ((flags & kReportAlternateKeys) && functional.number == 0 && (bits & 1)) {
        const int shifted = key < 0x110000 ? key : 0; // Qt's key code is the shifted character
        if (shifted != 0 && shifted != code)
            out += ':' + std::to_string(shifted);
    }
    const bool withText = reportAll && (flags & kReportAssociatedText) && !text.isEmpty();
    if (hasModifiers || withText)
        out += ';' + modifierField;
    if (withText) {
        out += ';';
        appendCodePoints(out, text);
    }
    out += 'u';
    return out;
}

} // namespace vesper

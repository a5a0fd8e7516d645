// Table tests of the key encoders under the modes a program sets: the CSI-u
// keyboard protocol's flags (the protocol's own examples), xterm's
// modifyOtherKeys levels and the application keypad.
#include "lumenvale/input_encoding.h"

#include <QKeyEvent>
#include <QString>

#include <gtest/gtest.h>

#include <string>

#include "core/keyboard_modes.h"
#include "tests/widget/widget_test_support.h"

namespace {

using vesper::KeyModes;

std::string visible(const std::string &bytes)
{
    std::string out;
    for (unsigned char c : bytes)
        out += c == 0x1b ? std::string("\\e") : c < 0x20 || c == 0x7f ? "\\x" + std::to_string(c) : std::string(1, char(c));
    return out;
}

const Qt::KeyboardModifiers None = Qt::NoModifier;
const Qt::KeyboardModifiers Shift = Qt::ShiftModifier;
const Qt::KeyboardModifiers Ctrl = Qt::ControlModifier;
const Qt::KeyboardModifiers Alt = Qt::AltModifier;
const Qt::KeyboardModifiers Meta = Qt::MetaModifier;
const Qt::KeyboardModifiers Keypad = Qt::KeypadModifier;

enum Event { Press, Repeat, Release };

struct KeyCase {
    const char *name;
    KeyModes modes;
    int key;
    Qt::KeyboardModifiers mods;
    const char16_t *text;
    Event event;
    std::string expected;
};

constexpr int D = vesper::kDisambiguateKeys, E = vesper::kReportEventTypes, A = vesper::kReportAlternateKeys,
              K = vesper::kReportAllKeysAsEscapes, T = vesper::kReportAssociatedText;
constexpr KeyModes protocol(int flags) { return {false, false, 0, flags}; }
constexpr KeyModes otherKeys(int level) { return {false, false, level, 0}; }
constexpr KeyModes keypadApplication{false, true, 0, 0};

const KeyCase kCases[] = {
    // The protocol's disambiguation.
    {"ctrl i is not tab", protocol(D), Qt::Key_I, Ctrl, u"\t", Press, "\\e[105;5u"},
    {"escape", protocol(D), Qt::Key_Escape, None, u"\x1b", Press, "\\e[27u"},
    {"shift tab", protocol(D), Qt::Key_Backtab, Shift, u"", Press, "\\e[9;2u"},
    {"ctrl shift tab", protocol(D), Qt::Key_Backtab, Ctrl | Shift, u"", Press, "\\e[9;6u"},
    {"alt a", protocol(D), Qt::Key_A, Alt, u"a", Press, "\\e[97;3u"},
    {"ctrl shift x keeps shift", protocol(D), Qt::Key_X, Ctrl | Shift, u"\x18", Press, "\\e[120;6u"},
    {"ctrl alt shift 3 uses the unshifted key", protocol(D), Qt::Key_NumberSign, Ctrl | Alt | Shift, u"", Press, "\\e[51;8u"},
    {"super a", protocol(D), Qt::Key_A, Meta, u"a", Press, "\\e[97;9u"},
    {"ctrl space", protocol(D), Qt::Key_Space, Ctrl, u" ", Press, "\\e[32;5u"},
    {"plain text stays text", protocol(D), Qt::Key_A, None, u"a", Press, "a"},
    {"shifted text stays text", protocol(D), Qt::Key_A, Shift, u"A", Press, "A"},
    {"enter stays", protocol(D), Qt::Key_Return, None, u"\r", Press, "\\x13"},
    {"tab stays", protocol(D), Qt::Key_Tab, None, u"\t", Press, "\\x9"},
    {"backspace stays", protocol(D), Qt::Key_Backspace, None, u"\x7f", Press, "\\x127"},
    {"shift enter", protocol(D), Qt::Key_Return, Shift, u"\r", Press, "\\e[13;2u"},
    {"ctrl backspace", protocol(D), Qt::Key_Backspace, Ctrl, u"", Press, "\\e[127;5u"},
    {"up without modifiers", protocol(D), Qt::Key_Up, None, u"", Press, "\\e[A"},
    {"ctrl up", protocol(D), Qt::Key_Up, Ctrl, u"", Press, "\\e[1;5A"},
    {"f1 without modifiers", protocol(D), Qt::Key_F1, None, u"", Press, "\\e[P"},
    {"f3 is a tilde key", protocol(D), Qt::Key_F3, None, u"", Press, "\\e[13~"},
    {"shift f5", protocol(D), Qt::Key_F5, Shift, u"", Press, "\\e[15;2~"},
    {"alt ctrl delete", protocol(D), Qt::Key_Delete, Alt | Ctrl, u"", Press, "\\e[3;7~"},
    {"f13", protocol(D), Qt::Key_F13, None, u"", Press, "\\e[57376u"},
    {"keypad 5", protocol(D), Qt::Key_5, Keypad, u"5", Press, "\\e[57404u"},
    {"keypad enter", protocol(D), Qt::Key_Enter, Keypad, u"\r", Press, "\\e[57414u"},
    {"keypad plus with ctrl", protocol(D), Qt::Key_Plus, Keypad | Ctrl, u"+", Press, "\\e[57413;5u"},
    {"keypad left", protocol(D), Qt::Key_Left, Keypad, u"", Press, "\\e[57417u"},
    {"keypad begin", protocol(D), Qt::Key_Clear, Keypad, u"", Press, "\\e[E"},
    {"modifier keys are silent", protocol(D), Qt::Key_Shift, None, u"", Press, ""},
    {"release not asked for", protocol(D), Qt::Key_A, Ctrl, u"", Release, ""},
    {"repeat as press", protocol(D), Qt::Key_A, Ctrl, u"\x01", Repeat, "\\e[97;5u"},
    // Event types.
    {"ctrl a repeat", protocol(D | E), Qt::Key_A, Ctrl, u"\x01", Repeat, "\\e[97;5:2u"},
    {"ctrl a release", protocol(D | E), Qt::Key_A, Ctrl, u"", Release, "\\e[97;5:3u"},
    {"text release", protocol(D | E), Qt::Key_A, None, u"a", Release, "\\e[97;1:3u"},
    {"text repeat is text", protocol(D | E), Qt::Key_A, None, u"a", Repeat, "a"},
    {"up release", protocol(D | E), Qt::Key_Up, None, u"", Release, "\\e[1;1:3A"},
    {"page up repeat", protocol(D | E), Qt::Key_PageUp, Shift, u"", Repeat, "\\e[5;2:2~"},
    {"enter release is not reported", protocol(D | E), Qt::Key_Return, None, u"", Release, ""},
    {"event types alone keep legacy presses", protocol(E), Qt::Key_Escape, None, u"\x1b", Press, "\\e"},
    {"event types alone report releases", protocol(E), Qt::Key_Escape, None, u"", Release, "\\e[27;1:3u"},
    // Alternate keys.
    {"shifted key", protocol(D | A), Qt::Key_A, Ctrl | Shift, u"", Press, "\\e[97:65;6u"},
    {"shifted symbol", protocol(D | A), Qt::Key_Exclam, Ctrl | Shift, u"", Press, "\\e[49:33;6u"},
    {"no shifted key without shift", protocol(D | A), Qt::Key_A, Ctrl, u"", Press, "\\e[97;5u"},
    // Every key as an escape, with the text.
    {"all keys: plain a", protocol(K), Qt::Key_A, None, u"a", Press, "\\e[97u"},
    {"all keys: enter", protocol(K), Qt::Key_Return, None, u"\r", Press, "\\e[13u"},
    // A modifier key's event carries the state before it, as the platform
    // sends it; QKeyEvent::modifiers() turns that into the state after.
    {"all keys: shift pressed", protocol(K), Qt::Key_Shift, None, u"", Press, "\\e[57441;2u"},
    {"all keys: shift released", protocol(K | E), Qt::Key_Shift, Shift, u"", Release, "\\e[57441;1:3u"},
    {"all keys with text: a", protocol(K | T), Qt::Key_A, None, u"a", Press, "\\e[97;;97u"},
    {"all keys with text: shift a", protocol(K | T), Qt::Key_A, Shift, u"A", Press, "\\e[97;2;65u"},
    {"all keys with text: alt a", protocol(K | T), Qt::Key_A, Alt, u"\u00e5", Press, "\\e[97;3;229u"},
    {"all keys with text: no text for controls", protocol(K | T), Qt::Key_A, Ctrl, u"\x01", Press, "\\e[97;5u"},
    {"all keys with text: release has none", protocol(K | E | T), Qt::Key_A, None, u"a", Release, "\\e[97;1:3u"},
    {"text without all keys is plain", protocol(D | T), Qt::Key_A, None, u"a", Press, "a"},
    // xterm's modifyOtherKeys.
    {"level 1 ctrl a stays", otherKeys(1), Qt::Key_A, Ctrl, u"\x01", Press, "\\x1"},
    {"level 1 ctrl shift a", otherKeys(1), Qt::Key_A, Ctrl | Shift, u"\x01", Press, "\\e[27;6;65~"},
    {"level 1 ctrl 1", otherKeys(1), Qt::Key_1, Ctrl, u"1", Press, "\\e[27;5;49~"},
    {"level 1 ctrl tab stays", otherKeys(1), Qt::Key_Tab, Ctrl, u"", Press, "\\x9"},
    {"level 1 alt a stays", otherKeys(1), Qt::Key_A, Alt, u"a", Press, "\\ea"},
    {"level 2 ctrl i", otherKeys(2), Qt::Key_I, Ctrl, u"\t", Press, "\\e[27;5;105~"},
    {"level 2 ctrl shift x", otherKeys(2), Qt::Key_X, Ctrl | Shift, u"\x18", Press, "\\e[27;6;88~"},
    {"level 2 alt a", otherKeys(2), Qt::Key_A, Alt, u"a", Press, "\\e[27;3;97~"},
    {"level 2 ctrl enter", otherKeys(2), Qt::Key_Return, Ctrl, u"\r", Press, "\\e[27;5;13~"},
    {"level 2 shift enter", otherKeys(2), Qt::Key_Return, Shift, u"\r", Press, "\\e[27;2;13~"},
    {"level 2 shift a is text", otherKeys(2), Qt::Key_A, Shift, u"A", Press, "A"},
    {"level 2 plain tab", otherKeys(2), Qt::Key_Tab, None, u"\t", Press, "\\x9"},
    {"level 2 shift tab stays", otherKeys(2), Qt::Key_Backtab, Shift, u"", Press, "\\e[Z"},
    {"level 2 ctrl up keeps its own form", otherKeys(2), Qt::Key_Up, Ctrl, u"", Press, "\\e[1;5A"},
    // Application keypad.
    {"keypad enter", keypadApplication, Qt::Key_Enter, Keypad, u"\r", Press, "\\eOM"},
    {"keypad plus", keypadApplication, Qt::Key_Plus, Keypad, u"+", Press, "\\eOk"},
    {"keypad minus", keypadApplication, Qt::Key_Minus, Keypad, u"-", Press, "\\eOm"},
    {"keypad times", keypadApplication, Qt::Key_Asterisk, Keypad, u"*", Press, "\\eOj"},
    {"keypad divide", keypadApplication, Qt::Key_Slash, Keypad, u"/", Press, "\\eOo"},
    {"keypad digit keeps its text", keypadApplication, Qt::Key_7, Keypad, u"7", Press, "7"},
    {"keypad point keeps its text", keypadApplication, Qt::Key_Period, Keypad, u".", Press, "."},
    {"main enter is not the keypad's", keypadApplication, Qt::Key_Return, None, u"\r", Press, "\\x13"},
    {"numeric keypad enter", KeyModes{}, Qt::Key_Enter, Keypad, u"\r", Press, "\\x13"},
};

TEST(KeyProtocols, Table)
{
    widget_test::application();
    for (const KeyCase &c : kCases) {
        QKeyEvent event(c.event == Release ? QEvent::KeyRelease : QEvent::KeyPress, c.key, c.mods,
                        QString::fromUtf16(c.text), c.event == Repeat);
        EXPECT_EQ(visible(vesper::encode_key(&event, c.modes, c.event == Release)), c.expected) << c.name;
    }
}

} // namespace

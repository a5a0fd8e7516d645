// Table tests of the key and text encoders: (key, modifiers, text,
// application cursor mode) -> bytes, and text -> bytes with and without
// bracketed paste.
#include "lumenvale/input_encoding.h"

#include <QKeyEvent>
#include <QString>

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "tests/widget/widget_test_support.h"

namespace {

using vesper::encode_key;
using vesper::encode_text;

struct KeyCase {
    const char *name;
    int key;
    Qt::KeyboardModifiers mods;
    const char16_t *text;
    bool appCursor;
    std::string expected;
};

// Shows control bytes readably when a case fails.
std::string visible(const std::string &bytes)
{
    std::string out;
    for (unsigned char c : bytes) {
        if (c < 0x20 || c >= 0x7f) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

const Qt::KeyboardModifiers None = Qt::NoModifier;
const Qt::KeyboardModifiers Shift = Qt::ShiftModifier;
const Qt::KeyboardModifiers Ctrl = Qt::ControlModifier;
const Qt::KeyboardModifiers Alt = Qt::AltModifier;
const Qt::KeyboardModifiers Meta = Qt::MetaModifier;

const KeyCase kKeyCases[] = {
    {"up normal", Qt::Key_Up, None, u"", false, "\x1b[A"},
    {"up application", Qt::Key_Up, None, u"", true, "\x1bOA"},
    {"shift up normal", Qt::Key_Up, Shift, u"", false, "\x1b[1;2A"},
    {"shift up application", Qt::Key_Up, Shift, u"", true, "\x1b[1;2A"},
    {"left application", Qt::Key_Left, None, u"", true, "\x1bOD"},
    {"end normal", Qt::Key_End, None, u"", false, "\x1b[F"},
    {"all modifiers home", Qt::Key_Home, Shift | Ctrl | Alt | Meta, u"", false, "\x1b[1;16H"},
    {"keypad modifier does not count", Qt::Key_Down, Qt::KeypadModifier, u"", false, "\x1b[B"},
    {"f1 normal", Qt::Key_F1, None, u"", false, "\x1bOP"},
    {"f1 application", Qt::Key_F1, None, u"", true, "\x1bOP"},
    {"f4", Qt::Key_F4, None, u"", false, "\x1bOS"},
    {"shift f1", Qt::Key_F1, Shift, u"", true, "\x1b[1;2P"},
    {"ctrl f5", Qt::Key_F5, Ctrl, u"", false, "\x1b[15;5~"},
    {"f11", Qt::Key_F11, None, u"", false, "\x1b[23~"},
    {"alt f12", Qt::Key_F12, Alt, u"", false, "\x1b[24;3~"},
    {"insert", Qt::Key_Insert, None, u"", false, "\x1b[2~"},
    {"meta delete", Qt::Key_Delete, Meta, u"", false, "\x1b[3;9~"},
    {"page up", Qt::Key_PageUp, None, u"", false, "\x1b[5~"},
    {"ctrl page down", Qt::Key_PageDown, Ctrl, u"", false, "\x1b[6;5~"},
    {"escape", Qt::Key_Escape, None, u"\x1b", false, "\x1b"},
    {"alt escape", Qt::Key_Escape, Alt, u"\x1b", false, "\x1b"},
    {"shift escape", Qt::Key_Escape, Shift, u"\x1b", false, "\x1b"},
    {"tab", Qt::Key_Tab, None, u"\t", false, "\t"},
    {"ctrl tab", Qt::Key_Tab, Ctrl, u"", false, "\t"},
    {"backtab", Qt::Key_Backtab, Shift, u"", false, "\x1b[Z"},
    {"backspace", Qt::Key_Backspace, None, u"\x08", false, "\x7f"},
    {"ctrl backspace", Qt::Key_Backspace, Ctrl, u"", false, "\x08"},
    {"alt backspace has no prefix", Qt::Key_Backspace, Alt, u"", false, "\x7f"},
    {"return", Qt::Key_Return, None, u"\r", false, "\r"},
    {"enter", Qt::Key_Enter, Qt::KeypadModifier, u"\r", false, "\r"},
    {"shift return", Qt::Key_Return, Shift, u"\r", false, "\r"},
    {"ctrl a", Qt::Key_A, Ctrl, u"\x01", false, "\x01"},
    {"ctrl shift a", Qt::Key_A, Ctrl | Shift, u"\x01", false, "\x01"},
    {"ctrl z", Qt::Key_Z, Ctrl, u"", false, "\x1a"},
    {"ctrl space", Qt::Key_Space, Ctrl, u" ", false, std::string(1, '\0')},
    {"ctrl 2", Qt::Key_2, Ctrl, u"2", false, std::string(1, '\0')},
    {"ctrl question", Qt::Key_Question, Ctrl, u"?", false, "\x7f"},
    {"ctrl bracket left", Qt::Key_BracketLeft, Ctrl, u"", false, "\x1b"},
    {"ctrl backslash", Qt::Key_Backslash, Ctrl, u"", false, "\x1c"},
    {"ctrl 6", Qt::Key_6, Ctrl, u"", false, "\x1e"},
    {"ctrl underscore", Qt::Key_Underscore, Ctrl, u"", false, "\x1f"},
    {"ctrl at has no control byte", Qt::Key_At, Ctrl, u"", false, ""},
    {"ctrl without byte sends text", Qt::Key_Period, Ctrl, u".", false, "."},
    {"plain letter", Qt::Key_A, None, u"a", false, "a"},
    {"non-ascii text", Qt::Key_Eacute, None, u"\u00e9", false, "\xc3\xa9"},
    {"alt a", Qt::Key_A, Alt, u"a", false, "\x1b" "a"},
    {"alt shift a", Qt::Key_A, Alt | Shift, u"A", false, "\x1b" "A"},
    {"ctrl alt a", Qt::Key_A, Ctrl | Alt, u"a", false, "\x1b\x01"},
    {"ctrl alt without text", Qt::Key_A, Ctrl | Alt, u"", false, ""},
    {"alt with empty text", Qt::Key_F13, Alt, u"", false, ""},
    {"meta adds no prefix", Qt::Key_A, Meta, u"a", false, "a"},
    {"shift alone", Qt::Key_Shift, Shift, u"", false, ""},
    {"control alone", Qt::Key_Control, Ctrl, u"", false, ""},
    {"alt alone", Qt::Key_Alt, Alt, u"", false, ""},
    {"meta alone", Qt::Key_Meta, Meta, u"", false, ""},
    {"altgr alone", Qt::Key_AltGr, None, u"", false, ""},
    {"caps lock", Qt::Key_CapsLock, None, u"", false, ""},
    {"pause", Qt::Key_Pause, None, u"", false, ""},
    {"menu", Qt::Key_Menu, None, u"", false, ""},
    {"f13", Qt::Key_F13, None, u"", false, ""},
};

TEST(EncodeKey, Table)
{
    // Key events need the application's keyboard device.
    widget_test::application();
    for (const KeyCase &c : kKeyCases) {
        QKeyEvent event(QEvent::KeyPress, c.key, c.mods, QString::fromUtf16(c.text));
        EXPECT_EQ(visible(encode_key(&event, c.appCursor)), visible(c.expected)) << c.name;
    }
}

TEST(EncodeKey, NullEventGivesNothing)
{
    EXPECT_EQ(encode_key(nullptr, false), "");
}

TEST(EncodeKey, CtrlLettersCoverTheAlphabet)
{
    for (int key = Qt::Key_A; key <= Qt::Key_Z; ++key)
        EXPECT_EQ(vesper::control_code(key), std::string(1, static_cast<char>(key - Qt::Key_A + 1)));
}

struct TextCase {
    const char *name;
    std::u16string_view text;
    bool bracketed;
    std::string expected;
};

const TextCase kTextCases[] = {
    {"crlf", u"a\r\nb", false, "a\rb"},
    {"lf", u"a\nb", false, "a\rb"},
    {"cr cr stays", u"a\r\rb", false, "a\r\rb"},
    {"crlf lf", u"\r\n\n", false, "\r\r"},
    {"utf8", u"\u00e9", false, "\xc3\xa9"},
    {"astral", u"\U0001F600", false, "\xf0\x9f\x98\x80"},
    {"tab stays", u"a\tb", false, "a\tb"},
    {"empty", u"", false, ""},
    {"empty bracketed", u"", true, "\x1b[200~\x1b[201~"},
    {"bracketed lf", u"ls\n", true, "\x1b[200~ls\r\x1b[201~"},
    {"escape passes without brackets", u"a\x1b[201~b", false, "a\x1b[201~b"},
    {"end marker defused", u"a\x1b[201~rm -rf ~\n", true, "\x1b[200~a[201~rm -rf ~\r\x1b[201~"},
    {"nested marker defused", u"\x1b[20\x1b[201~1~x", true, "\x1b[200~[20[201~1~x\x1b[201~"},
    {"c1 csi removed", u"a\u009b201~b", true, "\x1b[200~a201~b\x1b[201~"},
    {"controls kept without brackets", u"a\x03\x1a\x1c\x7f\u0085", false, "a\x03\x1a\x1c\x7f\xc2\x85"},
    {"signal characters removed", u"echo a\x03  touch F\x1a\x1c\r", true, "\x1b[200~echo a  touch F\r\x1b[201~"},
    {"every c0 but tab cr lf removed",
     u"\x01\x02\x04\x05\x06\x07\x08\t\n\x0b\x0c\r\x0e\x0f\x10\x11\x12\x13\x14\x15\x16\x17\x18\x19\x1d\x1e\x1f",
     true, "\x1b[200~\t\r\r\x1b[201~"},
    {"nul removed", std::u16string_view(u"a\0b", 3), true, "\x1b[200~ab\x1b[201~"},
    {"del and c1 removed", u"a\x7f\u0080\u0085\u009f\u00a0b", true, "\x1b[200~a\xc2\xa0" "b\x1b[201~"},
    {"crlf then control", u"a\r\n\x03" u"b", true, "\x1b[200~a\rb\x1b[201~"},
    {"astral kept", u"\U0001F600\x03", true, "\x1b[200~\xf0\x9f\x98\x80\x1b[201~"},
};

TEST(EncodeText, Table)
{
    for (const TextCase &c : kTextCases)
        EXPECT_EQ(visible(encode_text(QString::fromUtf16(c.text.data(), qsizetype(c.text.size())), c.bracketed)), visible(c.expected)) << c.name;
}

} // namespace

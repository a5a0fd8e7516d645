// Turns key presses and texts into the bytes a terminal program expects:
// control bytes for Ctrl combinations, an ESC prefix for Alt, CSI/SS3
// sequences with the xterm modifier parameter for cursor, editing and
// function keys, and UTF-8 text with CR line endings, optionally wrapped in
// bracketed-paste markers. All functions are pure; the widget keeps the modes.
#pragma once

#include <string>

#include <Qt>

#include "lumenvale/export.h"

class QKeyEvent;
class QString;

namespace vesper {

// The modes a program set that change what keys send.
struct KeyModes {
    bool applicationCursorKeys = false; // DECCKM
    bool applicationKeypad = false;     // DECKPAM
    int modifyOtherKeys = 0;            // xterm's level, 0..2
    int protocolFlags = 0;              // the CSI-u protocol's enhancements
};

// Bytes for one key press; empty when the key produces nothing.
LUMENVALE_CONTROL_EXPORT std::string encode_key(const QKeyEvent *event, bool applicationCursorKeys);
// The same under every key mode; `repeat` and `release` matter only to
// the CSI-u protocol's event types.
LUMENVALE_CONTROL_EXPORT std::string encode_key(const QKeyEvent *event, const KeyModes &modes, bool release = false);

// xterm's modifyOtherKeys form CSI 27 ; m ; code ~ of a modified key at
// `level`; empty when the key keeps its usual bytes at that level.
LUMENVALE_CONTROL_EXPORT std::string modify_other_keys_sequence(int key, Qt::KeyboardModifiers mods, int level);

// UTF-8 of `text` with CR LF and LF turned into CR. With `bracketed_paste`
// the text is wrapped in ESC[200~ ... ESC[201~ and every C0 control except
// HT and CR, DEL and every C1 control are removed first, so pasted text can
// neither close the paste early nor raise a signal through the tty.
LUMENVALE_CONTROL_EXPORT std::string encode_text(const QString &text, bool bracketed_paste);

// The Ctrl byte of a Qt key code, or empty.
LUMENVALE_CONTROL_EXPORT std::string control_code(int key);

// CSI/SS3 `final` without modifiers, CSI 1 ; m `final` with them.
LUMENVALE_CONTROL_EXPORT std::string cursor_key_sequence(char final, int m, bool applicationCursorKeys);

// CSI number ~ without modifiers, CSI number ; m ~ with them.
LUMENVALE_CONTROL_EXPORT std::string tilde_key_sequence(int number, int m);

} // namespace vesper

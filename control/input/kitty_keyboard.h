// Key events in the CSI-u keyboard protocol's progressive enhancements:
// CSI code[:shifted] ; modifiers[:event] ; text u, and the CSI 1 ; m letter
// and CSI n ; m ~ forms of the cursor, editing and function keys.  Which keys
// leave as escapes, and with what, follows the flags a program set (see
// core/keyboard_modes.h); without the disambiguate or report-all flag a press
// is encoded as the legacy encoder does.  Pure functions of the event.
#pragma once

#include <string>

class QKeyEvent;

namespace vesper {

enum class KeyEventKind { Press, Repeat, Release };

// Bytes for one key event under `flags` (non-zero); empty when the protocol
// reports nothing for it.  `legacy` gives a press's legacy bytes.
std::string encode_protocol_key(const QKeyEvent *event, KeyEventKind kind, int flags, const std::string &legacy);

// The key's code point without Shift: 'a' for Shift+A, '1' for Shift+1 (on
// a US layout, the one Qt's key codes describe); 0 when the key has none.
int unshifted_key_code(int key, bool shift);

} // namespace vesper

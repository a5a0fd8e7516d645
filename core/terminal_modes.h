// TerminalModes: every mode a program can set, held once for the whole
// terminal.  The parser sets them (SM/RM, DECSET/DECRST, DECKPAM/DECKPNM),
// the screen's operations and the widget's input encoders read them, RIS
// resets them whole and DECSTR in part.  The alternate screen (47, 1047,
// 1049) is the Screen's own state; 1048 is an action, not a state.
#pragma once

#include "core/keyboard_modes.h"

namespace vesper {

// Which gestures a program asked to hear of: 9 presses only, 1000 presses
// and releases, 1002 also motion while a button is down, 1003 all motion.
enum class MouseTracking { Off, Press, PressRelease, ButtonMotion, AnyMotion };
// How a mouse report is written: X10 (the default), UTF-8 (1005), SGR
// (1006) or URXVT (1015).
enum class MouseEncoding { X10, Utf8, Sgr, Urxvt };

struct MouseModes {
    MouseTracking tracking = MouseTracking::Off;
    MouseEncoding encoding = MouseEncoding::X10;

    // Applies DEC private mode `mode`; false when it is not a mouse mode.
    // Setting a tracking mode or an encoding selects it; resetting the one in
    // force turns tracking off or returns to the X10 encoding.
    bool apply(int mode, bool set);
    // 1 when `mode` is the tracking or encoding in force, 2 when it is
    // another mouse mode, 0 when it is none.
    int report(int mode) const;

    bool operator==(const MouseModes&) const = default;
};

struct TerminalModes {
    bool applicationCursorKeys = false;  // DECCKM (?1)
    bool originMode = false;             // DECOM (?6): rows count from the top margin
    bool autoWrap = true;                // DECAWM (?7)
    bool cursorBlink = false;            // ?12
    bool cursorVisible = true;           // DECTCEM (?25)
    bool reverseWrap = false;            // ?45: BS at column 0 goes to the end of the previous row
    MouseModes mouse;                    // ?9, ?1000, ?1002, ?1003; ?1005, ?1006, ?1015
    bool focusReporting = false;         // ?1004
    bool alternateScroll = true;         // ?1007: the wheel sends cursor keys on the alternate screen
    bool bracketedPaste = false;         // ?2004
    bool synchronizedOutput = false;     // ?2026
    bool insertMode = false;             // IRM (4)
    bool newLineMode = false;            // LNM (20): LF, VT and FF also return the carriage
    bool applicationKeypad = false;      // DECKPAM (ESC =) / DECKPNM (ESC >)
    KeyboardModes keyboard;              // CSI > u and friends, CSI > 4 ; n m

    // Sets a mode held here; false when `mode` is none of them.
    bool set(int mode, bool isPrivate, bool on);
    // For DECRQM: 1 set, 2 reset, 0 not a mode held here.
    int report(int mode, bool isPrivate) const;
    // DECSTR's part: cursor keys, keypad, origin, wrap, reverse wrap, insert,
    // cursor visibility and blinking return to their defaults.
    void softReset();

    bool operator==(const TerminalModes&) const = default;
};

}  // namespace vesper

// TerminalModes: the mode numbers and what each one sets.
#include "core/terminal_modes.h"

#include <optional>

namespace vesper {

namespace {

std::optional<MouseTracking> trackingMode(int mode) {
    switch (mode) {
    case 9: return MouseTracking::Press;
    case 1000: return MouseTracking::PressRelease;
    case 1002: return MouseTracking::ButtonMotion;
    case 1003: return MouseTracking::AnyMotion;
    default: return std::nullopt;
    }
}

std::optional<MouseEncoding> encodingMode(int mode) {
    switch (mode) {
    case 1005: return MouseEncoding::Utf8;
    case 1006: return MouseEncoding::Sgr;
    case 1015: return MouseEncoding::Urxvt;
    default: return std::nullopt;
    }
}

// The flag a DEC private mode (or, with isPrivate false, an ANSI mode) sets.
bool TerminalModes::* flagOf(int mode, bool isPrivate) {
    if (!isPrivate) {
        switch (mode) {
        case 4: return &TerminalModes::insertMode;    // IRM
        case 20: return &TerminalModes::newLineMode;  // LNM
        default: return nullptr;
        }
    }
    switch (mode) {
    case 1: return &TerminalModes::applicationCursorKeys;
    case 6: return &TerminalModes::originMode;
    case 7: return &TerminalModes::autoWrap;
    case 12: return &TerminalModes::cursorBlink;
    case 25: return &TerminalModes::cursorVisible;
    case 45: return &TerminalModes::reverseWrap;
    case 1004: return &TerminalModes::focusReporting;
    case 1007: return &TerminalModes::alternateScroll;
    case 2004: return &TerminalModes::bracketedPaste;
    case 2026: return &TerminalModes::synchronizedOutput;
    default: return nullptr;
    }
}

}  // namespace

bool MouseModes::apply(int mode, bool set) {
    if (const std::optional<MouseTracking> t = trackingMode(mode)) {
        if (set) tracking = *t;
        else if (tracking == *t) tracking = MouseTracking::Off;
        return true;
    }
    if (const std::optional<MouseEncoding> e = encodingMode(mode)) {
        if (set) encoding = *e;
        else if (encoding == *e) encoding = MouseEncoding::X10;
        return true;
    }
    return false;
}

int MouseModes::report(int mode) const {
    if (const std::optional<MouseTracking> t = trackingMode(mode)) return tracking == *t ? 1 : 2;
    if (const std::optional<MouseEncoding> e = encodingMode(mode)) return encoding == *e ? 1 : 2;
    return 0;
}

bool TerminalModes::set(int mode, bool isPrivate, bool on) {
    if (isPrivate && mouse.apply(mode, on)) return true;
    bool TerminalModes::* const flag = flagOf(mode, isPrivate);
    if (!flag) return false;
    this->*flag = on;
    return true;
}

int TerminalModes::report(int mode, bool isPrivate) const {
    if (isPrivate)
        if (const int mouseState = mouse.report(mode)) return mouseState;
    bool TerminalModes::* const flag = flagOf(mode, isPrivate);
    if (!flag) return 0;
    return this->*flag ? 1 : 2;
}

void TerminalModes::softReset() {
    const TerminalModes defaults;
    applicationCursorKeys = defaults.applicationCursorKeys;
    applicationKeypad = defaults.applicationKeypad;
    originMode = defaults.originMode;
    autoWrap = defaults.autoWrap;
    reverseWrap = defaults.reverseWrap;
    insertMode = defaults.insertMode;
    cursorVisible = defaults.cursorVisible;
    cursorBlink = defaults.cursorBlink;
}

}  // namespace vesper

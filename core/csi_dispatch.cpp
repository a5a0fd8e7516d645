// Control-sequence dispatch: one case per supported final byte, the mode
// handling with its notifications, the SGR parameter list and the device
// status reports.
#include <algorithm>
#include <string>

#include "core/parser.h"

namespace vesper {

bool Parser::dispatchMarkedCsi(std::uint8_t finalByte) {
    // With an intermediate byte only DECSCUSR (CSI Ps SP q) is supported;
    // other such sequences are consumed without effect.
    if (intermediate_ != 0) {
        if (intermediate_ == ' ' && finalByte == 'q' && privateMarker_ == 0) {
            const int style = selector();
            if (style >= 0 && style <= 6) {
                screen_.setCursorStyle(style);
                if (cursorStyleCallback) cursorStyleCallback(style);
            }
        }
        return false;
    }
    // A private marker selects a different function.  Only the final bytes
    // with a private form here act on it (DA, DECSET/DECRST, DSR and the
    // selective erases, which erase like ED and EL); any other marked
    // sequence (key-modifier settings, keyboard-protocol pushes, ...) is
    // consumed without effect.
    switch (finalByte) {
    case 'c': case 'h': case 'l': case 'n': case 'J': case 'K': return true;
    default: return false;
    }
}

void Parser::dispatchCsi(std::uint8_t finalByte) {
    // Both bytes are tested at once: most sequences carry neither.
    if ((intermediate_ | privateMarker_) != 0 && !dispatchMarkedCsi(finalByte)) return;
    Screen& s = screen_;
    const int second = paramCount_ > 1 ? parameter(1) : 0;
    switch (finalByte) {
    case '@': s.insertCharacters(count()); break;                      // ICH
    case 'A': s.cursorUp(count()); break;                              // CUU
    case 'B': s.cursorDown(count()); break;                            // CUD
    case 'C': s.cursorForward(count()); break;                         // CUF
    case 'D': s.cursorBackward(count()); break;                        // CUB
    case 'E': s.cursorDown(count()); s.carriageReturn(); break;        // CNL
    case 'F': s.cursorUp(count()); s.carriageReturn(); break;          // CPL
    case 'G':                                                          // CHA
    case '`': s.cursorHorizontalAbsolute(count()); break;              // HPA
    case 'H':                                                          // CUP
    case 'f': s.cursorPosition(count(), second == 0 ? 1 : second); break;  // HVP
    case 'J': s.eraseInDisplay(selector()); break;                     // ED, DECSED
    case 'K': s.eraseInLine(selector()); break;                        // EL, DECSEL
    case 'L': s.insertLines(count()); break;                           // IL
    case 'M': s.deleteLines(count()); break;                           // DL
    case 'P': s.deleteCharacters(count()); break;                      // DCH
    case 'S': s.scrollUp(count()); break;                              // SU
    case 'T': if (paramCount_ < 5) s.scrollDown(count()); break;       // SD (5+ parameters: mouse tracking)
    case 'X': s.eraseCharacters(count()); break;                       // ECH
    case 'b': if (csiMayRepeat_) s.repeatLastCharacter(count()); break;  // REP
    case 'c':                                                          // DA
        if (privateMarker_ == 0 || privateMarker_ == '?') sendReply(primaryDeviceAttributes_);
        else if (privateMarker_ == '>') sendReply(secondaryDeviceAttributes_);
        break;
    case 'd': s.linePositionAbsolute(count()); break;                  // VPA
    case 'h': setModes(true); break;                                   // SM, DECSET
    case 'l': setModes(false); break;                                  // RM, DECRST
    case 'm': s.selectGraphicRendition(signedParameters(), continued_); break;  // SGR
    case 'n': deviceStatusReport(); break;                             // DSR
    case 'r': s.setMargins(selector(), second); break;                 // DECSTBM
    case 's': s.saveCursor(); break;                                   // SCOSC
    case 'u': s.restoreCursor(); break;                                // SCORC
    default: break;
    }
#ifndef NDEBUG
    s.checkInvariants();
    checkInvariants();
#endif
}

void Parser::setModes(bool set) {
    const bool isPrivate = privateMarker_ == '?';
    for (int i = 0; i < paramCount_; ++i) {
        const int mode = parameter(i);
        // The owner hears of the mode before its effect on the screen.
        if (modeCallback) modeCallback(mode, set, isPrivate);
        if (isPrivate) setPrivateMode(mode, set);
    }
}

void Parser::setPrivateMode(int mode, bool set) {
    Screen& s = screen_;
    switch (mode) {
    case 7: s.setAutoWrap(set); break;  // DECAWM
    case 47: s.setAlternateScreen(set); break;
    case 1047:
        // Leaving blanks the alternate screen; a reset while the primary
        // screen is shown must not blank the user's primary content.
        if (!set && s.alternateActive()) s.eraseInDisplay(2);
        s.setAlternateScreen(set);
        break;
    case 1048:
        if (set) s.saveCursor();
        else s.restoreCursor();
        break;
    case 1049:
        if (set) {
            s.saveCursor();
            s.setAlternateScreen(true);
            s.eraseInDisplay(2);
        } else {
            s.setAlternateScreen(false);
            s.restoreCursor();
        }
        break;
    default: break;
    }
}

void Parser::deviceStatusReport() {
    if (paramCount_ == 0) return;
    switch (parameter(0)) {
    case 5: sendReply("\x1b[0n"); break;  // operating status: OK
    case 6: {                              // cursor position report
        std::string reply = "\x1b[";
        if (privateMarker_ == '?') reply += '?';
        // A pending wrap reports the last column.
        const int column = std::min(screen_.cursorColumn(), screen_.columns() - 1);
        reply += std::to_string(screen_.cursorRow() + 1) + ';' + std::to_string(column + 1) + 'R';
        sendReply(reply);
        break;
    }
    default: break;
    }
}

}  // namespace vesper

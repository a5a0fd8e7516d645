// Control-sequence dispatch: one case per supported final byte, the mode
// handling with its notifications, the SGR parameter list and the device
// status reports.
#include <algorithm>
#include <string>
#include <utility>

#include "core/parser.h"

namespace vesper {

bool Parser::dispatchMarkedCsi(std::uint8_t finalByte) {
    // Sequences with an intermediate byte act here and are done; other
    // such sequences are consumed without effect.
    if (intermediate_ != 0) {
        if (intermediate_ == '$' && finalByte == 'p' && (privateMarker_ == 0 || privateMarker_ == '?')) requestMode();
        else if (privateMarker_ == 0) dispatchIntermediateCsi(finalByte);
        return false;
    }
    if (privateMarker_ == '>' && finalByte == 'q' && selector() == 0) {  // XTVERSION
        sendReply("\x1bP>|lumenvale " LUMENVALE_VERSION "\x1b\\");
        return false;
    }
    if (finalByte == 'u' || finalByte == 'm' || (finalByte == 'n' && privateMarker_ == '>')) {
        keyboardRequest(finalByte);
        return false;
    }
    // A private marker selects a different function.  Only the final bytes
    // with a private form here act on it (DA, DECSET/DECRST, DSR and the
    // selective erases, which erase like ED and EL); any other marked
    // sequence is consumed without effect.
    switch (finalByte) {
    case 'c': case 'h': case 'l': case 'n': case 'J': case 'K': return true;
    default: return false;
    }
}

/* The keyboard reporting requests: the protocol's flag stack (CSI > flags u
 * push, CSI < n u pop, CSI = flags ; mode u set, CSI ? u query) and xterm's
 * modifyOtherKeys (CSI > 4 ; level m set, CSI > 4 m and CSI > 4 n reset,
 * CSI ? 4 m query).  The other key-modifier resources are not kept.
 */
void Parser::keyboardRequest(std::uint8_t finalByte) {
    Screen& s = screen_;
    const int second = paramCount_ > 1 ? parameter(1) : 0;
    switch (privateMarker_ << 8 | finalByte) {
    case '>' << 8 | 'u': s.keyboardStack().push(selector()); break;
    case '<' << 8 | 'u': s.keyboardStack().pop(count()); break;
    case '=' << 8 | 'u': s.keyboardStack().set(selector(), second == 0 ? 1 : second); break;
    case '?' << 8 | 'u': sendReply("\x1b[?" + std::to_string(std::as_const(s).keyboardFlags()) + 'u'); break;
    case '>' << 8 | 'm':
        if (selector() == 4 && second >= 0 && second <= 2) s.setModifyOtherKeys(second);
        break;
    case '>' << 8 | 'n':
        if (selector() == 4) s.setModifyOtherKeys(0);
        break;
    case '?' << 8 | 'm':
        if (selector() == 4) sendReply("\x1b[>4;" + std::to_string(s.modes().keyboard.modifyOtherKeys) + 'm');
        break;
    default: break;
    }
}

void Parser::dispatchIntermediateCsi(std::uint8_t finalByte) {
    Screen& s = screen_;
    switch (intermediate_ << 8 | finalByte) {
    case ' ' << 8 | 'q': {  // DECSCUSR
        const int style = selector();
        if (style >= 0 && style <= 6) {
            s.setCursorStyle(style);
            if (cursorStyleCallback) cursorStyleCallback(style);
        }
        break;
    }
    case ' ' << 8 | '@': s.scrollLeft(count()); break;      // SL
    case ' ' << 8 | 'A': s.scrollRight(count()); break;     // SR
    case '\'' << 8 | '}': s.insertColumns(count()); break;  // DECIC
    case '\'' << 8 | '~': s.deleteColumns(count()); break;  // DECDC
    case '!' << 8 | 'p': {                                  // DECSTR
        const bool styled = s.cursorStyle() != 0;
        s.softReset();
        if (styled && cursorStyleCallback) cursorStyleCallback(0);
        break;
    }
    default: break;
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
    case 'I': s.tabForward(count()); break;                            // CHT
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
    case 'Z': s.tabBackward(count()); break;                           // CBT
    case 'a': s.cursorForward(count()); break;                         // HPR
    case 'b': if (csiMayRepeat_) s.repeatLastCharacter(count()); break;  // REP
    case 'c':                                                          // DA
        if (privateMarker_ == 0 || privateMarker_ == '?') sendReply(primaryDeviceAttributes_);
        else if (privateMarker_ == '>') sendReply(secondaryDeviceAttributes_);
        break;
    case 'd': s.linePositionAbsolute(count()); break;                  // VPA
    case 'e': s.cursorDown(count()); break;                            // VPR
    case 'g': s.clearTabStops(selector()); break;                      // TBC
    case 'h': setModes(true); break;                                   // SM, DECSET
    case 'l': setModes(false); break;                                  // RM, DECRST
    case 'm': s.selectGraphicRendition(signedParameters(), continued_); break;  // SGR
    case 'n': deviceStatusReport(); break;                             // DSR
    case 'r': s.setMargins(selector(), second); break;                 // DECSTBM
    case 's': s.saveCursor(); break;                                   // SCOSC
    case 't': windowOperation(); break;                                // XTWINOPS
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
    // Other markers (CSI > Ps h, ...) select no mode the terminal keeps.
    const bool ansi = privateMarker_ == 0;
    for (int i = 0; i < paramCount_; ++i) {
        const int mode = parameter(i);
        // The owner hears of the mode before its effect on the screen.
        if (modeCallback) modeCallback(mode, set, isPrivate);
        if (isPrivate) setPrivateMode(mode, set);
        else if (ansi) screen_.setMode(mode, false, set);
    }
}

void Parser::setPrivateMode(int mode, bool set) {
    Screen& s = screen_;
    switch (mode) {
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
    default: s.setMode(mode, true, set); break;
    }
}

// DECRQM: CSI ? Ps ; Pm $ y (or without the ?, for an ANSI mode): 1 set,
// 2 reset, 0 a mode the terminal does not know.
void Parser::requestMode() {
    const bool isPrivate = privateMarker_ == '?';
    // The number as collected (modulo 2^32): one beyond the int range is no mode.
    const std::uint32_t mode = paramCount_ == 0 ? 0 : params_[0];
    const int state = mode <= 0x7FFFFFFFu ? screen_.modeReport(int(mode), isPrivate) : 0;
    std::string reply = isPrivate ? "\x1b[?" : "\x1b[";
    reply += std::to_string(mode) + ';' + std::to_string(state) + "$y";
    sendReply(reply);
}

/* The window operations a program may use: the text area in characters (18,
 * 19) and, when the host tells the cell size, in pixels (14) and the cell
 * size (16); pushing and popping the titles (22, 23; Ps 0 both, 1 the icon
 * name, 2 the window title).  Everything else (moving, resizing, reporting
 * the title back as input) is ignored.
 */
void Parser::windowOperation() {
    const int rows = screen_.rows();
    const int columns = screen_.columns();
    const int which = paramCount_ > 1 ? parameter(1) : 0;
    auto report = [this](int kind, int height, int width) {
        sendReply("\x1b[" + std::to_string(kind) + ';' + std::to_string(height) + ';' + std::to_string(width) + 't');
    };
    int cellWidth = 0, cellHeight = 0;
    switch (selector()) {
    case 14:
        if (cellPixelSizeCallback && cellPixelSizeCallback(cellWidth, cellHeight))
            report(4, rows * cellHeight, columns * cellWidth);
        break;
    case 16:
        if (cellPixelSizeCallback && cellPixelSizeCallback(cellWidth, cellHeight)) report(6, cellHeight, cellWidth);
        break;
    case 18: report(8, rows, columns); break;
    case 19: report(9, rows, columns); break;
    case 22:
        if (which < 0 || which > 2) break;
        if (titleStack_.size() == kMaxTitleStack) titleStack_.pop_front();
        titleStack_.push_back(titles_);
        break;
    case 23: {
        if (which < 0 || which > 2 || titleStack_.empty()) break;
        const Titles popped = std::move(titleStack_.back());
        titleStack_.pop_back();
        if (which != 1 && popped.window != titles_.window) setTitles(true, false, popped.window);
        if (which != 2 && popped.icon != titles_.icon) setTitles(false, true, popped.icon);
        break;
    }
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
        reply += std::to_string(screen_.reportedRow() + 1) + ';' + std::to_string(screen_.reportedColumn() + 1) + 'R';
        sendReply(reply);
        break;
    }
    default: break;
    }
}

}  // namespace vesper

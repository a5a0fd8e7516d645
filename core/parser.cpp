// The byte-stream state machine: UTF-8 assembly in Ground, the C0 controls,
// the escape-sequence table, control-sequence collection and the swallowing
// of control strings.  Control-sequence dispatch is in csi_dispatch.cpp.
#include "core/parser.h"

#include <iterator>
#include <stdexcept>

#include <utf8proc.h>

namespace vesper {

namespace {
constexpr std::uint8_t kEsc = 0x1B;
constexpr std::uint8_t kCan = 0x18;
constexpr std::uint8_t kSub = 0x1A;
constexpr std::uint8_t kBel = 0x07;
constexpr std::uint32_t kReplacement = 0xFFFD;
bool printableAscii(std::uint8_t b) { return b >= 0x20 && b < 0x7F; }

// Decodes one complete, valid UTF-8 sequence of 2 to 4 bytes at `p` (fewer
// than `available` bytes needed); -1 when it is not one.  Internal linkage
// with one caller lets the compiler inline it into the text run.
std::int32_t decodeValidUtf8(const std::uint8_t* p, std::int64_t available, int& length) {
    auto continuation = [](std::uint8_t b) { return (b & 0xC0) == 0x80; };
    const std::uint8_t b0 = p[0];
    if (b0 < 0xC2 || b0 > 0xF4) return -1;  // ASCII, continuation, overlong lead or out of range
    length = b0 < 0xE0 ? 2 : b0 < 0xF0 ? 3 : 4;
    if (available < length) return -1;
    for (int i = 1; i < length; ++i)
        if (!continuation(p[i])) return -1;
    std::int32_t cp;
    switch (length) {
    case 2: return ((b0 & 0x1F) << 6) | (p[1] & 0x3F);
    case 3:
        cp = ((b0 & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F);
        return cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF) ? -1 : cp;
    default:
        cp = ((b0 & 0x07) << 18) | ((p[1] & 0x3F) << 12) | ((p[2] & 0x3F) << 6) | (p[3] & 0x3F);
        return cp < 0x10000 || cp > 0x10FFFF ? -1 : cp;
    }
}
}  // namespace

Parser::Parser(Screen& screen) : screen_(screen) {}

void Parser::feed(const char* bytes, std::int64_t count) {
    feed(reinterpret_cast<const std::uint8_t*>(bytes), count);
}

void Parser::feed(const std::uint8_t* bytes, std::int64_t count) {
    const std::uint8_t* p = bytes;
    const std::uint8_t* const end = bytes + (count > 0 ? count : 0);
    while (p < end) {
        // In Ground with no UTF-8 sequence pending, a run of printable ASCII
        // means exactly "print each byte": hand the whole run to the screen.
        if (state_ == State::Ground && utf8Expected_ == 0) {
            if (printableAscii(*p)) {
                const std::uint8_t* run = p + 1;
                while (run < end && printableAscii(*run)) ++run;
                screen_.printAscii(p, run - p);
                p = run;
                continue;
            }
            // Line ends, the next most common bytes, skip the dispatch too.
            if (*p == '\n') {
                screen_.index();
                ++p;
                continue;
            }
            if (*p == '\r') {
                screen_.carriageReturn();
                ++p;
                continue;
            }
            // ESC [ starts a control sequence: straight to its parameters.
            if (*p == kEsc && end - p >= 2 && p[1] == '[') {
                beginCsi();
                p = csiRun(p + 2, end);
                continue;
            }
            // A complete, valid multi-byte character prints at once; anything
            // else (invalid or cut by the chunk end) takes the byte path.
            if (*p >= 0x80) {
                const std::uint8_t* after = textRun(p, end);
                if (after != p) {
                    p = after;
                    continue;
                }
            }
        }
        if (state_ == State::Csi) {
            p = csiRun(p, end);
            continue;
        }
        processByte(*p++);
    }
}

/* Parameters of a control sequence, the bulk of SGR-heavy output, without
 * the per-byte dispatch: digits and semicolons are taken here with exactly
 * csi()'s rules (a run of digits accumulates in a register); the first other
 * byte goes to csi() and ends the run.  Returns where feeding resumes.
 */
const std::uint8_t* Parser::csiRun(const std::uint8_t* p, const std::uint8_t* end) {
    auto digit = [](std::uint8_t b) { return b >= '0' && b <= '9'; };
    while (p < end) {
        const std::uint8_t b = *p;
        if (digit(b)) {
            if (!paramStarted_) {
                paramStarted_ = true;
                paramOverflow_ = paramCount_ == kMaxParameters;
                if (!paramOverflow_) params_[std::size_t(paramCount_++)] = 0;
            }
            std::uint32_t value = params_[std::size_t(paramOverflow_ ? 0 : paramCount_ - 1)];
            do {
                value = value * 10u + std::uint32_t(*p - '0');  // modulo 2^32, as in csi()
                ++p;
            } while (p < end && digit(*p));
            if (!paramOverflow_) params_[std::size_t(paramCount_ - 1)] = value;
        } else if (b == ';') {
            if (!paramStarted_ && paramCount_ < kMaxParameters) params_[std::size_t(paramCount_++)] = 0;
            paramStarted_ = false;
            ++p;
        } else {
            csi(b);
            return p + 1;
        }
    }
    return p;
}

/* Text that is not pure ASCII: from a complete, valid multi-byte character
 * on, every following valid character and printable ASCII byte is decoded
 * into a block and printed with one Screen call, which is exactly print() per
 * code point.  The run ends before anything else (controls, ESC, invalid or
 * cut UTF-8), which takes the byte path.  Returns where feeding resumes (p
 * when the first character is not complete and valid).
 */
const std::uint8_t* Parser::textRun(const std::uint8_t* p, const std::uint8_t* end) {
    std::uint32_t block[256];
    std::int64_t held = 0;
    while (p < end) {
        std::uint32_t codePoint = *p;
        int length = 1;
        if (codePoint >= 0x80) {
            const std::int32_t decoded = decodeValidUtf8(p, end - p, length);
            if (decoded < 0) break;
            codePoint = std::uint32_t(decoded);
        } else if (!printableAscii(std::uint8_t(codePoint))) {
            break;
        }
        block[held++] = codePoint;
        p += length;
        if (held == std::int64_t(std::size(block))) {
            screen_.printText(block, held);
            held = 0;
        }
    }
    if (held > 0) screen_.printText(block, held);
    return p;
}

void Parser::processByte(std::uint8_t b) {
    switch (state_) {
    case State::Ground: ground(b); break;
    case State::Escape: escape(b); break;
    case State::EscapeSkip: state_ = State::Ground; break;
    case State::Csi: csi(b); break;
    case State::OscString:
    case State::DcsString: controlString(b); break;
    }
}

void Parser::ground(std::uint8_t b) {
    if (utf8Expected_ > 0) {
        if ((b & 0xC0) == 0x80) {
            utf8Bytes_[std::size_t(utf8Count_++)] = b;
            if (utf8Count_ == utf8Expected_) finishUtf8();
            return;
        }
        // A sequence cut short: one replacement, then b on its own.
        utf8Count_ = utf8Expected_ = 0;
        screen_.print(kReplacement);
    }
    groundFresh(b);
}

void Parser::groundFresh(std::uint8_t b) {
    int expected = 0;
    if (b == kEsc) {
        state_ = State::Escape;
        return;
    }
    if (b < 0x20) {
        executeControl(b);
        return;
    }
    if (b < 0x7F) {
        screen_.print(b);
        return;
    }
    if (b == 0x7F) return;
    if ((b & 0xE0) == 0xC0) expected = 2;
    else if ((b & 0xF0) == 0xE0) expected = 3;
    else if ((b & 0xF8) == 0xF0) expected = 4;
    if (expected == 0) {
        screen_.print(kReplacement);  // stray continuation byte or 0xF8..0xFF
        return;
    }
    utf8Bytes_[0] = b;
    utf8Count_ = 1;
    utf8Expected_ = expected;
}

void Parser::finishUtf8() {
    // The decoder rejects overlong forms, surrogates, values above U+10FFFF
    // and the lead bytes no valid sequence starts with.
    utf8proc_int32_t codePoint = -1;
    const auto result = utf8proc_iterate(utf8Bytes_.data(), utf8Count_, &codePoint);
    utf8Count_ = utf8Expected_ = 0;
    screen_.print(result < 0 || codePoint < 0 ? kReplacement : std::uint32_t(codePoint));
}

void Parser::executeControl(std::uint8_t b) {
    switch (b) {
    case 0x08: screen_.backspace(); break;       // BS
    case 0x09: screen_.horizontalTab(); break;   // HT
    case 0x0A:                                   // LF
    case 0x0B:                                   // VT
    case 0x0C: screen_.index(); break;           // FF
    case 0x0D: screen_.carriageReturn(); break;  // CR
    default: break;                              // NUL, BEL, SO, SI, ...: nothing
    }
}

void Parser::escape(std::uint8_t b) {
    state_ = State::Ground;
    switch (b) {
    case '[': beginCsi(); break;
    case ']':
        stringEscape_ = false;
        state_ = State::OscString;
        break;
    case 'P':  // DCS
    case 'X':  // SOS
    case '^':  // PM
    case '_':  // APC
        stringEscape_ = false;
        state_ = State::DcsString;
        break;
    case '#': case '%': case '(': case ')': case '*': case '+':
        state_ = State::EscapeSkip;  // character sets are not supported
        break;
    case '7': screen_.saveCursor(); break;     // DECSC
    case '8': screen_.restoreCursor(); break;  // DECRC
    case 'D': screen_.index(); break;          // IND
    case 'E':                                  // NEL
        screen_.carriageReturn();
        screen_.index();
        break;
    case 'M': screen_.reverseIndex(); break;                  // RI
    case 'Z': sendReply(primaryDeviceAttributes_); break;     // DECID
    case 'c': screen_.reset(); break;                         // RIS
    default: break;  // keypad modes and everything else: consumed
    }
}

void Parser::beginCsi() {
    paramCount_ = 0;
    paramStarted_ = false;
    paramOverflow_ = false;
    privateMarker_ = 0;
    colonSeen_ = false;
    state_ = State::Csi;
}

void Parser::csi(std::uint8_t b) {
    if (b >= '0' && b <= '9') {
        if (!paramStarted_) {
            paramStarted_ = true;
            paramOverflow_ = paramCount_ == kMaxParameters;
            if (!paramOverflow_) params_[std::size_t(paramCount_++)] = 0;
        }
        // Digits accumulate modulo 2^32, as unsigned arithmetic does.
        if (!paramOverflow_) {
            std::uint32_t& last = params_[std::size_t(paramCount_ - 1)];
            last = last * 10u + std::uint32_t(b - '0');
        }
    } else if (b == ';' || b == ':') {
        if (b == ':') colonSeen_ = true;
        if (!paramStarted_ && paramCount_ < kMaxParameters) params_[std::size_t(paramCount_++)] = 0;
        paramStarted_ = false;
    } else if (b >= 0x3C && b <= 0x3F) {
        privateMarker_ = char(b);
    } else if (b >= 0x20 && b <= 0x2F) {
        // Intermediate bytes are not recorded.
    } else if (b >= 0x40 && b <= 0x7E) {
        state_ = State::Ground;
        dispatchCsi(b);
    } else if (b == kCan || b == kSub) {
        state_ = State::Ground;
    } else if (b < 0x20) {
        executeControl(b);
    }
    // DEL and bytes from 0x80 are ignored inside a control sequence.
}

void Parser::controlString(std::uint8_t b) {
    if (!stringEscape_) {
        if (b == kBel || b == kCan || b == kSub) state_ = State::Ground;
        else if (b == kEsc) stringEscape_ = true;
        return;
    }
    // ESC \ is the terminator; ESC followed by anything else ends the string
    // and that byte starts afresh in Ground.
    stringEscape_ = false;
    state_ = State::Ground;
    if (b != '\\') groundFresh(b);
}

void Parser::sendReply(const std::string& bytes) {
    if (replyCallback) replyCallback(bytes);
}

void Parser::checkInvariants() const {
    auto fail = [](const char* what) { throw std::logic_error(std::string("Parser: ") + what); };
    if (utf8Expected_ != 0 && state_ != State::Ground) fail("UTF-8 pending outside Ground");
    if (utf8Expected_ == 0 ? utf8Count_ != 0 : (utf8Count_ < 1 || utf8Count_ >= utf8Expected_))
        fail("UTF-8 byte count out of range");
    if (stringEscape_ && state_ != State::OscString && state_ != State::DcsString)
        fail("string escape outside a control string");
    if (paramCount_ < 0 || paramCount_ > kMaxParameters) fail("parameter count out of range");
}

}  // namespace vesper

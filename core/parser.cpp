// The byte-stream state machine: one loop over the input that takes, by
// state, a run of text in Ground, a run of control-sequence parameters, a
// control string or one escape byte.  Control-sequence dispatch is in
// csi_dispatch.cpp, OSC dispatch in osc_dispatch.cpp.
#include "core/parser.h"

#include <bit>
#include <stdexcept>
#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace vesper {

namespace {
constexpr std::uint8_t kEsc = 0x1B;
constexpr std::uint8_t kCan = 0x18;
constexpr std::uint8_t kSub = 0x1A;
constexpr std::uint8_t kBel = 0x07;
bool printableAscii(std::uint8_t b) { return b >= 0x20 && b < 0x7F; }
bool c1Control(std::uint32_t cp) { return cp >= 0x80 && cp <= 0x9F; }

// Where the run of printable ASCII that starts at `p` ends.  The first
// sixteen bytes are compared one by one: text between control sequences is
// often that short, and the end of a byte loop is predicted, where the
// result of a block comparison would hold up what follows.  Longer runs go
// sixteen bytes at a time where the target can compare them at once.
[[gnu::always_inline]] inline const std::uint8_t* printableEnd(const std::uint8_t* p, const std::uint8_t* end) {
    const std::uint8_t* const shortEnd = end - p > 16 ? p + 16 : end;
    for (; p < shortEnd; ++p)
        if (!printableAscii(*p)) return p;
#if defined(__SSE2__) || defined(_M_X64)
    const __m128i belowSpace = _mm_set1_epi8(0x1F);
    const __m128i del = _mm_set1_epi8(0x7F);
    while (end - p >= 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        // Signed comparisons: bytes from 0x80 read as negative.
        const __m128i printable = _mm_and_si128(_mm_cmpgt_epi8(bytes, belowSpace), _mm_cmplt_epi8(bytes, del));
        const unsigned others = ~unsigned(_mm_movemask_epi8(printable)) & 0xFFFFu;
        if (others != 0) return p + std::countr_zero(others);
        p += 16;
    }
#endif
    while (p < end && printableAscii(*p)) ++p;
    return p;
}
bool digit(std::uint8_t b) { return b >= '0' && b <= '9'; }
}  // namespace

Parser::Parser(Screen& screen) : screen_(screen) {}

void Parser::feed(const char* bytes, std::int64_t count) {
    feed(reinterpret_cast<const std::uint8_t*>(bytes), count);
}

void Parser::feed(const std::uint8_t* bytes, std::int64_t count) {
    const std::uint8_t* p = bytes;
    const std::uint8_t* const end = bytes + (count > 0 ? count : 0);
    while (p < end) {
        switch (state_) {
        case State::Ground: p = ground(p, end); break;
        case State::Csi: p = csiRun(p, end); break;
        case State::Escape: escape(*p++); break;
        case State::EscapeIntermediate: escapeIntermediate(*p++); break;
        case State::OscString:
        case State::DcsString: p = controlString(p, end); break;
        }
    }
}

/* Ground: runs of printable ASCII go to the screen at once; line ends and
 * control sequences (the next most common input) are taken in the same loop
 * without going back through the state dispatch; text with other characters
 * is decoded into runs; any other C0 control executes.  Returns where
 * feeding resumes.
 */
// Inlined into feed(): it runs once per stretch of text and line ends.
[[gnu::always_inline]] inline const std::uint8_t* Parser::ground(const std::uint8_t* p, const std::uint8_t* end) {
    if (decoder_.pending()) {
        // The rest of a character cut by the previous input (or U+FFFD when a
        // byte that is not a continuation cuts it; that byte comes next).
        std::uint32_t codePoint;
        const std::uint8_t* next = decoder_.next(p, end, codePoint);
        if (codePoint != Utf8Decoder::kIncomplete) {
            screen_.printText(&codePoint, 1);
            repeatArmed_ = !c1Control(codePoint);
        }
        return next;
    }
    std::uint8_t b = *p;
    while (true) {
        if (printableAscii(b)) {
            const std::uint8_t* run = printableEnd(p + 1, end);
            screen_.printAscii(p, run - p);
            repeatArmed_ = true;
            p = run;
        } else if (b == '\n' || b == '\r') {
            repeatArmed_ = csiMayRepeat_ = false;
            if (b == '\r') {
                screen_.carriageReturn();
                if (end - p >= 2 && p[1] == '\n') {  // CR LF, the usual line end, in one step
                    screen_.lineFeed();
                    ++p;
                }
            } else {
                screen_.lineFeed();
            }
            ++p;
        } else if (b == kEsc && end - p >= 2 && p[1] == '[') {
            beginCsi();
            p = csiRun(p + 2, end);
            if (state_ != State::Ground) return p;
        } else {
            break;
        }
        if (p == end) return p;
        b = *p;
    }
    if (b >= 0x80) return textRun(p, end);
    if (b == kEsc) {
        state_ = State::Escape;
        return p + 1;
    }
    if (b == 0x7F) repeatArmed_ = false;  // DEL does nothing, but it is no graphic character
    else executeControl(b);
    return p + 1;
}

/* Text that is not pure ASCII: characters (printable ASCII included) are
 * decoded into a block and printed with one Screen call per block.  The run
 * ends before a C0 control, ESC or DEL, or after bytes that only begin a
 * character (the decoder keeps them for the next input).
 */
const std::uint8_t* Parser::textRun(const std::uint8_t* p, const std::uint8_t* end) {
    std::uint32_t block[256];
    std::int64_t held = 0;
    bool printed = false;
    std::uint32_t last = 0;
    while (p < end) {
        std::uint32_t codePoint;
        int length;
        if (end - p >= 4 && (length = Utf8Decoder::whole(p, codePoint)) != 0) {
            p += length;
        } else if (*p < 0x80) {
            if (!printableAscii(*p)) break;
            codePoint = *p++;
        } else {
            p = decoder_.next(p, end, codePoint);
            if (codePoint == Utf8Decoder::kIncomplete) break;
        }
        block[held++] = last = codePoint;
        if (held == std::int64_t(std::size(block))) {
            screen_.printText(block, held);
            held = 0;
            printed = true;
        }
    }
    if (held > 0) {
        screen_.printText(block, held);
        printed = true;
    }
    // A C1 control code point prints nothing: REP after it repeats nothing.
    if (printed) repeatArmed_ = !c1Control(last);
    return p;
}

/* Digits and separators up to the first other byte (a run of digits
 * accumulates in a register, modulo 2^32).  A colon marks the parameter it
 * ends as continued: what follows is its sub-parameter.  The collector's state lives in
 * locals while the loop runs, which calls nothing: the parameter stores could
 * alias the members (an unsigned and a signed int), which would make the
 * compiler reload them after each store.
 */
[[gnu::always_inline]] inline const std::uint8_t* Parser::collectParameters(const std::uint8_t* p,
                                                                            const std::uint8_t* end) {
    std::uint32_t* const params = params_.data();
    int count = paramCount_;
    bool started = paramStarted_;
    bool overflow = paramOverflow_;  // the list was full: this parameter is dropped
    for (; p < end; ++p) {
        const std::uint8_t b = *p;
        if (digit(b)) {
            std::uint32_t value = 0;
            if (!started) {
                started = true;
                overflow = count == kMaxParameters;
                if (!overflow) ++count;
            } else if (!overflow) {
                value = params[count - 1];
            }
            while (true) {
                value = value * 10u + std::uint32_t(*p - '0');
                if (p + 1 == end || !digit(p[1])) break;
                ++p;
            }
            if (!overflow) params[count - 1] = value;
        } else if (b == ';' || b == ':') {
            const bool dropped = started ? overflow : count == kMaxParameters;
            if (!started && !dropped) params[count++] = 0;
            if (b == ':' && !dropped) continued_ |= 1u << (count - 1);
            started = false;
        } else {
            break;
        }
    }
    paramCount_ = count;
    paramStarted_ = started;
    paramOverflow_ = overflow;
    return p;
}

/* Control-sequence bytes: digits and separators are collected by
 * collectParameters(); every other byte goes to csi(), a final byte straight
 * to the dispatch.  Returns where feeding resumes: after the final byte, or
 * at the end of the input.
 */
const std::uint8_t* Parser::csiRun(const std::uint8_t* p, const std::uint8_t* end) {
    while (true) {
        p = collectParameters(p, end);
        if (p == end) return p;
        const std::uint8_t b = *p++;
        if (b >= 0x40 && b <= 0x7E) {
            state_ = State::Ground;
            dispatchCsi(b);
            return p;
        }
        csi(b);
        if (state_ != State::Csi) return p;
    }
}

void Parser::csi(std::uint8_t b) {
    if (b >= 0x3C && b <= 0x3F) {
        privateMarker_ = char(b);
    } else if (b >= 0x20 && b <= 0x2F) {
        intermediate_ = char(b);
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

void Parser::executeControl(std::uint8_t b) {
    repeatArmed_ = csiMayRepeat_ = false;
    switch (b) {
    case 0x07:                                   // BEL
        if (bellCallback) bellCallback();
        break;
    case 0x08: screen_.backspace(); break;       // BS
    case 0x09: screen_.horizontalTab(); break;   // HT
    case 0x0A:                                   // LF
    case 0x0B:                                   // VT
    case 0x0C: screen_.lineFeed(); break;        // FF
    case 0x0D: screen_.carriageReturn(); break;  // CR
    case 0x0E: screen_.invokeCharset(1); break;  // SO
    case 0x0F: screen_.invokeCharset(0); break;  // SI
    default: break;                              // NUL, ESC in a sequence, ...: nothing
    }
}

/* The byte after ESC.  C0 controls execute inside an escape sequence (CAN
 * and SUB cancel it, ESC starts it afresh); intermediates 0x20-0x2F are
 * collected up to the final byte; DEL is ignored.
 */
void Parser::escape(std::uint8_t b) {
    if (b >= 0x30 && b <= 0x7E) {
        dispatchEscape(b);
    } else if (b >= 0x20 && b <= 0x2F) {
        repeatArmed_ = false;
        intermediate_ = char(b);
        state_ = State::EscapeIntermediate;
    } else if (b >= 0x80) {
        repeatArmed_ = false;
        state_ = State::Ground;  // consumed
    } else if (b != 0x7F) {
        escapeControl(b);
    }
}

void Parser::escapeIntermediate(std::uint8_t b) {
    if (b >= 0x30 && b <= 0x7E) {
        state_ = State::Ground;
        dispatchEscapeWithIntermediate(b);
    } else if (b >= 0x20 && b <= 0x2F) {
        intermediate_ = kSeveralIntermediates;
    } else if (b >= 0x80) {
        state_ = State::Ground;
    } else if (b != 0x7F) {
        escapeControl(b);
    }
}

void Parser::escapeControl(std::uint8_t b) {
    if (b == kCan || b == kSub) {
        repeatArmed_ = false;
        state_ = State::Ground;
    } else if (b == kEsc) {
        repeatArmed_ = false;
        state_ = State::Escape;
    } else {
        executeControl(b);
    }
}

void Parser::dispatchEscape(std::uint8_t b) {
    const bool armed = repeatArmed_;
    repeatArmed_ = false;
    state_ = State::Ground;
    switch (b) {
    case '[':
        repeatArmed_ = armed;  // ESC [ split over two inputs is still one CSI
        beginCsi();
        break;
    case ']':
        stringEscape_ = false;
        osc_.clear();
        oscOverflow_ = false;
        state_ = State::OscString;
        break;
    case 'P':  // DCS
        stringEscape_ = false;
        osc_.clear();
        oscOverflow_ = false;
        dcs_ = true;
        state_ = State::DcsString;
        break;
    case 'X':  // SOS
    case '^':  // PM
    case '_':  // APC
        stringEscape_ = false;
        dcs_ = false;
        state_ = State::DcsString;
        break;
    case '7': screen_.saveCursor(); break;     // DECSC
    case '8': screen_.restoreCursor(); break;  // DECRC
    case 'D': screen_.index(); break;          // IND
    case 'E':                                  // NEL
        screen_.carriageReturn();
        screen_.index();
        break;
    case 'H': screen_.setTabStop(); break;                    // HTS
    case 'M': screen_.reverseIndex(); break;                  // RI
    case '=': screen_.setApplicationKeypad(true); break;      // DECKPAM
    case '>': screen_.setApplicationKeypad(false); break;     // DECKPNM
    case 'Z': sendReply(primaryDeviceAttributes_); break;     // DECID
    case 'c': {                                               // RIS
        // The reset also ends a program's cursor style; say so as DECSCUSR 0.
        const bool styled = screen_.cursorStyle() != 0;
        screen_.reset();
        if (styled && cursorStyleCallback) cursorStyleCallback(0);
        break;
    }
    default: break;  // everything else: consumed
    }
}

// ESC I... F: G0 and G1 designations and DECALN act; the rest (G2/G3 and
// 96-character sets, the 7/8-bit control switches, line sizes, the
// character-coding switches) is consumed without effect.
void Parser::dispatchEscapeWithIntermediate(std::uint8_t finalByte) {
    Charset set;
    switch (intermediate_) {
    case '(':  // designate G0
    case ')':  // designate G1
        if (charsetFromFinal(finalByte, set)) screen_.designateCharset(intermediate_ == '(' ? 0 : 1, set);
        break;
    case '#':
        if (finalByte == '8') screen_.screenAlignmentTest();  // DECALN
        break;
    default: break;
    }
}

void Parser::beginCsi() {
    csiMayRepeat_ = repeatArmed_;
    repeatArmed_ = false;
    paramCount_ = 0;
    paramStarted_ = false;
    paramOverflow_ = false;
    privateMarker_ = 0;
    intermediate_ = 0;
    continued_ = 0;
    state_ = State::Csi;
}

/* OSC, DCS, SOS, PM and APC strings: BEL or ESC \ ends one (an OSC or a
 * DCS is then dispatched); CAN and SUB cancel it; ESC followed by anything
 * else ends it undispatched and that byte is read afresh in Ground.  OSC
 * text is kept up to kMaxOscBytes (a clipboard string up to
 * kMaxClipboardOscBytes), DCS text up to kMaxDcsBytes.
 */
const std::uint8_t* Parser::controlString(const std::uint8_t* p, const std::uint8_t* end) {
    const bool osc = state_ == State::OscString;
    const bool kept = osc || dcs_;
    const std::size_t bound = osc ? kMaxOscBytes : kMaxDcsBytes;
    while (p < end) {
        const std::uint8_t b = *p++;
        if (stringEscape_) {
            stringEscape_ = false;
            state_ = State::Ground;
            if (b != '\\') return p - 1;
            stringBell_ = false;
            if (osc) dispatchOsc();
            else if (dcs_) dispatchDcs();
            return p;
        }
        if (b == kBel) {
            state_ = State::Ground;
            stringBell_ = true;
            if (osc) dispatchOsc();
            else if (dcs_) dispatchDcs();
            return p;
        }
        if (b == kCan || b == kSub) {
            state_ = State::Ground;
            return p;
        }
        if (b == kEsc) {
            stringEscape_ = true;
        } else if (kept) {
            if (osc_.size() < bound || (osc && osc_.size() < kMaxClipboardOscBytes && osc_.starts_with("52;")))
                osc_.push_back(char(b));
            else
                oscOverflow_ = true;
        }
    }
    return p;
}

void Parser::sendReply(const std::string& bytes) {
    if (replyCallback) replyCallback(bytes);
}

void Parser::checkInvariants() const {
    auto fail = [](const char* what) { throw std::logic_error(std::string("Parser: ") + what); };
    if (decoder_.pending() && state_ != State::Ground) fail("UTF-8 pending outside Ground");
    if (decoder_.pending() && (decoder_.pendingCount() < 1 || decoder_.pendingCount() >= decoder_.pendingLength()))
        fail("UTF-8 byte count out of range");
    if (stringEscape_ && state_ != State::OscString && state_ != State::DcsString)
        fail("string escape outside a control string");
    if (paramCount_ < 0 || paramCount_ > kMaxParameters) fail("parameter count out of range");
    if (osc_.size() > (osc_.starts_with("52;") ? kMaxClipboardOscBytes : kMaxOscBytes)) fail("OSC text beyond its bound");
}

}  // namespace vesper

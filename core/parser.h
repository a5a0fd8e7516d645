// Parser: the state machine that turns a terminal program's output (UTF-8
// text, C0 controls, escape sequences, control sequences and control
// strings) into calls on one Screen, plus the control-sequence and OSC
// dispatch and what it reports back: device replies, mode changes, titles,
// the working directory, the bell and the cursor style.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/screen.h"
#include "core/utf8_decoder.h"

namespace vesper {

class Parser {
public:
    enum class State : std::int32_t {
        Ground = 0,
        Escape = 1,
        EscapeIntermediate = 2,  // after ESC and one or more bytes 0x20-0x2F
        Csi = 3,
        OscString = 4,
        DcsString = 5,
    };

    // Parameters beyond this many in one control sequence are dropped, so a
    // hostile sequence costs no memory; SGR needs far fewer.
    static constexpr int kMaxParameters = 32;

    // Titles and directories longer than this are ignored whole, and so are
    // link targets longer than kMaxUriBytes.
    static constexpr std::size_t kMaxTitleBytes = 4096;
    static constexpr std::size_t kMaxUriBytes = 8192;
    // An OSC string is collected up to this many bytes; a longer one is
    // ignored whole.
    static constexpr std::size_t kMaxOscBytes = kMaxUriBytes + kMaxTitleBytes + 16;
    // A clipboard string (OSC 52) may be longer: base64 of kMaxClipboardBytes.
    static constexpr std::size_t kMaxClipboardBytes = std::size_t(1) << 20;
    static constexpr std::size_t kMaxClipboardOscBytes = (kMaxClipboardBytes + 2) / 3 * 4 + 16;

    explicit Parser(Screen& screen);

    void feed(const char* bytes, std::int64_t count);
    void feed(const std::uint8_t* bytes, std::int64_t count);
    // One byte: the same as feed() of that byte.
    void processByte(std::uint8_t b) { feed(&b, 1); }

    std::function<void(const std::string& bytes)> replyCallback;
    std::function<void(int mode, bool set, bool isPrivate)> modeCallback;
    std::function<void(const std::string& utf8)> titleCallback;             // OSC 0 and OSC 2
    std::function<void(const std::string& utf8)> iconNameCallback;          // OSC 0 and OSC 1
    std::function<void(const std::string& url)> currentDirectoryCallback;   // OSC 7, the URL without controls
    std::function<void()> bellCallback;                                     // BEL outside control strings
    std::function<void(int style)> cursorStyleCallback;                     // DECSCUSR 0..6; RIS as 0
    // OSC 52 ; targets ; data: `data` is base64 text for the clipboards named
    // by `targets` (c, p, s, ...), or "?" to read one; for a read the callback
    // returns the base64 answer (empty for an empty clipboard), or nullopt to
    // leave it unanswered.
    std::function<std::optional<std::string>(std::string_view targets, std::string_view data)> clipboardCallback;
    // The host's cell size in pixels, for the pixel reports (CSI 14 t, CSI 16 t);
    // false, or no callback: those reports go unanswered.
    std::function<bool(int& width, int& height)> cellPixelSizeCallback;
    // OSC 133: a shell's mark, after the screen recorded it; the exit code
    // only with CommandEnd, when the shell gave one.
    std::function<void(ShellMarkKind kind, std::optional<int> exitCode)> shellMarkCallback;

    // Titles pushed by CSI 22 t beyond this many push out the oldest.
    static constexpr std::size_t kMaxTitleStack = 10;
    // DCS text beyond this many bytes (a DECRQSS request is a few) is dropped whole.
    static constexpr std::size_t kMaxDcsBytes = 32;
    std::size_t titleStackDepth() const { return titleStack_.size(); }

    State state() const { return state_; }
    int parameterCount() const { return paramCount_; }
    char privateMarker() const { return privateMarker_; }

    // Throws std::logic_error when the parser's own invariants are broken.
    void checkInvariants() const;

private:
    const std::uint8_t* ground(const std::uint8_t* p, const std::uint8_t* end);
    const std::uint8_t* textRun(const std::uint8_t* p, const std::uint8_t* end);
    const std::uint8_t* csiRun(const std::uint8_t* p, const std::uint8_t* end);
    const std::uint8_t* collectParameters(const std::uint8_t* p, const std::uint8_t* end);
    const std::uint8_t* controlString(const std::uint8_t* p, const std::uint8_t* end);
    void escape(std::uint8_t b);
    void escapeIntermediate(std::uint8_t b);
    void escapeControl(std::uint8_t b);
    void dispatchEscape(std::uint8_t finalByte);
    void dispatchEscapeWithIntermediate(std::uint8_t finalByte);
    void csi(std::uint8_t b);
    void executeControl(std::uint8_t b);
    void enterEscape();
    void beginCsi();
    void sendReply(const std::string& bytes);

    // Control-sequence dispatch.
    void dispatchCsi(std::uint8_t finalByte);
    // A sequence with an intermediate byte or a private marker: false when
    // dispatchCsi() has nothing more to do with it.
    bool dispatchMarkedCsi(std::uint8_t finalByte);
    void dispatchIntermediateCsi(std::uint8_t finalByte);
    void keyboardRequest(std::uint8_t finalByte);  // CSI > u and the rest, modifyOtherKeys
    // The first parameter; 1 when absent or 0.  It may read as negative:
    // Screen operations clamp.
    int count() const { return paramCount_ == 0 || params_[0] == 0 ? 1 : parameter(0); }
    // The first parameter; 0 when absent.
    int selector() const { return paramCount_ == 0 ? 0 : parameter(0); }
    int parameter(int i) const { return static_cast<std::int32_t>(params_[std::size_t(i)]); }
    void setModes(bool set);
    void requestMode();     // DECRQM
    void windowOperation(); // XTWINOPS: the reports and the title stack
    void setTitles(bool window, bool icon, const std::string& text);
    void dispatchDcs();
    std::string statusString(std::string_view request) const;  // DECRQSS's answer
    void setPrivateMode(int mode, bool set);
    void deviceStatusReport();
    // The collected parameters read as signed values.
    std::span<const std::int32_t> signedParameters() const {
        return {reinterpret_cast<const std::int32_t*>(params_.data()), std::size_t(paramCount_)};
    }

    // OSC dispatch (osc_dispatch.cpp).
    void dispatchOsc();
    void setLink(std::string_view rest);
    void setShellMark(std::string_view rest);
    void clipboard(std::string_view rest);
    void setColors(int command, std::string_view rest);
    void resetColors(int command, std::string_view rest);
    void colorReply(int command, int slot);

    Screen& screen_;
    State state_ = State::Ground;
    std::array<std::uint32_t, kMaxParameters> params_{};
    int paramCount_ = 0;
    bool paramStarted_ = false;
    bool paramOverflow_ = false;  // the list is full: further parameters are dropped
    char privateMarker_ = 0;
    // The last intermediate byte of a control sequence; the first of an
    // escape sequence, or kSeveralIntermediates.
    char intermediate_ = 0;
    static constexpr char kSeveralIntermediates = 0x7F;
    // Bit i set: a colon joined parameter i to parameter i + 1 (a sub-parameter).
    std::uint32_t continued_ = 0;
    Utf8Decoder decoder_;
    bool stringEscape_ = false;
    // OSC text collected so far (DCS, SOS, PM and APC strings are dropped).
    std::string osc_;
    bool oscOverflow_ = false;
    bool stringBell_ = false;  // the string ended with BEL: replies end the same way
    bool dcs_ = false;         // the control string is a DCS (kept in osc_, up to kMaxDcsBytes)
    // The titles in force and those CSI 22 t pushed, newest last.
    struct Titles {
        std::string window, icon;
    };
    Titles titles_;
    std::deque<Titles> titleStack_;
    // REP repeats only right after a printed character: nothing else between.
    bool repeatArmed_ = false;
    bool csiMayRepeat_ = false;
    const std::string primaryDeviceAttributes_ = "\x1b[?1;2c";
    const std::string secondaryDeviceAttributes_ = "\x1b[>0;10;0c";
};

}  // namespace vesper

// Parser: the byte-at-a-time state machine that turns a terminal program's
// output (UTF-8 text, C0 controls, escape sequences, control sequences and
// control strings) into calls on one Screen, plus the control-sequence
// dispatch and the device replies and mode notifications it sends back.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "core/screen.h"

namespace vesper {

class Parser {
public:
    enum class State : std::int32_t {
        Ground = 0,
        Escape = 1,
        EscapeSkip = 2,
        Csi = 3,
        OscString = 4,
        DcsString = 5,
    };

    // Parameters beyond this many in one control sequence are dropped, so a
    // hostile sequence costs no memory; SGR needs far fewer.
    static constexpr int kMaxParameters = 32;

    // A parameter list held inline (no allocation on the SGR path); only
    // the first `count` values are meaningful.
    struct ParameterList {
        std::array<std::int32_t, kMaxParameters> values;
        int count = 0;
        std::span<const std::int32_t> span() const { return {values.data(), std::size_t(count)}; }
    };

    explicit Parser(Screen& screen);

    void feed(const char* bytes, std::int64_t count);
    void feed(const std::uint8_t* bytes, std::int64_t count);
    void processByte(std::uint8_t b);

    std::function<void(const std::string& bytes)> replyCallback;
    std::function<void(int mode, bool set, bool isPrivate)> modeCallback;

    State state() const { return state_; }
    int parameterCount() const { return paramCount_; }
    char privateMarker() const { return privateMarker_; }

    // Throws std::logic_error when the parser's own invariants are broken.
    void checkInvariants() const;

private:
    void ground(std::uint8_t b);
    void groundFresh(std::uint8_t b);
    void escape(std::uint8_t b);
    void csi(std::uint8_t b);
    const std::uint8_t* textRun(const std::uint8_t* p, const std::uint8_t* end);
    const std::uint8_t* csiRun(const std::uint8_t* p, const std::uint8_t* end);
    void controlString(std::uint8_t b);
    void executeControl(std::uint8_t b);
    void finishUtf8();
    void beginCsi();
    void sendReply(const std::string& bytes);

    // Control-sequence dispatch.
    void dispatchCsi(std::uint8_t finalByte);
    int count() const;     // first parameter; 1 when absent or 0
    int selector() const;  // first parameter; 0 when absent
    int parameter(int i) const { return static_cast<std::int32_t>(params_[std::size_t(i)]); }
    void setModes(bool set);
    void setPrivateMode(int mode, bool set);
    void deviceStatusReport();
    ParameterList sgrParameters() const;
    // The collected parameters read as signed values (the usual SGR case).
    std::span<const std::int32_t> signedParameters() const {
        return {reinterpret_cast<const std::int32_t*>(params_.data()), std::size_t(paramCount_)};
    }

    Screen& screen_;
    State state_ = State::Ground;
    std::array<std::uint32_t, kMaxParameters> params_{};
    int paramCount_ = 0;
    bool paramStarted_ = false;
    bool paramOverflow_ = false;  // the list is full: further parameters are dropped
    char privateMarker_ = 0;
    bool colonSeen_ = false;
    std::array<std::uint8_t, 4> utf8Bytes_{};
    std::int32_t utf8Count_ = 0;
    std::int32_t utf8Expected_ = 0;
    bool stringEscape_ = false;
    const std::string primaryDeviceAttributes_ = "\x1b[?1;2c";
    const std::string secondaryDeviceAttributes_ = "\x1b[>0;10;0c";
};

}  // namespace vesper

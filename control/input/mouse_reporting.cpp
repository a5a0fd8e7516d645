// Mouse report encoding; see mouse_reporting.h.
#include "control/input/mouse_reporting.h"

#include <optional>

namespace vesper {

namespace {

// X10 and UTF-8 reports carry each number plus 32 as one character.
constexpr int kOffset = 32;
constexpr int kMaxX10Value = 255;
constexpr int kMaxUtf8Value = 0x7FF; // two UTF-8 bytes at most
constexpr int kMotionBit = 32;

void appendUtf8(std::string &out, int value)
{
    if (value < 0x80) {
        out.push_back(char(value));
    } else {
        out.push_back(char(0xC0 | (value >> 6)));
        out.push_back(char(0x80 | (value & 0x3F)));
    }
}

} // namespace

bool reportsAction(MouseTracking tracking, MouseAction action, bool buttonDown)
{
    switch (tracking) {
    case MouseTracking::Off: return false;
    case MouseTracking::Press: return action == MouseAction::Press;
    case MouseTracking::PressRelease: return action != MouseAction::Motion;
    case MouseTracking::ButtonMotion: return action != MouseAction::Motion || buttonDown;
    case MouseTracking::AnyMotion: return true;
    }
    return false;
}

std::string encodeMouseReport(const MouseReport &report, MouseEncoding encoding, MouseTracking tracking)
{
    const bool x10Mode = tracking == MouseTracking::Press;
    if (x10Mode && report.action != MouseAction::Press)
        return {};
    const bool sgr = encoding == MouseEncoding::Sgr;
    int code = report.button;
    // Only SGR tells which button was released; the others send "button 3".
    if (report.action == MouseAction::Release && !sgr)
        code = kNoButton;
    if (report.action == MouseAction::Motion)
        code += kMotionBit;
    if (!x10Mode)
        code |= report.modifiers & (kMouseShift | kMouseMeta | kMouseControl);
    const int x = report.column + 1;
    const int y = report.row + 1;

    switch (encoding) {
    case MouseEncoding::Sgr:
        return "\x1b[<" + std::to_string(code) + ';' + std::to_string(x) + ';' + std::to_string(y)
               + (report.action == MouseAction::Release ? 'm' : 'M');
    case MouseEncoding::Urxvt:
        return "\x1b[" + std::to_string(code + kOffset) + ';' + std::to_string(x) + ';' + std::to_string(y) + 'M';
    case MouseEncoding::Utf8: {
        if (x + kOffset > kMaxUtf8Value || y + kOffset > kMaxUtf8Value)
            return {};
        std::string out = "\x1b[M";
        appendUtf8(out, code + kOffset);
        appendUtf8(out, x + kOffset);
        appendUtf8(out, y + kOffset);
        return out;
    }
    case MouseEncoding::X10:
        if (x + kOffset > kMaxX10Value || y + kOffset > kMaxX10Value)
            return {};
        return std::string("\x1b[M") + char(code + kOffset) + char(x + kOffset) + char(y + kOffset);
    }
    return {};
}

} // namespace vesper

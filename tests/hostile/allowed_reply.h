// The device replies the core may ever send: the device attributes, the
// status and cursor position reports, mode reports (keyboard modes too), the
// version, status strings, the text-area sizes and colours.  Shared by the hostile-stream
// harness and the fuzz target.
#pragma once

#include <string>
#include <string_view>

namespace vesper::testing {

inline bool isDigitRun(const std::string& s, std::size_t& at) {
    const std::size_t start = at;
    while (at < s.size() && s[at] >= '0' && s[at] <= '9') ++at;
    return at > start;
}

// ESC [ [?] digits ; digits FINAL, with FINAL one of `finals` ("R", "$y", "t").
inline bool isNumberPairReply(const std::string& reply, const std::string& final, bool privateAllowed,
                              int pairs = 1) {
    if (reply.size() < 4 || reply[0] != '\x1b' || reply[1] != '[') return false;
    std::size_t at = 2;
    if (privateAllowed && reply[at] == '?') ++at;
    if (!isDigitRun(reply, at)) return false;
    for (int i = 0; i < pairs; ++i)
        if (at >= reply.size() || reply[at++] != ';' || !isDigitRun(reply, at)) return false;
    return reply.compare(at, std::string::npos, final) == 0;
}

// The keyboard modes a program asked for: CSI ? flags u (the CSI-u
// protocol's flags) and CSI > 4 ; level m (modifyOtherKeys).
inline bool isKeyboardModeReply(const std::string& reply) {
    if (reply.rfind("\x1b[?", 0) == 0) {
        std::size_t at = 3;
        return isDigitRun(reply, at) && reply.compare(at, std::string::npos, "u") == 0;
    }
    if (reply.rfind("\x1b[>4;", 0) == 0) {
        std::size_t at = 5;
        return isDigitRun(reply, at) && reply.compare(at, std::string::npos, "m") == 0;
    }
    return false;
}

// What programs may read back: never their own text, only numbers, the
// terminal's name and colours in rgb: form.
inline bool isAllowedReply(const std::string& reply) {
    if (reply == "\x1b[?1;2c" || reply == "\x1b[>0;10;0c" || reply == "\x1b[0n") return true;
    if (isNumberPairReply(reply, "R", true) || isNumberPairReply(reply, "$y", true)) return true;  // CPR, DECRQM
    if (isNumberPairReply(reply, "t", false, 2)) return true;                                       // window reports
    if (isKeyboardModeReply(reply)) return true;
    if (reply.rfind("\x1bP>|lumenvale ", 0) == 0 && reply.ends_with("\x1b\\")) return true;        // XTVERSION
    if (reply == "\x1bP0$r\x1b\\") return true;                                                     // DECRQSS
    if (reply.rfind("\x1bP1$r", 0) == 0 && reply.ends_with("\x1b\\")) {
        for (std::size_t i = 5; i + 2 < reply.size(); ++i)
            if (std::string_view("0123456789;: mrq").find(reply[i]) == std::string_view::npos) return false;
        return true;
    }
    // OSC 4 ; n ; rgb:... and OSC 10/11/12 ; rgb:..., ended by BEL or ST.
    if (reply.rfind("\x1b]", 0) == 0) {
        std::size_t at = 2;
        if (!isDigitRun(reply, at) || at >= reply.size() || reply[at++] != ';') return false;
        if (reply.compare(2, 2, "4;") == 0 && (!isDigitRun(reply, at) || at >= reply.size() || reply[at++] != ';'))
            return false;
        if (reply.compare(at, 4, "rgb:") != 0) return false;
        const std::string tail = reply.substr(at + 4);
        const bool bell = tail.size() == 15 && tail[14] == '\x07';
        const bool st = tail.size() == 16 && tail.compare(14, 2, "\x1b\\") == 0;
        return (bell || st) && tail[4] == '/' && tail[9] == '/';
    }
    return false;
}

}  // namespace vesper::testing

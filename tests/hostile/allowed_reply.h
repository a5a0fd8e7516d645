// The device replies the core may ever send: the two device-attribute
// answers, the status report and the two forms of the cursor position
// report.  Shared by the hostile-stream harness and the fuzz target.
#pragma once

#include <string>

namespace vesper::testing {

inline bool isDigitRun(const std::string& s, std::size_t& at) {
    const std::size_t start = at;
    while (at < s.size() && s[at] >= '0' && s[at] <= '9') ++at;
    return at > start;
}

inline bool isAllowedReply(const std::string& reply) {
    if (reply == "\x1b[?1;2c" || reply == "\x1b[>0;10;0c" || reply == "\x1b[0n") return true;
    // ESC [ [?] row ; column R
    if (reply.size() < 6 || reply[0] != '\x1b' || reply[1] != '[') return false;
    std::size_t at = 2;
    if (reply[at] == '?') ++at;
    if (!isDigitRun(reply, at) || at >= reply.size() || reply[at++] != ';') return false;
    if (!isDigitRun(reply, at)) return false;
    return at + 1 == reply.size() && reply[at] == 'R';
}

}  // namespace vesper::testing

// OSC dispatch: window title and icon name (0, 1, 2), the working directory
// (7), hyperlinks (8), the clipboard (52), the colours (4, 10-12, 104, 110-112) and the shell's
// marks (133).  Texts over their bound are ignored whole; titles
// and directories reach the owner as valid UTF-8 without control characters.
#include <charconv>
#include <optional>
#include <string_view>

#include "core/parser.h"

namespace vesper {

namespace {

// C0 controls, DEL and C1 controls: in a window title, a task bar or a
// screen reader's speech a line feed, a backspace or a C1 control garbles
// what is shown, and a directory with them is no path a program meant.
bool isControl(std::uint32_t cp) { return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F); }

// Bidirectional embeddings, overrides (U+202A..U+202E) and isolates
// (U+2066..U+2069) also leave a title: the host shows it among its own
// text, which an unterminated override would reorder.
bool isControlInTitle(std::uint32_t cp) {
    return isControl(cp) || (cp >= 0x202A && cp <= 0x202E) || (cp >= 0x2066 && cp <= 0x2069);
}

}  // namespace

void Parser::dispatchOsc() {
    if (oscOverflow_) return;
    const std::string_view text(osc_);
    std::size_t semicolon = text.find(';');
    // Only the colour resets come without a parameter.
    if (semicolon == std::string_view::npos) {
        if (text != "104" && text != "110" && text != "111" && text != "112") return;
        semicolon = text.size();
    }
    int command = -1;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + semicolon, command);
    if (ec != std::errc() || ptr != text.data() + semicolon) return;
    const std::string_view rest = text.substr(std::min(semicolon + 1, text.size()));
    switch (command) {
    case 0:
    case 1:
    case 2: {
        if (rest.size() > kMaxTitleBytes) return;
        const std::string title = Utf8Decoder::sanitize(rest, isControlInTitle);
        setTitles(command != 1, command != 2, title);
        break;
    }
    case 7:
        if (rest.size() <= kMaxTitleBytes && currentDirectoryCallback)
            currentDirectoryCallback(Utf8Decoder::sanitize(rest, isControl));
        break;
    case 8: setLink(rest); break;
    case 4:
    case 10:
    case 11:
    case 12: setColors(command, rest); break;
    case 52: clipboard(rest); break;
    case 133: setShellMark(rest); break;
    case 104:
    case 110:
    case 111:
    case 112: resetColors(command, rest); break;
    default: break;
    }
}

// OSC 8 ; params ; URI: the cells printed from now on carry the URI; an
// empty URI ends the link.  The parameters (an id=...) are not used.
void Parser::setLink(std::string_view rest) {
    const std::size_t semicolon = rest.find(';');
    if (semicolon == std::string_view::npos) return;
    const std::string_view uri = rest.substr(semicolon + 1);
    if (uri.size() > kMaxUriBytes) return;
    screen_.setLink(uri);
}

// OSC 52 ; targets ; data.  The owner decides what a program may do with
// the clipboard; a read is answered with the first target named (c when
// none is) and the string's own terminator.
void Parser::clipboard(std::string_view rest) {
    const std::size_t semicolon = rest.find(';');
    if (semicolon == std::string_view::npos || !clipboardCallback) return;
    const std::string_view targets = rest.substr(0, semicolon);
    const std::string_view data = rest.substr(semicolon + 1);
    const std::optional<std::string> answer = clipboardCallback(targets, data);
    if (data != "?" || !answer) return;
    sendReply("\x1b]52;" + std::string(targets.empty() ? "c" : targets.substr(0, 1)) + ';' + *answer +
              (stringBell_ ? "\x07" : "\x1b\\"));
}

// OSC 133 ; A | B | C | D [; exit code]: the shell marks where its prompt,
// the command line and the output begin and where a command ended.  Other
// letters, and key=value options after the letter, are ignored.
void Parser::setShellMark(std::string_view rest) {
    const std::size_t semicolon = rest.find(';');
    const std::string_view letter = rest.substr(0, semicolon);
    if (letter.size() != 1) return;
    ShellMarkKind kind;
    std::optional<int> exitCode;
    switch (letter[0]) {
    case 'A': kind = ShellMarkKind::PromptStart; break;
    case 'B': kind = ShellMarkKind::CommandStart; break;
    case 'C': kind = ShellMarkKind::OutputStart; break;
    case 'D': {
        if (semicolon != std::string_view::npos) {
            std::string_view field = rest.substr(semicolon + 1);
            field = field.substr(0, field.find(';'));
            int code = 0;
            const auto [ptr, ec] = std::from_chars(field.data(), field.data() + field.size(), code);
            if (ec == std::errc() && ptr == field.data() + field.size() && !field.empty()) exitCode = code;
        }
        kind = ShellMarkKind::CommandEnd;
        break;
    }
    default: return;
    }
    screen_.setShellMark(kind, exitCode);
    if (shellMarkCallback) shellMarkCallback(kind, exitCode);
}

}  // namespace vesper

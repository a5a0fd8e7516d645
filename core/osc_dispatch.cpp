// OSC dispatch: window title and icon name (0, 1, 2), the working directory
// (7) and hyperlinks (8).  Texts over their bound are ignored whole; titles
// reach the owner as valid UTF-8.
#include <charconv>
#include <string_view>

#include "core/parser.h"

namespace vesper {

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
        const std::string title = Utf8Decoder::sanitize(rest);
        setTitles(command != 1, command != 2, title);
        break;
    }
    case 7:
        if (rest.size() <= kMaxTitleBytes && currentDirectoryCallback) currentDirectoryCallback(std::string(rest));
        break;
    case 8: setLink(rest); break;
    case 4:
    case 10:
    case 11:
    case 12: setColors(command, rest); break;
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

}  // namespace vesper

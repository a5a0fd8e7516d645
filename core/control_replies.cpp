// Control-string replies and state: the window and icon titles with their
// stack, the colours a program queries and sets (OSC 4, 10-12, 104,
// 110-112) and the DCS requests (DECRQSS).  Replies to a string end as the
// string did: with BEL or with ST.
#include <charconv>
#include <string>
#include <string_view>

#include "core/parser.h"

namespace vesper {

namespace {

// The next ';'-separated field of `text`, removed from it.
std::string_view nextField(std::string_view& text) {
    const std::size_t semicolon = text.find(';');
    const std::string_view field = text.substr(0, semicolon);
    text.remove_prefix(semicolon == std::string_view::npos ? text.size() : semicolon + 1);
    return field;
}

bool number(std::string_view text, int& out) {
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && ptr == text.data() + text.size();
}

// An SGR colour for DECRQSS: the short codes where there are some, else the
// colon forms.
void appendColor(std::string& out, ColorValue color, int base, int brightBase, int extended) {
    if (color == kDefaultColor) return;
    if (color & kDirectColorFlag) {
        out += ';' + std::to_string(extended) + ":2::" + std::to_string(color >> 16 & 0xFF) + ':' +
               std::to_string(color >> 8 & 0xFF) + ':' + std::to_string(color & 0xFF);
    } else if (base >= 0 && color >= 0 && color < 8) {
        out += ';' + std::to_string(base + color);
    } else if (brightBase >= 0 && color >= 8 && color < 16) {
        out += ';' + std::to_string(brightBase + color - 8);
    } else {
        out += ';' + std::to_string(extended) + ":5:" + std::to_string(color);
    }
}

}  // namespace

void Parser::setTitles(bool window, bool icon, const std::string& text) {
    if (window) {
        titles_.window = text;
        if (titleCallback) titleCallback(text);
    }
    if (icon) {
        titles_.icon = text;
        if (iconNameCallback) iconNameCallback(text);
    }
}

/* OSC 4 ; n ; spec [; n ; spec ...] and OSC 10/11/12 ; spec [; spec ...]
 * (the next spec of OSC 10 sets 11, then 12).  "?" in place of a spec asks
 * for the colour in force; a spec that does not parse changes nothing.
 */
void Parser::setColors(int command, std::string_view rest) {
    ColorTable& colors = screen_.colorTable();
    int slot = command == 4 ? -1 : ColorTable::kForeground + (command - 10);
    while (!rest.empty()) {
        if (command == 4) {
            if (!number(nextField(rest), slot) || slot < 0 || slot >= ColorTable::kIndexed) return;
        } else if (slot > ColorTable::kCursor) {
            return;
        }
        const std::string_view spec = nextField(rest);
        std::uint32_t rgb;
        if (spec == "?") colorReply(command == 4 ? 4 : slot - ColorTable::kForeground + 10, slot);
        else if (ColorTable::parseSpec(spec, rgb)) colors.setOverride(slot, rgb);
        if (command != 4) ++slot;
    }
}

void Parser::colorReply(int command, int slot) {
    std::string reply = "\x1b]" + std::to_string(command) + ';';
    if (command == 4) reply += std::to_string(slot) + ';';
    reply += ColorTable::formatSpec(screen_.colorTable().color(slot));
    reply += stringBell_ ? "\x07" : "\x1b\\";
    sendReply(reply);
}

// OSC 104 [; n ...] returns the listed indexed colours (all without a list)
// to the host's; OSC 110, 111, 112 the foreground, background and cursor.
void Parser::resetColors(int command, std::string_view rest) {
    ColorTable& colors = screen_.colorTable();
    if (command != 104) {
        colors.resetOverride(ColorTable::kForeground + (command - 110));
        return;
    }
    if (rest.empty()) {
        for (int i = 0; i < ColorTable::kIndexed; ++i) colors.resetOverride(i);
        return;
    }
    while (!rest.empty()) {
        int index;
        if (number(nextField(rest), index) && index >= 0 && index < ColorTable::kIndexed) colors.resetOverride(index);
    }
}

// DCS $ q Pt ST (DECRQSS): DCS 1 $ r <the setting> ST for SGR, DECSTBM and
// DECSCUSR, DCS 0 $ r ST for anything else.  Other DCS strings are ignored.
void Parser::dispatchDcs() {
    if (oscOverflow_) return;
    const std::string_view text(osc_);
    if (text.substr(0, 2) != "$q") return;
    const std::string setting = statusString(text.substr(2));
    sendReply(setting.empty() ? std::string("\x1bP0$r\x1b\\") : "\x1bP1$r" + setting + "\x1b\\");
}

std::string Parser::statusString(std::string_view request) const {
    const Screen& s = screen_;
    if (request == "m") {
        const CellAttributes& a = s.attributes();
        std::string sgr = "0";
        if (a.bold()) sgr += ";1";
        if (a.dim()) sgr += ";2";
        if (a.italic()) sgr += ";3";
        const UnderlineStyle underline = underlineStyleOf(a, s.decoration().underline);
        if (underline == UnderlineStyle::Single) sgr += ";4";
        else if (underline != UnderlineStyle::None) sgr += ";4:" + std::to_string(int(underline));
        if (a.reverse()) sgr += ";7";
        if (a.hidden()) sgr += ";8";
        if (a.strikethrough()) sgr += ";9";
        if (a.overline()) sgr += ";53";
        appendColor(sgr, a.fg, 30, 90, 38);
        appendColor(sgr, a.bg, 40, 100, 48);
        appendColor(sgr, s.decoration().underlineColor, -1, -1, 58);
        return sgr + 'm';
    }
    if (request == "r") return std::to_string(s.scrollTop() + 1) + ';' + std::to_string(s.scrollBottom() + 1) + 'r';
    if (request == " q") return std::to_string(s.cursorStyle() == 0 ? 1 : s.cursorStyle()) + " q";
    return {};
}

}  // namespace vesper

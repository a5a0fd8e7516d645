// Parsing of the vesper-replay command line.  Numbers outside the int range
// are clamped to it; the screen itself then clamps sizes and limits as it
// does for any caller, so the tool adds no rules of its own.
#include "tools/replay/replay_options.h"

#include <algorithm>
#include <charconv>
#include <climits>

namespace vesper::replay {

const char* const replayUsage =
    "usage: vesper-replay [options] [FILE|-]...   (files concatenated; - or none = stdin)\n"
    "  --cols N --rows N     screen size (default 80 x 24)\n"
    "  --scrollback N        scrollback limit (default 5000)\n"
    "  --chunk N             feed in chunks of N bytes (default 65536)\n"
    "  --screen              print the view rows (default)\n"
    "  --session             print the scrollback and the screen rows instead\n"
    "  --cursor              then print \"cursor ROW COL\"\n"
    "  --lines               then print \"lines FIRST END VIEWTOP SCROLLBACK\"\n"
    "  --cell ROW,COL        (repeatable) then print the view cell's code point and attributes\n"
    "  --replies             then print every device reply\n"
    "  --modes               then print every mode notification\n"
    "  --bench               read all input first, time only the feeding, report on stderr\n";

namespace {

std::optional<int> parseInt(std::string_view text) {
    long long value = 0;
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+') ++begin;
    auto [ptr, ec] = std::from_chars(begin, end, value);
    if (ptr != end || begin == end) return std::nullopt;
    if (ec == std::errc::result_out_of_range) {
        // from_chars leaves value untouched on overflow: clamp by the sign.
        return text.front() == '-' ? INT_MIN : INT_MAX;
    }
    if (ec != std::errc()) return std::nullopt;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

std::optional<CellQuery> parseCell(std::string_view text) {
    auto comma = text.find(',');
    if (comma == std::string_view::npos) return std::nullopt;
    auto row = parseInt(text.substr(0, comma));
    auto column = parseInt(text.substr(comma + 1));
    if (!row || !column) return std::nullopt;
    return CellQuery{*row, *column};
}

}  // namespace

ParseResult parseReplayOptions(const std::vector<std::string>& arguments) {
    ReplayOptions options;
    ParseResult result;
    bool onlyFiles = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string argument = arguments[i];
        if (onlyFiles || argument == "-" || argument.rfind("--", 0) != 0) {
            options.inputs.push_back(argument);
            continue;
        }
        if (argument == "--") {
            onlyFiles = true;
            continue;
        }
        // Both "--cols 80" and "--cols=80" are accepted.
        std::optional<std::string> inlineValue;
        if (auto equals = argument.find('='); equals != std::string::npos) {
            inlineValue = argument.substr(equals + 1);
            argument.resize(equals);
        }
        auto takeValue = [&]() -> std::optional<std::string> {
            if (inlineValue) return inlineValue;
            if (i + 1 < arguments.size()) return arguments[++i];
            return std::nullopt;
        };
        auto takeInt = [&](int& target) {
            auto value = takeValue();
            auto number = value ? parseInt(*value) : std::nullopt;
            if (!number) {
                result.error = argument + " needs a whole number";
                return false;
            }
            target = *number;
            return true;
        };
        bool ok = true;
        if (argument == "--cols") ok = takeInt(options.columns);
        else if (argument == "--rows") ok = takeInt(options.rows);
        else if (argument == "--scrollback") ok = takeInt(options.scrollback);
        else if (argument == "--chunk") {
            ok = takeInt(options.chunk);
            options.chunk = std::max(options.chunk, 1);
        } else if (argument == "--screen") options.session = false;
        else if (argument == "--session") options.session = true;
        else if (argument == "--cursor") options.cursor = true;
        else if (argument == "--lines") options.lines = true;
        else if (argument == "--replies") options.replies = true;
        else if (argument == "--modes") options.modes = true;
        else if (argument == "--bench") options.bench = true;
        else if (argument == "--cell") {
            auto value = takeValue();
            auto cell = value ? parseCell(*value) : std::nullopt;
            if (!cell) {
                result.error = "--cell needs ROW,COL";
                ok = false;
            } else {
                options.cells.push_back(*cell);
            }
        } else if (argument == "--help") {
            result.helpRequested = true;
            return result;
        } else {
            result.error = "unknown option " + argument;
            ok = false;
        }
        if (!ok) return result;
        bool takesValue = argument == "--cols" || argument == "--rows" || argument == "--scrollback" ||
                          argument == "--chunk" || argument == "--cell";
        if (inlineValue && !takesValue) {
            result.error = argument + " takes no value";
            return result;
        }
    }
    result.options = std::move(options);
    return result;
}

}  // namespace vesper::replay

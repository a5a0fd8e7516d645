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
    "  --resize OFFSET:COLSxROWS  (repeatable) resize after OFFSET input bytes\n"
    "  --text L1,C1,L2,C2    (repeatable) then print \"text \" and that range's text (\\ as \\\\, LF as \\n)\n"
    "  --cell-extra ROW,COL  (repeatable) then print the view cell's marks, further attributes, underline\n"
    "                        style and colour, and link\n"
    "  --wrapped             then print \"wrapped\" and the soft-wrapped line numbers\n"
    "  --shell-marks         then print \"shellmark LINE KIND COL [exit=N]\" for each shell mark (OSC 133)\n"
    "  --events              then print titles, icon names, directories, bells and cursor styles\n"
    "  --bench               read all input first, time only the feeding, report on stderr\n"
    "  --memory              report the resident memory after feeding on stderr (rss_kib=, peak_kib=)\n";

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

std::optional<std::vector<int>> parseInts(std::string_view text, char separator, std::size_t count) {
    std::vector<int> values;
    while (true) {
        const auto at = text.find(separator);
        auto value = parseInt(text.substr(0, at));
        if (!value) return std::nullopt;
        values.push_back(*value);
        if (at == std::string_view::npos) break;
        text.remove_prefix(at + 1);
    }
    if (values.size() != count) return std::nullopt;
    return values;
}

std::optional<ResizeStep> parseResize(std::string_view text) {
    const auto colon = text.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    const auto offset = parseInt(text.substr(0, colon));
    const auto size = parseInts(text.substr(colon + 1), 'x', 2);
    if (!offset || *offset < 0 || !size) return std::nullopt;
    return ResizeStep{*offset, (*size)[0], (*size)[1]};
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
        else if (argument == "--memory") options.memory = true;
        else if (argument == "--cell") {
            auto value = takeValue();
            auto cell = value ? parseCell(*value) : std::nullopt;
            if (!cell) {
                result.error = "--cell needs ROW,COL";
                ok = false;
            } else {
                options.cells.push_back(*cell);
            }
        } else if (argument == "--wrapped") {
            options.wrapped = true;
        } else if (argument == "--shell-marks") {
            options.shellMarks = true;
        } else if (argument == "--events") {
            options.events = true;
        } else if (argument == "--resize") {
            auto value = takeValue();
            auto step = value ? parseResize(*value) : std::nullopt;
            if (!step) {
                result.error = "--resize needs OFFSET:COLSxROWS";
                ok = false;
            } else {
                options.resizes.push_back(*step);
            }
        } else if (argument == "--text") {
            auto value = takeValue();
            auto numbers = value ? parseInts(*value, ',', 4) : std::nullopt;
            if (!numbers) {
                result.error = "--text needs L1,C1,L2,C2";
                ok = false;
            } else {
                options.texts.push_back(TextQuery{(*numbers)[0], (*numbers)[1], (*numbers)[2], (*numbers)[3]});
            }
        } else if (argument == "--cell-extra") {
            auto value = takeValue();
            auto cell = value ? parseCell(*value) : std::nullopt;
            if (!cell) {
                result.error = "--cell-extra needs ROW,COL";
                ok = false;
            } else {
                options.cellExtras.push_back(*cell);
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
                          argument == "--chunk" || argument == "--cell" || argument == "--resize" ||
                          argument == "--text" || argument == "--cell-extra";
        if (inlineValue && !takesValue) {
            result.error = argument + " takes no value";
            return result;
        }
    }
    std::stable_sort(options.resizes.begin(), options.resizes.end(),
                     [](const ResizeStep& a, const ResizeStep& b) { return a.offset < b.offset; });
    result.options = std::move(options);
    return result;
}

}  // namespace vesper::replay

// Walks the shell's marks in the order the shell sent them: by line, then
// column, then ShellMarks::rank for marks that share a cell (a command
// without output ends where its output began, and the next prompt starts
// there too).
#include "control/text/command_output.h"

#include <algorithm>
#include <compare>
#include <initializer_list>
#include <tuple>
#include <vector>

namespace vesper {

namespace {

struct MarkAt {
    int line;
    int column;
    int rank;
    ShellMarkKind kind;
    auto operator<=>(const MarkAt &other) const
    {
        return std::tie(line, column, rank) <=> std::tie(other.line, other.column, other.rank);
    }
    bool operator==(const MarkAt &other) const { return (*this <=> other) == 0; }
};

// The marks of `line` in sending order.
std::vector<MarkAt> marksOn(const Screen &screen, int line)
{
    std::vector<MarkAt> marks;
    const ShellMarks held = screen.shellMarks(line);
    if (held.empty())
        return marks;
    for (int k = 0; k < kShellMarkKinds; ++k) {
        const auto kind = ShellMarkKind(k);
        if (held.has(kind))
            marks.push_back({line, held.column(kind), ShellMarks::rank(kind), kind});
    }
    std::sort(marks.begin(), marks.end());
    return marks;
}

// The first mark after `from` of one of `kinds`; none up to the text's end.
std::optional<MarkAt> nextMark(const Screen &screen, const MarkAt &from, std::initializer_list<ShellMarkKind> kinds)
{
    for (int line = std::max(from.line, screen.firstLine()); line < screen.endLine(); ++line)
        for (const MarkAt &mark : marksOn(screen, line))
            if (from < mark && std::find(kinds.begin(), kinds.end(), mark.kind) != kinds.end())
                return mark;
    return std::nullopt;
}

} // namespace

std::optional<Selection> commandOutputAround(const Screen &screen, int line)
{
    if (line < screen.firstLine() || line >= screen.endLine())
        return std::nullopt;
    // The command's block starts at the last prompt that starts at or before
    // the line's start (the text's start when there is none).
    MarkAt block{screen.firstLine(), -1, -1, ShellMarkKind::PromptStart};
    bool found = false;
    for (int number = line; number >= screen.firstLine() && !found; --number) {
        const std::vector<MarkAt> marks = marksOn(screen, number);
        for (auto mark = marks.rbegin(); mark != marks.rend(); ++mark) {
            if (mark->kind == ShellMarkKind::PromptStart && (number < line || mark->column == 0)) {
                block = *mark;
                found = true;
                break;
            }
        }
    }
    const std::optional<MarkAt> output =
        nextMark(screen, block, {ShellMarkKind::OutputStart, ShellMarkKind::PromptStart});
    if (!output || output->kind != ShellMarkKind::OutputStart)
        return std::nullopt;
    const std::optional<MarkAt> end = nextMark(screen, *output, {ShellMarkKind::CommandEnd, ShellMarkKind::PromptStart});
    SelectionEnd last = end ? SelectionEnd{end->line, end->column}
                            : SelectionEnd{screen.screenTopLine() + screen.cursorRow(), screen.cursorColumn()};
    // Output that ends with a line feed ends on the line before: the
    // selection takes no empty line after it.
    if (last.column == 0 && last.line > output->line)
        last = {last.line - 1, screen.columns()};
    const SelectionEnd first{output->line, output->column};
    if (!(first < last))
        return std::nullopt;
    return Selection{first, last, true};
}

} // namespace vesper

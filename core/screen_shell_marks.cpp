// Screen: the shell's marks (OSC 133), recorded at the cursor and found
// again by line for navigation: the prompts, and the exit code of the
// command a line of output belongs to.  Searches walk the held lines; a
// line without marks costs one pointer test.
#include <algorithm>

#include "core/screen.h"

namespace vesper {

void Screen::setShellMark(ShellMarkKind kind, std::optional<int> exitCode) {
    lines_.setShellMark(cursorRow_, reportedColumn(), kind, exitCode);
}

int Screen::promptLineBefore(int line) const {
    for (int number = std::min(line, endLine()) - 1; number >= firstLine(); --number)
        if (shellMarks(number).has(ShellMarkKind::PromptStart)) return number;
    return -1;
}

int Screen::promptLineAfter(int line) const {
    for (int number = std::max(line + 1, firstLine()); number < endLine(); ++number)
        if (shellMarks(number).has(ShellMarkKind::PromptStart)) return number;
    return -1;
}

namespace {

// The mark of `marks` that comes last in sending order among those at
// columns up to `column`; -1 when there is none.
int lastMarkUpTo(const ShellMarks& marks, int column) {
    int best = -1, bestColumn = -1, bestRank = -1;
    for (int k = 0; k < kShellMarkKinds; ++k) {
        const auto kind = ShellMarkKind(k);
        const int c = marks.column(kind);
        if (c < 0 || c > column) continue;
        const int rank = ShellMarks::rank(kind);
        if (c > bestColumn || (c == bestColumn && rank > bestRank)) {
            best = k;
            bestColumn = c;
            bestRank = rank;
        }
    }
    return best;
}

}  // namespace

std::optional<int> Screen::outputExitCode(int line) const {
    if (line < firstLine() || line >= endLine()) return std::nullopt;
    // The line's start lies in a command's output when the last mark at or
    // before it opened the output (C) ...
    int outputLine = -1;
    int outputColumn = 0;
    for (int number = line; number >= firstLine() && outputLine < 0; --number) {
        const ShellMarks marks = shellMarks(number);
        if (marks.empty()) continue;
        const int last = lastMarkUpTo(marks, number == line ? 0 : columns_);
        if (last < 0) continue;
        if (ShellMarkKind(last) != ShellMarkKind::OutputStart) return std::nullopt;
        outputLine = number;
        outputColumn = marks.column(ShellMarkKind::OutputStart);
    }
    if (outputLine < 0) return std::nullopt;
    // ... and the code is the one of the command end that closes it, unless
    // a new prompt or command came first (the shell never reported the end).
    for (int number = outputLine; number < endLine(); ++number) {
        const ShellMarks marks = shellMarks(number);
        if (marks.empty()) continue;
        const int from = number == outputLine ? outputColumn : 0;
        const int after = number == outputLine ? ShellMarks::rank(ShellMarkKind::OutputStart) : -1;
        int nextRank = kShellMarkKinds, next = -1, nextColumn = columns_ + 1;
        for (int k = 0; k < kShellMarkKinds; ++k) {
            const int c = marks.column(ShellMarkKind(k));
            const int rank = ShellMarks::rank(ShellMarkKind(k));
            if (c < from || (c == from && rank <= after)) continue;
            if (c < nextColumn || (c == nextColumn && rank < nextRank)) {
                next = k;
                nextColumn = c;
                nextRank = rank;
            }
        }
        if (next < 0) continue;
        if (ShellMarkKind(next) != ShellMarkKind::CommandEnd) return std::nullopt;
        return marks.exitCode();
    }
    return std::nullopt;
}

}  // namespace vesper

// Formatting of what vesper-replay prints.  Every line is built here so that
// the format other tools parse is defined in one file.
#include "tools/replay/screen_report.h"

#include <cstdio>

namespace vesper::replay {

std::string cursorLine(const Screen& screen) {
    return "cursor " + std::to_string(screen.cursorRow()) + " " + std::to_string(screen.cursorColumn());
}

std::string linesLine(const Screen& screen) {
    return "lines " + std::to_string(screen.firstLine()) + " " + std::to_string(screen.endLine()) + " " +
           std::to_string(screen.viewTopLine()) + " " + std::to_string(screen.scrollbackLineCount());
}

std::string cellLine(const Screen& screen, int row, int column) {
    const Cell& cell = screen.viewCellAt(column, row);
    const CellAttributes& a = cell.attributes();
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, "cell %d %d U+%04X fg=%d bg=%d b=%d i=%d u=%d r=%d s=%d w=%d", row, column,
                  unsigned(cell.codePoint()), int(a.fg), int(a.bg), int(a.bold()), int(a.italic()), int(a.underline()),
                  int(a.reverse()), int(a.strikethrough()), int(cell.wideContinuation()));
    return buffer;
}

std::string replyLine(const std::string& bytes) {
    std::string line = "reply ";
    for (char c : bytes) {
        if (c == '\x1b') line += "\\e";
        else line += c;
    }
    return line;
}

std::string modeLine(int mode, bool set, bool isPrivate) {
    return "mode " + std::to_string(mode) + (set ? " set" : " reset") + (isPrivate ? " private" : " ansi");
}

std::string textLine(const Screen& screen, int startLine, int startColumn, int endLine, int endColumn) {
    std::string line = "text ";
    for (char c : screen.rangeText(startLine, startColumn, endLine, endColumn)) {
        if (c == '\\') line += "\\\\";
        else if (c == '\n') line += "\\n";
        else line += c;
    }
    return line;
}

namespace {
// "-" for the text colour, the palette index, or #rrggbb.
std::string colorText(ColorValue color) {
    if (color == kDefaultColor) return "-";
    if ((color & kDirectColorFlag) == 0) return std::to_string(color);
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "#%06x", unsigned(color & 0xFFFFFF));
    return buffer;
}
}  // namespace

std::string cellExtraLine(const Screen& screen, int row, int column) {
    const CellAttributes& a = screen.viewCellAt(column, row).attributes();
    const CellDecoration decoration = screen.viewDecorationAt(column, row);
    std::string marks;
    for (char32_t mark : screen.viewMarksAt(column, row)) {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "%sU+%04X", marks.empty() ? "" : ",", unsigned(mark));
        marks += buffer;
    }
    const std::string_view link = screen.viewLinkAt(column, row);
    return "extra " + std::to_string(row) + " " + std::to_string(column) + " marks=" + (marks.empty() ? "-" : marks) +
           " dim=" + std::to_string(int(a.dim())) + " hidden=" + std::to_string(int(a.hidden())) +
           " dunder=" + std::to_string(int(a.doubleUnderline())) + " over=" + std::to_string(int(a.overline())) +
           " ustyle=" + std::to_string(int(decoration.underline)) + " ucolor=" + colorText(decoration.underlineColor) +
           " link=" + (link.empty() ? std::string("-") : std::string(link));
}

std::string wrappedLine(const Screen& screen) {
    std::string line = "wrapped";
    for (int number = screen.firstLine(); number < screen.endLine(); ++number)
        if (screen.isLineWrapped(number)) line += " " + std::to_string(number);
    return line;
}

std::vector<std::string> shellMarkLines(const Screen& screen) {
    std::vector<std::string> out;
    for (int number = screen.firstLine(); number < screen.endLine(); ++number) {
        const ShellMarks marks = screen.shellMarks(number);
        for (int column = 0; !marks.empty() && column < screen.columns(); ++column)
            for (const ShellMarkKind kind : {ShellMarkKind::OutputStart, ShellMarkKind::CommandEnd,
                                             ShellMarkKind::PromptStart, ShellMarkKind::CommandStart}) {
                if (marks.column(kind) != column) continue;
                std::string line = "shellmark " + std::to_string(number) + " " + char('A' + int(kind)) + " " +
                                   std::to_string(column);
                if (kind == ShellMarkKind::CommandEnd && marks.exitCode())
                    line += " exit=" + std::to_string(*marks.exitCode());
                out.push_back(std::move(line));
            }
    }
    return out;
}

}  // namespace vesper::replay

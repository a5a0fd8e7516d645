// Scrollback size and text extraction: the texts of lines, view rows, the
// whole view, the whole session, scrollback lines and selection ranges as
// UTF-8.  Texts are built on each
// call; a wide character yields one character for its two cells.
#include <algorithm>
#include <vector>

#include <utf8proc.h>

#include "core/screen.h"

namespace vesper {

namespace {

void appendCodePoint(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(char(cp));
        return;
    }
    utf8proc_uint8_t buffer[4];
    const auto length = utf8proc_encode_char(utf8proc_int32_t(cp), buffer);
    out.append(reinterpret_cast<const char*>(buffer), std::size_t(length));
}

// A cell's character followed by its marks; nothing for the right half of a
// wide character.
void appendCell(std::string& out, const LineView& line, int column) {
    const Cell& cell = line[column];
    if (cell.wideContinuation()) return;
    appendCodePoint(out, cell.codePoint() == 0 ? kSpace : cell.codePoint());
    for (char32_t mark : line.marksAt(column)) appendCodePoint(out, mark);
}

void appendLineText(std::string& out, const LineView& line) {
    for (int column = 0; column < line.size(); ++column) appendCell(out, line, column);
}

std::string lineCellsText(const LineView& line) {
    std::string out;
    out.reserve(std::size_t(line.size()));
    appendLineText(out, line);
    return out;
}

// The texts of `count` lines joined by LF, no LF at the end.
template <typename LineAt>
std::string joinedLines(int count, int columns, LineAt&& lineAt) {
    std::string out;
    out.reserve(std::size_t(std::max(count, 0)) * std::size_t(columns + 1));
    for (int i = 0; i < count; ++i) {
        if (i > 0) out.push_back('\n');
        appendLineText(out, lineAt(i));
    }
    return out;
}

}  // namespace

void Screen::setScrollbackSize(int lines) {
    LineStore& primary = alternateActive_ ? *otherLines_ : lines_;
    primary.setScrollbackLimit(lines);
    const int count = scrollbackLineCount();
    if (viewOffset_ > count) {
        viewOffset_ = count;
        viewScrolled_ = count > 0;
    }
}

std::string Screen::lineText(int line) const { return lineCellsText(lines_.line(line)); }

std::string Screen::viewRowText(int row) const { return lineCellsText(viewLine(row)); }

std::string Screen::screenText() const {
    return joinedLines(rows_, columns_, [this](int row) { return viewLine(row); });
}

// Packed lines without marks give their text straight from their packed
// bytes (most of a long session), through a one-line buffer that stays in
// cache; the others are read cell by cell.  The result is reserved at once
// (a line's text is its columns for ASCII): growing a string of many
// megabytes copies it and touches fresh pages at every step.
std::string Screen::sessionText() const {
    std::string out;
    out.reserve(std::size_t(endLine() - firstLine()) * std::size_t(columns_ + 1));
    std::vector<char> line;
    for (int number = firstLine(); number < endLine(); ++number) {
        if (number > firstLine()) out.push_back('\n');
        std::size_t used = 0;
        if (lines_.packedText(number, line, used, columns_))
            out.append(line.data(), used);
        else
            appendLineText(out, lines_.line(number));
    }
    return out;
}

std::string Screen::scrollbackLineText(int index) const {
    if (index < 0 || index >= scrollbackLineCount()) return {};
    return lineText(firstLine() + index);
}

std::vector<std::string> Screen::scrollbackLines() const {
    std::vector<std::string> texts;
    const int count = scrollbackLineCount();
    texts.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i) texts.push_back(scrollbackLineText(i));
    return texts;
}

std::string Screen::pieceText(const LineView& line, int startCol, int endCol, bool trim) const {
    std::string out;
    if (!line) return out;
    const int from = std::max(startCol, 0);
    const int to = int(std::min<std::int64_t>(endCol, line.size()));
    for (int col = from; col < to; ++col) appendCell(out, line, col);
    if (trim) out.erase(out.find_last_not_of(' ') + 1);  // npos + 1 == 0 empties an all-blank piece
    return out;
}

std::string Screen::lineRangeText(int line, int startCol, int endCol) const {
    return pieceText(lines_.line(line), startCol, endCol, true);
}

std::string Screen::rangeText(int startLine, int startCol, int endLine, int endCol) const {
    if (endLine < startLine || (endLine == startLine && endCol <= startCol)) return {};
    const int from = std::max(startLine, firstLine());
    const int to = std::min(endLine, this->endLine() - 1);
    if (from > to) return {};
    std::string out;
    for (int line = from; line <= to; ++line) {
        const LineView view = lines_.line(line);
        // A soft-wrapped row runs on into the next: no trimming, no line feed.
        const bool joins = line < to && view.wrapped();
        out += pieceText(view, line == from ? startCol : 0, line == to ? endCol : columns_, !joins);
        if (line < to && !joins) out.push_back('\n');
    }
    return out;
}

}  // namespace vesper

// Scrollback size and text extraction: the texts of lines, view rows,
// scrollback lines and selection ranges as UTF-8.  Texts are built on each
// call; a wide character yields one character for its two cells.
#include <algorithm>

#include <utf8proc.h>

#include "core/screen.h"

namespace vesper {

namespace {

void appendCell(std::string& out, const Cell& cell) {
    if (cell.wideContinuation) return;
    const std::uint32_t cp = cell.codePoint == 0 ? kSpace : cell.codePoint;
    if (cp < 0x80) {
        out.push_back(char(cp));
        return;
    }
    utf8proc_uint8_t buffer[4];
    const auto length = utf8proc_encode_char(utf8proc_int32_t(cp), buffer);
    out.append(reinterpret_cast<const char*>(buffer), std::size_t(length));
}

std::string lineCellsText(const Line* line) {
    std::string out;
    if (!line) return out;
    out.reserve(line->size());
    for (const Cell& cell : *line) appendCell(out, cell);
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
        markAllDirty();
    }
}

std::string Screen::lineText(int line) const { return lineCellsText(lines_.lineAtNumber(line)); }

std::string Screen::viewRowText(int row) const {
    if (row < 0 || row >= rows_) return {};
    return lineText(viewTopLine() + row);
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

std::string Screen::lineRangeText(int line, int startCol, int endCol) const {
    const Line* cells = lines_.lineAtNumber(line);
    std::string out;
    if (!cells) return out;
    const int from = std::max(startCol, 0);
    const int to = std::min<std::int64_t>(endCol, std::int64_t(cells->size()));
    for (int col = from; col < to; ++col) appendCell(out, (*cells)[std::size_t(col)]);
    out.erase(out.find_last_not_of(' ') + 1);  // npos + 1 == 0 empties an all-blank piece
    return out;
}

std::string Screen::rangeText(int startLine, int startCol, int endLine, int endCol) const {
    if (endLine < startLine || (endLine == startLine && endCol <= startCol)) return {};
    const int from = std::max(startLine, firstLine());
    const int to = std::min(endLine, this->endLine() - 1);
    if (from > to) return {};
    if (from == to) return lineRangeText(from, startCol, endCol);
    std::string out = lineRangeText(from, startCol, columns_);
    for (int line = from + 1; line < to; ++line) {
        out.push_back('\n');
        out += lineRangeText(line, 0, columns_);
    }
    out.push_back('\n');
    out += lineRangeText(to, 0, endCol);
    return out;
}

}  // namespace vesper

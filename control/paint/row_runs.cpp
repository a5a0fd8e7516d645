// Row splitting for painting. Walks the view row once; each cell either joins
// the current run (same attributes, or a continuation cell) or starts the
// next one.
#include "control/paint/row_runs.h"

#include "core/screen.h"

#include <QChar>

namespace vesper {

namespace {

void appendCodePoint(std::u16string &text, std::uint32_t cp)
{
    if (cp == 0)
        cp = kSpace;
    if (cp < 0x10000) {
        text.push_back(static_cast<char16_t>(cp));
    } else {
        cp -= 0x10000;
        text.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        text.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    }
}

} // namespace

void splitRowIntoRuns(const Screen &screen, int row, RowRuns &out)
{
    out.text.clear();
    out.runs.clear();
    const int columns = screen.columns();
    // The row's line is looked up once; positions it does not hold read as
    // the default blank cell, as Screen::viewCellAt answers them.
    const LineView line = screen.viewLine(row);
    const int held = line ? line.size() : 0;
    static const Cell blank;
    AttributeRun *run = nullptr;
    for (int column = 0; column < columns; ++column) {
        const Cell &cell = column < held ? line[column] : blank;
        if (cell.wideContinuation()) {
            // Continuations join the run before them and never start one.
            if (run)
                ++run->width;
            continue;
        }
        const CellAttributes attributes = cell.attributes();
        // Only underlined cells look their decoration up: other rows pay nothing.
        const CellDecoration decoration = attributes.underline() || attributes.doubleUnderline()
                                              ? line.decorationAt(column)
                                              : CellDecoration();
        if (!run || !(attributes == run->attributes) || !(decoration == run->decoration)) {
            AttributeRun next;
            next.startColumn = column;
            next.attributes = attributes;
            next.decoration = decoration;
            next.textStart = static_cast<int>(out.text.size());
            out.runs.push_back(next);
            run = &out.runs.back();
        }
        const std::uint32_t cp = cell.codePoint() == 0 ? kSpace : cell.codePoint();
        const std::size_t before = out.text.size();
        appendCodePoint(out.text, cp);
        run->textLength += static_cast<int>(out.text.size() - before);
        ++run->width;
        if (cp < 0x20 || cp > 0x7E)
            run->printableAscii = false;
        // Blank means "trims to nothing": any Unicode white space counts.
        if (!QChar::isSpace(static_cast<char32_t>(cp)))
            run->blank = false;
        // Combining marks are drawn with their character, cell by cell.
        if (line.hasMarks(column))
            run->printableAscii = run->blank = false;
    }
}

} // namespace vesper

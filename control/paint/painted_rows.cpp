// The record of painted rows: cells copied at paint time, compared with the
// screen's view when output arrives. Rows are matched through the view's top
// line number, which grows by one for every line the screen scrolls into the
// scrollback, so a scrolled row is compared with the record of the row it
// was painted on.
#include "control/paint/painted_rows.h"

#include <algorithm>
#include <limits>

#include "core/screen.h"

namespace vesper {

namespace {

const Cell kBlank{};

// The cell that painting shows at `column` of a held line.
const Cell &shownCell(const LineView &line, int column) { return line && column < line.size() ? line[column] : kBlank; }

// The decoration a cell is painted with: only an underline shows one.
CellDecoration shownDecoration(const LineView &line, int column, const Cell &cell)
{
    const CellAttributes a = cell.attributes();
    return line && column < line.size() && (a.underline() || a.doubleUnderline()) ? line.decorationAt(column)
                                                                                   : CellDecoration();
}

} // namespace

void PaintedRows::forget()
{
    m_known = false;
    for (Record &r : m_records)
        r.known = false;
}

void PaintedRows::resize(int columns, int rows)
{
    if (m_columns == columns && int(m_records.size()) == rows)
        return;
    m_columns = columns;
    m_cells.assign(std::size_t(columns) * std::size_t(rows), Cell());
    m_records.assign(std::size_t(rows), Record());
}

void PaintedRows::beginPaint(const FrameLook &look, int viewTopLine)
{
    if (!m_known || !(look == m_look) || viewTopLine != m_viewTopLine) {
        resize(look.columns, look.rows);
        forget();
    }
    m_look = look;
    m_viewTopLine = viewTopLine;
    m_known = true;
}

void PaintedRows::recordRow(const Screen &screen, int row, const RowOverlay &overlay)
{
    if (row < 0 || row >= int(m_records.size()))
        return;
    Record &record = m_records[std::size_t(row)];
    record.known = true;
    record.overlay = overlay;
    record.marks.clear();
    record.decorations.clear();
    const LineView line = screen.viewLine(row);
    Cell *out = m_cells.data() + std::size_t(row) * std::size_t(m_columns);
    for (int column = 0; column < m_columns; ++column) {
        out[column] = shownCell(line, column);
        if (line) {
            const CellMarks marks = line.marksAt(column);
            if (!marks.empty())
                record.marks.emplace_back(column, std::u32string(marks.view()));
            if (const CellDecoration d = shownDecoration(line, column, out[column]); d.needsStoring())
                record.decorations.emplace_back(column, d);
        }
    }
}

void PaintedRows::forgetRow(int row)
{
    if (row >= 0 && row < int(m_records.size()))
        m_records[std::size_t(row)].known = false;
}

bool PaintedRows::sameRow(const Screen &screen, int row, const Record &record, const Cell *cells) const
{
    const LineView line = screen.viewLine(row);
    std::size_t mark = 0;
    std::size_t decoration = 0;
    for (int column = 0; column < m_columns; ++column) {
        if (!(shownCell(line, column) == cells[column]))
            return false;
        const CellMarks marks = line.marksAt(column);
        const bool recorded = mark < record.marks.size() && record.marks[mark].first == column;
        if (recorded ? marks != record.marks[mark].second : !marks.empty())
            return false;
        mark += recorded ? 1 : 0;
        const CellDecoration d = shownDecoration(line, column, cells[column]);
        const bool decorated = decoration < record.decorations.size() && record.decorations[decoration].first == column;
        if (decorated ? !(d == record.decorations[decoration].second) : d.needsStoring())
            return false;
        decoration += decorated ? 1 : 0;
    }
    return mark == record.marks.size() && decoration == record.decorations.size();
}

// How many rows the view's content moved up since the paint; a far jump
// (the core renumbering its lines, a switch of screens) is out of range and
// repaints everything.
int PaintedRows::scrollHint(const Screen &screen) const
{
    const std::int64_t shift = std::int64_t{screen.viewTopLine()} - m_viewTopLine;
    return int(std::clamp<std::int64_t>(shift, std::numeric_limits<int>::min() / 2, std::numeric_limits<int>::max() / 2));
}

void PaintedRows::scroll(int rows)
{
    const int count = int(m_records.size());
    m_viewTopLine += rows;
    if (rows == 0)
        return;
    if (rows >= count || rows <= -count) {
        forget();
        m_known = true; // the look and the top line still hold
        return;
    }
    const std::size_t stride = std::size_t(m_columns);
    if (rows > 0) {
        std::rotate(m_cells.begin(), m_cells.begin() + std::ptrdiff_t(std::size_t(rows) * stride), m_cells.end());
        std::rotate(m_records.begin(), m_records.begin() + rows, m_records.end());
        for (int r = count - rows; r < count; ++r)
            m_records[std::size_t(r)].known = false;
    } else {
        std::rotate(m_cells.rbegin(), m_cells.rbegin() + std::ptrdiff_t(std::size_t(-rows) * stride), m_cells.rend());
        std::rotate(m_records.rbegin(), m_records.rbegin() + (-rows), m_records.rend());
        for (int r = 0; r < -rows; ++r)
            m_records[std::size_t(r)].known = false;
    }
}

} // namespace vesper

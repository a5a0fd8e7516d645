// AccessibleTextModel: built row by row from the line store of the view; the
// column boundaries of each row are recorded while its text is appended, so
// that every mapping afterwards is a lookup or a binary search.
#include "control/accessibility/accessible_text_model.h"

#include <algorithm>

#include "core/screen.h"

namespace vesper {

namespace {

void appendCodePoint(QString &text, char32_t cp)
{
    if (QChar::requiresSurrogates(cp)) {
        text += QChar(QChar::highSurrogate(cp));
        text += QChar(QChar::lowSurrogate(cp));
    } else {
        text += QChar(char16_t(cp));
    }
}

} // namespace

void AccessibleTextModel::build(const Screen &screen, int keepRow, int keepColumn)
{
    m_rows = screen.rows();
    m_columns = screen.columns();
    m_viewTopLine = screen.viewTopLine();
    m_text.clear();
    m_text.reserve(qsizetype(m_rows) * (m_columns + 1));
    m_rowStarts.assign(std::size_t(m_rows), 0);
    m_boundaries.assign(std::size_t(m_rows) * std::size_t(m_columns + 1), 0);
    m_continuation.assign(std::size_t(m_rows) * std::size_t(m_columns), false);

    const Cell blank;
    bool joined = false; // the row above wraps into this one
    for (int row = 0; row < m_rows; ++row) {
        if (row > 0 && !joined)
            m_text += QLatin1Char('\n');
        const int start = length();
        m_rowStarts[std::size_t(row)] = start;
        const LineView line = screen.viewLine(row);
        int *bounds = m_boundaries.data() + std::size_t(row) * std::size_t(m_columns + 1);
        // A row that wraps into the next keeps all its cells: its text goes
        // on there, and a blank at the margin is part of it.
        joined = row + 1 < m_rows && line.wrapped();
        const int kept = joined ? m_columns : row == keepRow ? keepColumn : 0;
        int end = start; // after the last character that stays
        for (int column = 0; column < m_columns; ++column) {
            bounds[column] = length();
            const Cell &cell = line && column < line.size() ? line[column] : blank;
            if (cell.wideContinuation()) {
                m_continuation[std::size_t(row) * std::size_t(m_columns) + std::size_t(column)] = true;
                continue;
            }
            const char32_t cp = cell.codePoint() == 0 ? char32_t(kSpace) : char32_t(cell.codePoint());
            appendCodePoint(m_text, cp);
            if (cp != kSpace || column < kept)
                end = length();
        }
        m_text.truncate(end);
        for (int column = 0; column < m_columns; ++column)
            bounds[column] = std::min(bounds[column], end);
        bounds[m_columns] = end;
    }
}

int AccessibleTextModel::rowOf(int offset) const
{
    const auto it = std::upper_bound(m_rowStarts.begin(), m_rowStarts.end(), offset);
    return std::max(int(it - m_rowStarts.begin()) - 1, 0);
}

int AccessibleTextModel::rowStart(int row) const
{
    if (m_rows == 0)
        return 0;
    return m_rowStarts[std::size_t(std::clamp(row, 0, m_rows - 1))];
}

int AccessibleTextModel::offsetAt(int row, int column) const
{
    if (m_rows == 0)
        return 0;
    return boundaries(std::clamp(row, 0, m_rows - 1))[std::clamp(column, 0, m_columns)];
}

int AccessibleTextModel::offsetOfCell(int row, int column) const
{
    if (m_rows == 0)
        return 0;
    row = std::clamp(row, 0, m_rows - 1);
    column = std::clamp(column, 0, m_columns);
    if (column < m_columns && column > 0 && m_continuation[std::size_t(row) * std::size_t(m_columns) + std::size_t(column)])
        --column;
    return boundaries(row)[column];
}

AccessibleTextModel::CellSpan AccessibleTextModel::cellAt(int offset) const
{
    if (m_rows == 0)
        return {};
    offset = std::clamp(offset, 0, length());
    const int row = rowOf(offset);
    const int *bounds = boundaries(row);
    const auto continuation = [&](int column) {
        return column < m_columns && m_continuation[std::size_t(row) * std::size_t(m_columns) + std::size_t(column)];
    };
    int column;
    if (offset >= bounds[m_columns]) {
        // The line end: the first cell after the text.
        column = int(std::lower_bound(bounds, bounds + m_columns, offset) - bounds);
        while (continuation(column))
            ++column;
    } else {
        column = int(std::upper_bound(bounds, bounds + m_columns, offset) - bounds) - 1;
    }
    column = std::clamp(column, 0, m_columns - 1);
    return {row, column, continuation(column + 1) ? 2 : 1};
}

AccessibleTextModel::CellSpan AccessibleTextModel::boundaryAt(int offset) const
{
    if (m_rows == 0)
        return {};
    offset = std::clamp(offset, 0, length());
    const int row = rowOf(offset);
    const int *bounds = boundaries(row);
    const int column = int(std::lower_bound(bounds, bounds + m_columns + 1, offset) - bounds);
    return {row, std::min(column, m_columns), 0};
}

} // namespace vesper

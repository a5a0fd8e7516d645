// Paragraph text with cell positions; see wrapped_text.h.
#include "control/text/wrapped_text.h"

#include "core/cell.h"
#include "core/screen.h"

#include <algorithm>

namespace vesper {

WrappedText WrappedText::window(const Screen &screen, TextPosition cell, int radius)
{
    if (cell.line < screen.firstLine() || cell.line >= screen.endLine())
        return {};
    // Whole lines on either side, one more than the radius needs: the cell
    // may sit anywhere on its own line.
    const int reach = radius / std::max(screen.columns(), 1) + 1;
    int first = cell.line;
    while (first > screen.firstLine() && cell.line - first < reach && screen.isLineWrapped(first - 1))
        --first;
    int last = cell.line;
    while (last + 1 < screen.endLine() && last - cell.line < reach && screen.isLineWrapped(last))
        ++last;
    return lines(screen, first, last);
}

WrappedText WrappedText::lines(const Screen &screen, int first, int last)
{
    WrappedText out;
    first = std::max(first, screen.firstLine());
    last = std::min(last, screen.endLine() - 1);
    if (first > last)
        return out;
    out.m_firstLine = first;
    out.m_lastLine = first - 1;
    out.m_cutBefore = first > screen.firstLine() && screen.isLineWrapped(first - 1);
    out.m_cutAfter = last + 1 < screen.endLine() && screen.isLineWrapped(last);
    // Every cell of a row is text (lineText trims nothing), so a blank at the
    // margin before a wrap stays between the rows' texts.
    for (int l = first; l <= last; ++l)
        out.appendLine(screen, l);
    return out;
}

void WrappedText::appendLine(const Screen &screen, int line)
{
    const std::string utf8 = screen.lineText(line);
    const QString text = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
    // The line text holds one character per cell (two cells for a wide
    // one), each followed by the marks that combine with it.
    int column = 0;
    int previousColumn = 0;
    for (qsizetype k = 0; k < text.size();) {
        const qsizetype units = text.at(k).isHighSurrogate() && k + 1 < text.size() ? 2 : 1;
        const char32_t cp = units == 2 ? QChar::surrogateToUcs4(text.at(k), text.at(k + 1)) : text.at(k).unicode();
        const int width = cellWidth(cp);
        const int at = width == 0 ? previousColumn : column;
        for (qsizetype u = 0; u < units; ++u) {
            m_lines.push_back(line);
            m_columns.push_back(at);
            m_widths.push_back(static_cast<signed char>(width == 0 ? 1 : width));
        }
        if (width > 0) {
            previousColumn = column;
            column += width;
        }
        k += units;
    }
    m_text += text;
    m_lastLine = line;
}

TextPosition WrappedText::positionOf(qsizetype unit) const
{
    if (unit < 0 || m_lines.empty())
        return {m_firstLine, 0};
    if (std::size_t(unit) >= m_lines.size())
        return endOf(qsizetype(m_lines.size()) - 1);
    return {m_lines[std::size_t(unit)], m_columns[std::size_t(unit)]};
}

TextPosition WrappedText::endOf(qsizetype unit) const
{
    if (unit < 0 || std::size_t(unit) >= m_lines.size())
        return positionOf(unit);
    const std::size_t u = std::size_t(unit);
    return {m_lines[u], m_columns[u] + m_widths[u]};
}

qsizetype WrappedText::unitAt(TextPosition position) const
{
    for (std::size_t u = 0; u < m_lines.size(); ++u) {
        if (m_lines[u] > position.line || (m_lines[u] == position.line && m_columns[u] >= position.column))
            return qsizetype(u);
    }
    return qsizetype(m_lines.size());
}

qsizetype WrappedText::unitCovering(TextPosition position) const
{
    for (std::size_t u = 0; u < m_lines.size(); ++u) {
        if (m_lines[u] == position.line && m_columns[u] <= position.column && position.column < m_columns[u] + m_widths[u])
            return qsizetype(u);
    }
    return qsizetype(m_lines.size());
}

} // namespace vesper

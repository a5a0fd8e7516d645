#include "control/text/selection_watch.h"

#include <QHashFunctions>

#include "core/screen.h"

namespace vesper {

namespace {

// The cell's visible content, field by field: the raw bytes of a Cell hold
// padding that two equal cells need not share.
std::uint64_t cellKey(const Cell &cell)
{
    const CellAttributes &a = cell.attributes();
    const std::uint32_t flags = a.bold() | a.italic() << 1 | a.underline() << 2 | a.reverse() << 3 | a.strikethrough() << 4
                                | a.dim() << 5 | a.hidden() << 6 | a.doubleUnderline() << 7 | a.overline() << 8
                                | std::uint32_t(cell.wideContinuation()) << 9;
    return (std::uint64_t(cell.codePoint()) << 32 | flags) ^ (std::uint64_t(std::uint32_t(a.fg)) << 40)
           ^ (std::uint64_t(std::uint32_t(a.bg)) << 10);
}

} // namespace

std::uint64_t SelectionWatch::lineHash(const Screen &screen, int line, int from, int to)
{
    const LineView view = screen.lineStore().line(line);
    if (!view)
        return 0;
    std::size_t seed = view.wrapped();
    for (int column = from; column < to && column < view.size(); ++column) {
        seed = qHashMulti(seed, cellKey(view[column]), view.linkAt(column));
        const CellMarks marks = view.marksAt(column);
        if (!marks.empty())
            seed = qHashMulti(seed, qHashRange(marks.begin(), marks.end()));
    }
    return seed;
}

void SelectionWatch::watch(const Screen &screen, const Selection &selection)
{
    m_selection = selection;
    m_hashes.clear();
    if (!selection.selectsText())
        return;
    m_firstHashedLine = std::max(selection.first().line, screen.screenTopLine());
    for (int line = m_firstHashedLine; line <= selection.last().line && line < screen.endLine(); ++line) {
        int from = 0;
        int to = 0;
        selection.columnsOn(line, screen.columns(), from, to);
        m_hashes.push_back(lineHash(screen, line, from, to));
    }
}

void SelectionWatch::clear()
{
    m_selection = {};
    m_hashes.clear();
}

bool SelectionWatch::changed(const Screen &screen) const
{
    if (!m_selection.selectsText())
        return false;
    if (m_selection.first().line < screen.firstLine())
        return true;
    for (std::size_t i = 0; i < m_hashes.size(); ++i) {
        const int line = m_firstHashedLine + int(i);
        int from = 0;
        int to = 0;
        m_selection.columnsOn(line, screen.columns(), from, to);
        if (lineHash(screen, line, from, to) != m_hashes[i])
            return true;
    }
    return false;
}

void SelectionWatch::shiftLines(std::int32_t shift)
{
    m_selection.shiftLines(shift);
    m_firstHashedLine -= shift;
}

} // namespace vesper

// TerminalControl search: find() walks the lines of the scrollback and screen
// from the selection (or the bottom of the view) in one direction, wrapping
// around once, selects the first occurrence and scrolls it into view. A match
// may run on across soft wraps (LineSearch), so one broken only by the right
// margin is found; each line is read about once, however long its paragraph.
//
// A search of a large store runs in slices of at most kFindSliceMs; between
// two slices the event loop makes one pass without user input (paints,
// timers, the session's output), so the application stays live while the
// call still returns the hit or the miss. Output that arrives meanwhile is
// searched as it then stands; a slot that deletes the control during a pass
// ends the search with false; a find() started from such a pass runs without
// slices.
#include "control/terminal_control.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>

#include <algorithm>

#include "control/text/line_search.h"

namespace vesper {

namespace {

constexpr qint64 kFindSliceMs = 10;
constexpr int kLinesPerClockRead = 64;
// countMatches stops after this long, whatever it has counted by then.
constexpr qint64 kCountBudgetMs = 50;

} // namespace

bool TerminalControl::find(const QString &text, bool backward, bool caseSensitive)
{
    if (text.isEmpty())
        return false;
    LineSearch search(m_screen, text, caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive);

    // Forward searches start after the selection, backward ones before it.
    TextPosition anchor{m_screen.viewTopLine() + m_rows - 1, m_columns};
    if (hasSelection()) {
        const SelectionEnd from = backward ? m_selection.first() : m_selection.last();
        anchor = TextPosition{from.line, from.column};
    }
    anchor.line = std::clamp(anchor.line, m_screen.firstLine(), m_screen.endLine() - 1);
    int line = anchor.line;
    const qsizetype from = search.unitAt(line, anchor);
    qsizetype unit = backward ? (from > 0 ? search.find(line, from - 1, true) : -1) : search.find(line, from, false);

    // Every other line once, then the anchor's line again whole: the
    // wrap-around.
    const bool sliced = !m_findSlicing;
    QElapsedTimer slice;
    slice.start();
    const int lines = m_screen.endLine() - m_screen.firstLine();
    for (int visited = 0; unit < 0 && visited < lines; ++visited) {
        line += backward ? -1 : 1;
        if (line >= m_screen.endLine())
            line = m_screen.firstLine();
        else if (line < m_screen.firstLine())
            line = m_screen.endLine() - 1;
        unit = search.find(line, backward ? -1 : 0, backward);
        // The clock is read every kLinesPerClockRead lines: a line costs far
        // less than reading it.
        if (unit < 0 && sliced && visited % kLinesPerClockRead == 0 && slice.elapsed() >= kFindSliceMs) {
            const QPointer<TerminalControl> alive(this);
            m_findSlicing = true;
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            if (!alive)
                return false;
            m_findSlicing = false;
            search.forget();
            line = std::clamp(line, m_screen.firstLine(), m_screen.endLine() - 1);
            slice.restart();
        }
    }
    if (unit < 0)
        return false;

    const auto [start, end] = search.cellsOf(line, unit);
    scrollLinesIntoView(start.line, end.line);
    setSelection(start.line, start.column, end.line, end.column); // emits last: a slot may delete the control
    return true;
}

// Counts non-overlapping matches from the oldest line down, in one go: a
// count is a hint for a find bar, so it gives up rather than slice.
int TerminalControl::countMatches(const QString &text, bool caseSensitive, int limit) const
{
    if (text.isEmpty() || limit <= 0)
        return 0;
    parseWaitingOutput();
    LineSearch search(m_screen, text, caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive);
    QElapsedTimer clock;
    clock.start();
    int count = 0;
    for (int line = m_screen.firstLine(); line < m_screen.endLine(); ++line) {
        for (qsizetype unit = search.find(line, 0, false); unit >= 0; unit = search.find(line, unit + text.size(), false))
            if (++count >= limit)
                return limit;
        if (clock.elapsed() >= kCountBudgetMs)
            return -1;
    }
    return count;
}

// Moves the view the least that shows lines [first, last] (or as much of
// them from `first` as fits).
void TerminalControl::scrollLinesIntoView(int first, int last)
{
    const int top = m_screen.viewTopLine();
    int newTop = top;
    if (first < top)
        newTop = first;
    else if (last > top + m_rows - 1)
        newTop = std::min(last - m_rows + 1, first);
    if (newTop == top)
        return;
    m_screen.setViewOffset(m_screen.screenTopLine() - newTop);
    syncScrollModel();
    update();
}

} // namespace vesper

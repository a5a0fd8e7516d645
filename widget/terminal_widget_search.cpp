// TerminalWidget search: find() walks the paragraphs of the scrollback and
// screen from the selection (or the bottom of the view) in one direction,
// wrapping around once, selects the first occurrence and scrolls it into
// view. A paragraph is a line with the lines it soft-wraps into, so a match
// broken only by the right margin is found.
#include "widget/terminal_widget.h"

#include <QScrollBar>

#include <algorithm>

#include "widget/wrapped_text.h"

namespace vesper {

namespace {

struct Match {
    qsizetype unit = -1;
    WrappedText paragraph;
};

// The paragraph after (or before) `p`, wrapping from the last to the first
// line of the store (and back).
WrappedText neighbour(const Screen &screen, const WrappedText &p, bool backward)
{
    int line = backward ? p.firstLine() - 1 : p.lastLine() + 1;
    if (line >= screen.endLine())
        line = screen.firstLine();
    else if (line < screen.firstLine())
        line = screen.endLine() - 1;
    return WrappedText::around(screen, line);
}

} // namespace

bool TerminalWidget::find(const QString &text, bool backward, bool caseSensitive)
{
    if (text.isEmpty())
        return false;
    const Qt::CaseSensitivity cs = caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;

    // Forward searches start after the selection, backward ones before it.
    TextPosition anchor{m_screen.viewTopLine() + m_rows - 1, m_columns};
    if (hasSelection()) {
        const SelectionEnd from = backward ? m_selection.first() : m_selection.last();
        anchor = TextPosition{from.line, from.column};
    }
    anchor.line = std::clamp(anchor.line, m_screen.firstLine(), m_screen.endLine() - 1);

    const WrappedText first = WrappedText::around(m_screen, anchor.line);
    if (first.isEmpty())
        return false;
    const qsizetype from = first.unitAt(anchor);
    Match match;
    if (backward) {
        if (from > 0)
            match = {first.text().lastIndexOf(text, from - 1, cs), first};
    } else {
        match = {first.text().indexOf(text, from, cs), first};
    }
    // Every other paragraph once, then the start paragraph again from its
    // other end: the wrap-around.
    WrappedText p = first;
    const int paragraphs = m_screen.endLine() - m_screen.firstLine();
    for (int visited = 0; match.unit < 0 && visited < paragraphs; ++visited) {
        p = neighbour(m_screen, p, backward);
        match = {backward ? p.text().lastIndexOf(text, -1, cs) : p.text().indexOf(text, 0, cs), p};
        if (p.firstLine() == first.firstLine())
            break;
    }
    if (match.unit < 0)
        return false;

    const TextPosition start = match.paragraph.positionOf(match.unit);
    const TextPosition end = match.paragraph.endOf(match.unit + text.size() - 1);
    setSelection(start.line, start.column, end.line, end.column);
    scrollLinesIntoView(start.line, end.line);
    return true;
}

// Moves the view the least that shows lines [first, last] (or as much of
// them from `first` as fits).
void TerminalWidget::scrollLinesIntoView(int first, int last)
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
    syncScrollBar();
    viewport()->update();
}

} // namespace vesper

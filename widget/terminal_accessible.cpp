// TerminalAccessible: the interface object, its factory, and the widget's
// notification hook.  Every offset goes through the tracker's model of the
// view, so the text, the cursor, the selection and the geometry agree.
#include "widget/terminal_accessible.h"

#include <algorithm>

#include "control/accessibility/accessible_text_tracker.h"
#include "control/text/selection.h"
#include "control/terminal_control.h"
#include "lumenvale/terminal_widget.h"

namespace vesper {

namespace {

QAccessibleInterface *createTerminalAccessible(const QString &, QObject *object)
{
    if (auto *widget = qobject_cast<TerminalWidget *>(object))
        return new TerminalAccessible(widget);
    return nullptr;
}

} // namespace

void registerTerminalAccessible() { QAccessible::installFactory(createTerminalAccessible); }

TerminalAccessible::TerminalAccessible(TerminalWidget *widget)
    : QAccessibleWidget(widget, QAccessible::Terminal)
{
    widget->m_control->accessibleText(widget);
}

TerminalWidget *TerminalAccessible::terminal() const { return static_cast<TerminalWidget *>(widget()); }

AccessibleTextTracker &TerminalAccessible::tracker() const
{
    return *terminal()->m_control->accessibleText(terminal());
}

void *TerminalAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

// Named after the program's title once it set one.
QString TerminalAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Name) {
        const QString title = terminal()->title();
        if (!title.isEmpty())
            return title;
    }
    return QAccessibleWidget::text(t);
}

QAccessible::State TerminalAccessible::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    s.multiLine = true;
    s.selectableText = true;
    return s;
}

// --- selection ----------------------------------------------------------------

void TerminalAccessible::selection(int selectionIndex, int *startOffset, int *endOffset) const
{
    if (!startOffset || !endOffset)
        return;
    *startOffset = *endOffset = -1;
    if (selectionIndex == 0)
        tracker().selectionOffsets(startOffset, endOffset);
}

int TerminalAccessible::selectionCount() const
{
    int start = -1;
    int end = -1;
    return tracker().selectionOffsets(&start, &end) ? 1 : 0;
}

// The widget has one selection: adding one replaces it.
void TerminalAccessible::addSelection(int startOffset, int endOffset) { select(startOffset, endOffset); }

void TerminalAccessible::select(int startOffset, int endOffset)
{
    const Selection selection = tracker().selectionBetween(startOffset, endOffset);
    if (!selection.active) {
        terminal()->clearSelection();
        return;
    }
    terminal()->setSelection(selection.anchor.line, selection.anchor.column, selection.head.line, selection.head.column);
}

void TerminalAccessible::removeSelection(int selectionIndex)
{
    if (selectionIndex == 0)
        terminal()->clearSelection();
}

void TerminalAccessible::setSelection(int selectionIndex, int startOffset, int endOffset)
{
    if (selectionIndex == 0)
        select(startOffset, endOffset);
}

// --- cursor and text ----------------------------------------------------------

int TerminalAccessible::cursorPosition() const { return tracker().cursorOffset(); }

// The cursor belongs to the program in the terminal; it cannot be moved from here.
void TerminalAccessible::setCursorPosition(int) {}

QString TerminalAccessible::text(int startOffset, int endOffset) const
{
    const QString &all = tracker().model().text();
    const int length = int(all.size());
    if (endOffset < 0 || endOffset > length)
        endOffset = length;
    startOffset = std::clamp(startOffset, 0, endOffset);
    return all.mid(startOffset, endOffset - startOffset);
}

int TerminalAccessible::characterCount() const { return tracker().model().length(); }

// The text has no attributes; one empty run covers all of it.
QString TerminalAccessible::attributes(int offset, int *startOffset, int *endOffset) const
{
    if (!startOffset || !endOffset)
        return {};
    const int length = characterCount();
    const bool valid = offset >= 0 && offset <= length;
    *startOffset = valid ? 0 : -1;
    *endOffset = valid ? length : -1;
    return {};
}

// --- geometry -----------------------------------------------------------------

QRect TerminalAccessible::characterRect(int offset) const
{
    const AccessibleTextModel &text = tracker().model();
    if (offset < 0 || offset > text.length())
        return {};
    const AccessibleTextModel::CellSpan cell = text.cellAt(offset);
    const TerminalWidget *w = terminal();
    const QPoint topLeft(cell.column * w->cellWidth(), cell.row * w->cellHeight());
    return {w->viewport()->mapToGlobal(topLeft), QSize(cell.width * w->cellWidth(), w->cellHeight())};
}

int TerminalAccessible::offsetAtPoint(const QPoint &point) const
{
    const TerminalWidget *w = terminal();
    const QPoint local = w->viewport()->mapFromGlobal(point);
    if (local.x() < 0 || local.y() < 0)
        return -1;
    const int row = local.y() / w->cellHeight();
    const int column = local.x() / w->cellWidth();
    const AccessibleTextModel &text = tracker().model();
    if (row >= text.rows() || column >= text.columns())
        return -1;
    return text.offsetOfCell(row, column);
}

// The text is what the view shows: every part of it is already visible.
void TerminalAccessible::scrollToSubstring(int, int) {}

} // namespace vesper

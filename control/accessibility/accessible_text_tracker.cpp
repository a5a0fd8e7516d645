// AccessibleTextTracker: the view's text model, the cursor and selection
// offsets, and the change reports.  A report compares the text last reported
// with the text now: lines that scrolled off the top are one removal, the
// rest of the difference one insertion, removal or update, so a screen
// reader hears what was printed rather than the whole screen again.
#include "control/accessibility/accessible_text_tracker.h"

#include <algorithm>

#include "control/text/selection.h"
#include "core/screen.h"

namespace vesper {

AccessibleTextTracker::AccessibleTextTracker(const Screen &screen, const Selection &selection, QObject *target,
                                             QObject *parent)
    : QObject(parent), m_screen(screen), m_selection(selection), m_target(target), m_active(QAccessible::isActive())
{
    QAccessible::installActivationObserver(this);
    takeBaseline();
}

AccessibleTextTracker::~AccessibleTextTracker() { QAccessible::removeActivationObserver(this); }

// --- the view's text ------------------------------------------------------------

const AccessibleTextModel &AccessibleTextTracker::model()
{
    if (m_currentStale) {
        const Screen &screen = m_screen;
        const int cursorRow = screen.screenTopLine() + screen.cursorRow() - screen.viewTopLine();
        m_current.build(screen, cursorRow, screen.cursorColumn());
        m_currentStale = false;
    }
    return m_current;
}

int AccessibleTextTracker::cursorOffset()
{
    const AccessibleTextModel &text = model();
    const Screen &screen = m_screen;
    const int row = screen.screenTopLine() + screen.cursorRow() - text.viewTopLine();
    if (row < 0)
        return 0;
    if (row >= text.rows())
        return text.length();
    return text.offsetAt(row, screen.cursorColumn());
}

bool AccessibleTextTracker::selectionOffsets(int *start, int *end)
{
    *start = *end = -1;
    // What the control's hasSelection() says: text selected, and not all of
    // it gone with the oldest lines.
    if (!m_selection.selectsText() || m_selection.last().line < m_screen.firstLine())
        return false;
    const AccessibleTextModel &text = model();
    const auto offset = [&text](int line, int column) {
        const int row = line - text.viewTopLine();
        if (row < 0)
            return 0;
        if (row >= text.rows())
            return text.length();
        return text.offsetAt(row, column);
    };
    const int a = offset(m_selection.anchor.line, m_selection.anchor.column);
    const int b = offset(m_selection.head.line, m_selection.head.column);
    if (a == b)
        return false;
    *start = std::min(a, b);
    *end = std::max(a, b);
    return true;
}

Selection AccessibleTextTracker::selectionBetween(int start, int end)
{
    const AccessibleTextModel &text = model();
    if (start > end)
        std::swap(start, end);
    start = std::clamp(start, 0, text.length());
    end = std::clamp(end, 0, text.length());
    if (start == end)
        return {};
    const AccessibleTextModel::CellSpan from = text.boundaryAt(start);
    const AccessibleTextModel::CellSpan to = text.boundaryAt(end);
    return {{text.viewTopLine() + from.row, from.column}, {text.viewTopLine() + to.row, to.column}, true};
}

// --- changes ----------------------------------------------------------------------

void AccessibleTextTracker::textChanged()
{
    m_currentStale = true;
    scheduleReport();
}

void AccessibleTextTracker::selectionChanged() { scheduleReport(); }

void AccessibleTextTracker::accessibilityActiveChanged(bool isActive)
{
    m_active = isActive;
    // Whoever just arrived reads the text as it is; only later changes are news.
    if (m_active)
        takeBaseline();
}

void AccessibleTextTracker::scheduleReport()
{
    if (!m_active || m_reportPending)
        return;
    m_reportPending = true;
    QMetaObject::invokeMethod(this, &AccessibleTextTracker::report, Qt::QueuedConnection);
}

void AccessibleTextTracker::takeBaseline()
{
    m_reported = model();
    m_reportedCursor = cursorOffset();
    selectionOffsets(&m_reportedSelectionStart, &m_reportedSelectionEnd);
}

void AccessibleTextTracker::nameChanged()
{
    if (!m_active)
        return;
    QAccessibleEvent event(m_target, QAccessible::NameChanged);
    send(event);
}

void AccessibleTextTracker::send(QAccessibleEvent &event) { QAccessible::updateAccessibility(&event); }

void AccessibleTextTracker::report()
{
    m_reportPending = false;
    if (!m_active)
        return;
    const AccessibleTextModel &now = model();
    const int cursor = cursorOffset();
    reportText(now, cursor);
    if (cursor != m_reportedCursor) {
        QAccessibleTextCursorEvent event(m_target, cursor);
        send(event);
    }
    int start = -1;
    int end = -1;
    selectionOffsets(&start, &end);
    if (start != m_reportedSelectionStart || end != m_reportedSelectionEnd) {
        QAccessibleTextSelectionEvent event(m_target, start, end);
        send(event);
    }
    m_reported = now;
    m_reportedCursor = cursor;
    m_reportedSelectionStart = start;
    m_reportedSelectionEnd = end;
}

void AccessibleTextTracker::reportText(const AccessibleTextModel &now, int cursor)
{
    QString before = m_reported.text();
    const QString &after = now.text();
    // Output that scrolled the view by fewer lines than it has: the lines
    // gone off the top (line numbers identify lines whatever the grid did
    // meanwhile) are removed at offset 0 first.
    const int scrolled = now.viewTopLine() - m_reported.viewTopLine();
    if (scrolled > 0 && scrolled < m_reported.rows()) {
        const int gone = m_reported.rowStart(scrolled);
        if (gone > 0) {
            QAccessibleTextRemoveEvent event(m_target, 0, before.left(gone));
            event.setCursorPosition(cursor);
            send(event);
            before.remove(0, gone);
        }
    }
    const qsizetype shorter = std::min(before.size(), after.size());
    qsizetype prefix = 0;
    while (prefix < shorter && before[prefix] == after[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < shorter - prefix && before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    // Never split a surrogate pair.
    if (prefix > 0 && before[prefix - 1].isHighSurrogate())
        --prefix;
    if (suffix > 0 && after[after.size() - suffix].isLowSurrogate())
        --suffix;
    const QString removed = before.mid(prefix, before.size() - prefix - suffix);
    const QString inserted = after.mid(prefix, after.size() - prefix - suffix);
    const int position = int(prefix);
    if (removed.isEmpty() && inserted.isEmpty())
        return;
    if (removed.isEmpty()) {
        QAccessibleTextInsertEvent event(m_target, position, inserted);
        event.setCursorPosition(cursor);
        send(event);
    } else if (inserted.isEmpty()) {
        QAccessibleTextRemoveEvent event(m_target, position, removed);
        event.setCursorPosition(cursor);
        send(event);
    } else {
        QAccessibleTextUpdateEvent event(m_target, position, removed, inserted);
        event.setCursorPosition(cursor);
        send(event);
    }
}

} // namespace vesper

// TerminalControl actions: the built-in gestures (copy, the pastes, select
// all, scrolling the view) are TerminalActions that any shell hands to its
// host.  A key press goes to the enabled action whose shortcut it matches
// before it is encoded for the program, so a key the host rebinds or clears
// reaches the program like any other.  Copy is enabled only while there is
// a selection: with nothing selected, Ctrl+Shift+C is the program's.
#include "control/terminal_control.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>

#include "control/terminal_actions.h"

namespace vesper {

namespace {

QString clipboardText(QClipboard::Mode mode) { return QGuiApplication::clipboard()->text(mode); }

} // namespace

void TerminalControl::installActions()
{
    m_actions = std::make_unique<TerminalActions>(this);
    const auto on = [this](StandardAction which, auto slot) {
        connect(m_actions->action(which), &QAction::triggered, this, slot);
    };
    on(Copy, [this] { copySelection(); });
    on(Paste, [this] { pasteFromUser(clipboardText(QClipboard::Clipboard)); });
    on(PasteSelection, [this] { pasteFromUser(clipboardText(QClipboard::Selection)); });
    on(SelectAll, [this] { selectByGesture({{m_screen.firstLine(), 0}, {m_screen.endLine() - 1, m_columns}, true}); });
    // Half a page at a time, as xterm scrolls: the last lines seen stay in view.
    on(ScrollPageUp, [this] { scrollLines(-std::max(m_rows / 2, 1)); });
    on(ScrollPageDown, [this] { scrollLines(std::max(m_rows / 2, 1)); });
    on(ScrollToTop, [this] { scrollViewTo(m_screen.scrollbackLineCount()); });
    on(ScrollToBottom, [this] { scrollViewTo(0); });

    QAction *copy = m_actions->action(Copy);
    copy->setEnabled(false);
    connect(this, &TerminalControl::selectionChanged, copy, &QAction::setEnabled);
}

QAction *TerminalControl::action(StandardAction which) const { return m_actions->action(which); }

// Lines back from the live screen, 0 being the live screen itself.
void TerminalControl::scrollViewTo(int offset)
{
    m_screen.setViewOffset(offset);
    syncScrollModel();
    repaintChanges();
    if (m_linkPointerInside)
        scheduleLinkHoveredCheck(); // other text lies under the pointer
}

bool TerminalControl::runShortcut(QKeyEvent *event)
{
    QAction *action = m_actions->matching(event->keyCombination());
    if (action == m_actions->action(Copy) && !hasSelection())
        action = nullptr; // a selection that went since the last selectionChanged
    if (!action && m_ctrlCCopiesSelection && hasSelection()
        && event->keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_C)) {
        event->accept();
        copySelection();
        clearSelection(); // last: a slot may delete the control
        return true;
    }
    if (!action)
        return false;
    event->accept();
    action->trigger(); // last: a slot may delete the control
    return true;
}

} // namespace vesper

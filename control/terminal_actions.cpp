// Default shortcuts and key matching of TerminalActions.  Outside macOS the
// standard copy and paste keys (Ctrl+C, Ctrl+V, Ctrl+A) belong to the program
// running in the terminal, so the terminal takes the Ctrl+Shift forms (and
// Shift+Insert); on macOS Cmd is free for the host and the standard keys fit.
#include "control/terminal_actions.h"

#include <QAction>
#include <QCoreApplication>

namespace vesper {

namespace {

constexpr const char *kTexts[TerminalActions::Count] = {
    QT_TRANSLATE_NOOP("TerminalControl", "Copy"),
    QT_TRANSLATE_NOOP("TerminalControl", "Paste"),
    QT_TRANSLATE_NOOP("TerminalControl", "Paste Selection"),
    QT_TRANSLATE_NOOP("TerminalControl", "Select All"),
    QT_TRANSLATE_NOOP("TerminalControl", "Scroll Page Up"),
    QT_TRANSLATE_NOOP("TerminalControl", "Scroll Page Down"),
    QT_TRANSLATE_NOOP("TerminalControl", "Scroll to Top"),
    QT_TRANSLATE_NOOP("TerminalControl", "Scroll to Bottom"),
};

QKeyCombination withoutKeypad(QKeyCombination key)
{
    return QKeyCombination(key.keyboardModifiers() & ~Qt::KeypadModifier, key.key());
}

} // namespace

TerminalActions::TerminalActions(QObject *owner)
{
    for (int id = 0; id < Count; ++id) {
        auto *action = new QAction(QCoreApplication::translate("TerminalControl", kTexts[id]), owner);
        action->setShortcuts(defaultShortcuts(id));
        action->setShortcutContext(Qt::WidgetShortcut);
        m_actions[static_cast<std::size_t>(id)] = action;
    }
}

QAction *TerminalActions::action(int id) const
{
    return id >= 0 && id < Count ? m_actions[static_cast<std::size_t>(id)] : nullptr;
}

QAction *TerminalActions::matching(QKeyCombination key) const
{
    key = withoutKeypad(key);
    for (QAction *action : m_actions) {
        if (!action->isEnabled())
            continue;
        for (const QKeySequence &shortcut : action->shortcuts())
            if (shortcut.count() == 1 && withoutKeypad(shortcut[0]) == key)
                return action;
    }
    return nullptr;
}

QList<QKeySequence> TerminalActions::defaultShortcuts(int id)
{
#ifdef Q_OS_MACOS
    // Qt's Ctrl is the Command key here.
    switch (id) {
    case Copy: return QKeySequence::keyBindings(QKeySequence::Copy);
    case Paste: return QKeySequence::keyBindings(QKeySequence::Paste);
    case PasteSelection: return {};
    case SelectAll: return QKeySequence::keyBindings(QKeySequence::SelectAll);
    case ScrollPageUp: return {QKeySequence(Qt::SHIFT | Qt::Key_PageUp)};
    case ScrollPageDown: return {QKeySequence(Qt::SHIFT | Qt::Key_PageDown)};
    case ScrollToTop: return {QKeySequence(Qt::CTRL | Qt::Key_Home)};
    case ScrollToBottom: return {QKeySequence(Qt::CTRL | Qt::Key_End)};
    default: return {};
    }
#else
    switch (id) {
    case Copy: return {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C)};
    case Paste: return {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)};
    case PasteSelection: return {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Insert)};
    case SelectAll: return {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A)};
    case ScrollPageUp: return {QKeySequence(Qt::SHIFT | Qt::Key_PageUp)};
    case ScrollPageDown: return {QKeySequence(Qt::SHIFT | Qt::Key_PageDown)};
    case ScrollToTop: return {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Home)};
    case ScrollToBottom: return {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_End)};
    default: return {};
    }
#endif
}

} // namespace vesper

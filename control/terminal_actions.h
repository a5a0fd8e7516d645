// TerminalActions: the terminal's built-in key gestures as QActions that a
// host reaches by name, puts in its menus, and rebinds, clears or disables.
// Each starts with the platform's shortcuts (defaultShortcuts); matching()
// names the enabled action a key press belongs to.  The actions are added to
// no widget, and their shortcuts apply only while the terminal has the key
// (Qt::WidgetShortcut): the control routes keys to them itself, so a menu
// may show them without their keys firing from other widgets of the window.
#pragma once

#include <QKeyCombination>
#include <QKeySequence>
#include <QList>

#include <array>

class QAction;
class QObject;

namespace vesper {

class TerminalActions {
public:
    // Numbered as TerminalControl::StandardAction.
    enum Id { Copy, Paste, PasteSelection, SelectAll, ScrollPageUp, ScrollPageDown, ScrollToTop, ScrollToBottom, Count };

    // The actions are children of `owner`.
    explicit TerminalActions(QObject *owner);

    QAction *action(int id) const;
    // The enabled action one of whose one-key shortcuts is `key` (the keypad
    // flag aside); nullptr when none is.
    QAction *matching(QKeyCombination key) const;

    // What each action starts with: Ctrl+Shift and Shift combinations that
    // programs leave alone, or Cmd ones on macOS, where the program keeps Ctrl.
    static QList<QKeySequence> defaultShortcuts(int id);

private:
    std::array<QAction *, Count> m_actions{};
};

} // namespace vesper

// AccessibleTextTracker: what assistive technology is told about one
// terminal's text.  It keeps the text model of the current view (built on
// demand after the view changed), maps the terminal cursor and the control's
// selection onto its offsets, and reports changes as Qt accessibility events
// of the shell (the target): at most one report per event-loop pass, and none
// while no assistive technology is active.  Created with the shell's
// accessibility interface, so a terminal nobody asked about pays nothing.
#pragma once

#include <QAccessible>
#include <QObject>

#include "control/accessibility/accessible_text_model.h"

namespace vesper {

class Screen;
struct Selection;

class AccessibleTextTracker : public QObject, public QAccessible::ActivationObserver {
    Q_OBJECT

public:
    // Reads the view of `screen` and `selection` (both outlive it: the
    // control owns all three) and reports as events of `target`, the shell.
    AccessibleTextTracker(const Screen &screen, const Selection &selection, QObject *target, QObject *parent);
    ~AccessibleTextTracker() override;

    // The model of the view as it is now.
    const AccessibleTextModel &model();
    // The terminal cursor as an offset; the text's end while the view is
    // scrolled back far enough to hide the cursor's row.
    int cursorOffset();
    // The part of the control's selection that the view shows, as offsets
    // [start, end); false when nothing selected is in view.
    bool selectionOffsets(int *start, int *end);
    // The selection between two offsets (in either order), as line and
    // column ends; an inactive selection when the offsets meet.
    Selection selectionBetween(int start, int end);

    // The control calls these after output, a view scroll or a grid change,
    // and when its selection changed.
    void textChanged();
    void selectionChanged();
    // The control calls this when the program's title, its name, changed.
    void nameChanged();

    void accessibilityActiveChanged(bool active) override;

private:
    void scheduleReport();
    void report();
    void reportText(const AccessibleTextModel &now, int cursor);
    void takeBaseline();
    void send(QAccessibleEvent &event);

    const Screen &m_screen;
    const Selection &m_selection;
    QObject *m_target;
    AccessibleTextModel m_current;
    bool m_currentStale = true;
    // What assistive technology was last told.
    AccessibleTextModel m_reported;
    int m_reportedCursor = 0;
    int m_reportedSelectionStart = -1;
    int m_reportedSelectionEnd = -1;
    bool m_active = false;
    bool m_reportPending = false;
};

} // namespace vesper

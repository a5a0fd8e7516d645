// AccessibleTextTracker: what assistive technology is told about one
// terminal widget's text.  It keeps the text model of the current view (built
// on demand after the view changed), maps the terminal cursor and the
// widget's selection onto its offsets, and reports changes as Qt
// accessibility events: at most one report per event-loop pass, and none
// while no assistive technology is active.  Created with the widget's
// accessibility interface, so a widget nobody asked about pays nothing.
#pragma once

#include <QAccessible>
#include <QObject>

#include "widget/accessible_text_model.h"

namespace vesper {

class TerminalWidget;

class AccessibleTextTracker : public QObject, public QAccessible::ActivationObserver {
    Q_OBJECT

public:
    // The widget's tracker, created on first use as the widget's child.
    static AccessibleTextTracker *forWidget(TerminalWidget *widget);
    ~AccessibleTextTracker() override;

    // The model of the view as it is now.
    const AccessibleTextModel &model();
    // The terminal cursor as an offset; the text's end while the view is
    // scrolled back far enough to hide the cursor's row.
    int cursorOffset();
    // The part of the widget's selection that the view shows, as offsets
    // [start, end); false when nothing selected is in view.
    bool selectionOffsets(int *start, int *end);
    // Selects the text between two offsets (in either order).
    void select(int start, int end);

    // The widget calls this after output, a view scroll or a grid change.
    void textChanged();
    // The widget calls this when the program's title, its name, changed.
    void nameChanged();

    void accessibilityActiveChanged(bool active) override;

private:
    explicit AccessibleTextTracker(TerminalWidget *widget);
    void scheduleReport();
    void report();
    void reportText(const AccessibleTextModel &now, int cursor);
    void takeBaseline();
    void send(QAccessibleEvent &event);

    TerminalWidget *m_widget;
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

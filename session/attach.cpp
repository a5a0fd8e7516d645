// The signal connections between a TerminalWidget and a PtySession.  They are
// plain automatic connections (a session emitting from another thread would
// still reach feed() in the widget's thread), and write and resize are called
// through the virtual table so overrides (Python ones too) receive them.
#include "session/attach.h"

namespace vesper {

void attach(TerminalWidget *widget, PtySession *session)
{
    if (!widget || !session)
        return;
    QObject::connect(session, &PtySession::dataReceived, widget, &TerminalWidget::feed);
    QObject::connect(widget, &TerminalWidget::dataReady, session, &PtySession::write);
    QObject::connect(widget, &TerminalWidget::resized, session, &PtySession::resize);
    QObject::connect(session, &PtySession::inputBacklogChanged, widget, &TerminalWidget::setSendingPaused);
    // A paste paused by a session that is gone would wait for ever.
    QObject::connect(session, &QObject::destroyed, widget, [widget] { widget->setSendingPaused(false); });
}

} // namespace vesper

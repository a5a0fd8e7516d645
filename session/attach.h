// attach: the one place where a terminal widget and a session meet.
#pragma once

#include "session/pty_session.h"
#include "widget/terminal_widget.h"

namespace vesper {

// Connects the session's output to the widget's feed, the widget's outgoing
// bytes to the session's write, its grid changes to the session's resize and
// the session's input backlog to the widget's pause of sending (lifted when
// the session is destroyed).  Does nothing when either is null.
void attach(TerminalWidget *widget, PtySession *session);

} // namespace vesper

// attach: the one place where a terminal and a session meet.
#pragma once

#include <QObject>

#include "lumenvale/pty_session.h"

namespace vesper {

// Connects the session's output to the terminal's feed, the terminal's
// outgoing bytes to the session's write, its grid changes to the session's
// resize and the session's input backlog to the terminal's pause of sending
// (lifted when the session is destroyed), and its cell's pixel size (now and
// after each cellSizeChanged) to the session's setCellPixelSize.  The
// terminal is a TerminalWidget, a TerminalItem or a TerminalControl: any
// object with the slots
// feed(QByteArray) and setSendingPaused(bool) and the signals
// dataReady(QByteArray) and resized(int,int).  Does nothing when either is
// null or the object is no terminal.
LUMENVALE_ATTACH_EXPORT void attach(QObject *terminal, PtySession *session);

} // namespace vesper

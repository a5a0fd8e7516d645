// PtySession has no state of its own; its meta-object carries the signals and
// slots every session shares.
#include "session/pty_session.h"

namespace vesper {

PtySession::PtySession(QObject *parent) : QObject(parent) {}

} // namespace vesper

// PtySession keeps only the working directory; its meta-object carries the
// signals and slots every session shares.
#include "lumenvale/pty_session.h"

namespace vesper {

PtySession::PtySession(QObject *parent) : QObject(parent) {}

void PtySession::setWorkingDirectory(const QString &directory) { workingDirectory_ = directory; }

QString PtySession::workingDirectory() const { return workingDirectory_; }

qint64 PtySession::processId() const { return 0; }

} // namespace vesper

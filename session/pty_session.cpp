// PtySession keeps only the working directory and the cell's pixel size; its meta-object carries the
// signals and slots every session shares.
#include "session/pty_session.h"

#include <algorithm>

namespace vesper {

PtySession::PtySession(QObject *parent) : QObject(parent) {}

void PtySession::setWorkingDirectory(const QString &directory) { workingDirectory_ = directory; }

QString PtySession::workingDirectory() const { return workingDirectory_; }

qint64 PtySession::processId() const { return 0; }

void PtySession::setCellPixelSize(int width, int height)
{
    cellPixelWidth_ = std::max(width, 0);
    cellPixelHeight_ = std::max(height, 0);
}

} // namespace vesper

// PtySession keeps only the working directory, the flow-control request and
// the cell's pixel size; its meta-object carries the signals and slots every
// session shares.
#include "lumenvale/pty_session.h"

#include <algorithm>

namespace vesper {

PtySession::PtySession(QObject *parent) : QObject(parent) {}

void PtySession::setWorkingDirectory(const QString &directory) { workingDirectory_ = directory; }

QString PtySession::workingDirectory() const { return workingDirectory_; }

qint64 PtySession::processId() const { return 0; }

qint64 PtySession::foregroundProcessId() const { return 0; }

QString PtySession::foregroundProcessName() const { return {}; }

void PtySession::setFlowControl(bool on) { requestedFlowControl_ = on ? 1 : 0; }

bool PtySession::flowControl() const { return requestedFlowControl_ != 0; }

bool PtySession::outputSuspended() const { return false; }
void PtySession::setCellPixelSize(int width, int height)
{
    cellPixelWidth_ = std::max(width, 0);
    cellPixelHeight_ = std::max(height, 0);
}

} // namespace vesper

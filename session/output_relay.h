// OutputRelay: the reader thread's doorbell.  The reader emits outputReady()
// from its own thread; a queued connection runs the session's drain in the
// session's thread.  The chunks themselves travel through a lock-free queue
// of our own (SpscQueue), so every hand-over between the threads is one the
// race detector can see (Qt's own event queue is not instrumented).
#pragma once

#include <QObject>

namespace vesper {

class OutputRelay : public QObject {
    Q_OBJECT
signals:
    void outputReady();
};

} // namespace vesper

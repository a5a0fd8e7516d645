// OutputRelay: the doorbell of the session's threads.  The reader emits
// outputReady() and the writer inputDrained() from their own threads; queued
// connections run the session's handlers in the session's thread.  The chunks themselves travel through a lock-free queue
// of our own (SpscQueue), so every hand-over between the threads is one the
// race detector can see (Qt's own event queue is not instrumented).
#pragma once

#include <QObject>

namespace vesper {

class OutputRelay : public QObject {
    Q_OBJECT
signals:
    void outputReady();
    void inputDrained();
};

} // namespace vesper

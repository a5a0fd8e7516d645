// EventLedger: where the GUI thread's time goes, event by event.  The
// application's notify() is timed at the outermost level (an event sent from
// inside another is part of it) and booked by the receiver's class and the
// event's type: a session's queued drain (the feed and its parse pass), the
// window's update request (the paint), a timer.  Kept per kind: the count,
// the total and the longest single delivery, which is the stall that kind
// can cause on its own.  Beside the wall clock, the thread's CPU time: a
// delivery whose wall time far exceeds its CPU time waited for a processor
// (a loaded machine), not for this code.
#pragma once

#include <QApplication>

#include <map>
#include <string>

namespace vesper::bench {

class LedgerApplication : public QApplication {
public:
    using QApplication::QApplication;
    struct Entry {
        long count = 0;
        double totalMs = 0;
        double maxMs = 0;
        double maxCpuMs = 0; // the CPU time of the longest delivery
        double cpuMs = 0;
    };
    bool recording = false;
    std::map<std::string, Entry> entries;

    bool notify(QObject *receiver, QEvent *event) override;
    // The kinds that took at least `minTotalMs` in all, longest total first.
    void print(double minTotalMs = 1.0) const;

private:
    int m_depth = 0;
};

} // namespace vesper::bench

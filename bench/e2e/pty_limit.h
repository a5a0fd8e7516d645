// The pty limit: how fast the same child's output crosses a pseudo terminal
// of the same grid when the reader on the master discards it.  No terminal
// can show output faster than this on this machine; bench_e2e reports its
// rates against it, measured in the same run.
#pragma once

#include <QByteArray>
#include <QStringList>

namespace vesper::bench {

struct PtyLimit {
    qint64 bytes = 0;
    double seconds = 0;
    // Of the machine's time while it ran (see MachineTicks); -1: not measured.
    double idleShare = -1, stolenShare = -1;
    double mbps() const { return seconds > 0 ? double(bytes) / 1e6 / seconds : 0.0; }
};

// The limit around a run: a reading before it and one after.  Its rate is
// their mean, the estimate for the time in between; the faster of the two
// would count the readings' own spread (a third and more between two
// readings on a shared virtual machine) against the run.
struct LimitAround {
    PtyLimit before, after;
    double mbps() const { return (before.mbps() + after.mbps()) / 2; }
    double idleShare() const { return (before.idleShare + after.idleShare) / 2; }
    double stolenShare() const { return (before.stolenShare + after.stolenShare) / 2; }
};

// Runs `program args` on a new pty of columns x rows (the kernel's default
// line discipline, as a session's child gets it) and reads the master in
// 64 KiB reads until `marker` went by (or, with an empty marker, for
// `seconds` or to the end).  The clock runs from the fork to the marker.
PtyLimit measurePtyLimit(const QString &program, const QStringList &args, int columns, int rows,
                         const QByteArray &marker, double seconds = 0);

} // namespace vesper::bench

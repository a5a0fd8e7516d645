// ChildReaper: ends the children that sessions let go of (terminate(),
// destruction) away from the session's thread.  The grace period after the
// hang-up, the kill when it is over, the reaping and the release of the
// pseudo terminal happen on a thread of the reaper's own, so closing a
// terminal never freezes the application.  When the process exits, children
// still in their grace period are killed and reaped at once: none outlives
// the application.
#pragma once

#include "session/pty_backend.h"

#include <functional>
#include <memory>

namespace vesper {

class ChildReaper {
public:
    // Takes a backend whose child was asked to end (hangUp()) and whose
    // reader and writer are stopped (interrupt(), joined).  Waits up to
    // graceMs for the child, kills it after that, reaps it, releases the
    // backend, then calls `exited` (if any) with the exit code on the
    // reaper's thread; not when the process is exiting.
    static void reap(std::unique_ptr<PtyBackend> backend, int graceMs, std::function<void(int exitCode)> exited);
};

} // namespace vesper

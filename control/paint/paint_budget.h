// How long one paint of the window may draw rows before it leaves the rest
// to the next event-loop pass (TerminalControl::paint): a paint and a
// parsing pass (4 ms) in one event-loop pass take 10 ms of the thread, which
// stays inside a 60 Hz frame even when the child and the pty's own work
// share the processors with it. Tests set it to zero, which paints one row
// per pass.
#pragma once

#include <QtGlobal>

namespace vesper {

extern qint64 paintBudgetMs;

} // namespace vesper

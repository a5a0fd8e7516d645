// How long one paint of the window may draw rows before it leaves the rest
// to the next event-loop pass (TerminalControl::paint): half a 60 Hz frame,
// so that a paint and a parsing pass (5 ms) in one event-loop pass still fit
// in a frame. Tests set it to zero, which paints one row per pass.
#pragma once

#include <QtGlobal>

namespace vesper {

extern qint64 paintBudgetMs;

} // namespace vesper

// How long one paint of the window may draw rows before it leaves the rest
// to the next event-loop pass (TerminalControl::paint): above a full
// screen's usual cost, well below a stall the user would feel. Tests set it
// to zero, which paints one row per pass.
#pragma once

#include <QtGlobal>

namespace vesper {

extern qint64 paintBudgetMs;

} // namespace vesper

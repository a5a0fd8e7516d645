// How long one paint of the window may draw rows before it leaves the rest
// to the next event-loop pass (TerminalControl::paint), at most: a paint
// also keeps to what the event-loop pass has left after the parsing that
// came before it (loop_pass_budget.h). Tests set it to zero, which paints
// one row per pass.
#pragma once

#include <QtGlobal>

namespace vesper {

extern qint64 paintBudgetMs;

} // namespace vesper

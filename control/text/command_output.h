// Where a command's output lies, read from the shell's marks (OSC 133): it
// begins at the command's output mark (C) and ends at its end mark (D), at
// the next prompt when the shell never reported the end, or at the cursor
// while the command still runs.  A pure function of the screen, so that the
// control's selection and its tests share it.
#pragma once

#include <optional>

#include "control/text/selection.h"
#include "core/screen.h"

namespace vesper {

// The output of the command that absolute line `line` belongs to: its prompt
// line, its command line or a line of its output.  None when the line is not
// held, when the command has no output mark (the shell marks nothing, or the
// user ran no command there) or when its output is empty.
std::optional<Selection> commandOutputAround(const Screen &screen, int line);

} // namespace vesper

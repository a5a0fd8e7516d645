// LinePosition: a cell position by absolute line number, carried through a
// resize that re-wraps the lines (the cursor, the view top, a selection end).
#pragma once

namespace vesper {

struct LinePosition {
    int line = 0;
    int column = 0;  // may equal the width: just after a full row
    // Cleared when the position's line left the store.
    bool held = true;
};

}  // namespace vesper

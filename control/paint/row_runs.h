// Splitting one view row into runs of equally attributed cells: the unit of
// painting. A pure function of the screen and the row, so it is tested
// without a paint device.
#pragma once

#include <string>
#include <vector>

#include "core/cell.h"

namespace vesper {

class Screen;

// One run: `width` cells from `startColumn` (wide-continuation cells
// included), whose text is text[textStart, textStart + textLength) of the
// row's RowRuns::text, one character per non-continuation cell.
struct AttributeRun {
    int startColumn = 0;
    int width = 0;
    CellAttributes attributes;
    // The underline's stored style and colour; the default unless the cells
    // are underlined (a decoration without an underline shows nothing).
    CellDecoration decoration;
    int textStart = 0;
    int textLength = 0;      // in UTF-16 units
    bool printableAscii = true; // every unit lies in U+0020..U+007E, no cell has marks
    bool blank = true;          // only white space
};

// The runs of one row and the UTF-16 text they index into. Reused from row
// to row so that painting a row allocates nothing once the buffers have grown.
struct RowRuns {
    std::u16string text;
    std::vector<AttributeRun> runs;
};

// Fills `out` with the runs of view row `row` of `screen` (cleared first).
// Continuation cells never start a run; a code point of 0 counts as a space.
void splitRowIntoRuns(const Screen &screen, int row, RowRuns &out);

} // namespace vesper

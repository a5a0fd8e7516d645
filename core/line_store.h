// LineStore: the lines of one screen (primary or alternate) in one ring,
// oldest scrollback line first, the screen rows last; their absolute
// numbering; the scrollback limit and the trimming that enforces it.  Lines
// trimmed or cleared away are kept at the old end (within the limit) for
// reuse, and blanking is recorded and carried out when a line is next read.
#pragma once

#include <cstdint>
#include <utility>

#include "core/cell.h"
#include "core/ring.h"

namespace vesper {

class LineStore {
public:
    // Sizes below 1 become 1, a negative limit 0; holds `rows` lines of
    // default blank cells numbered from 0.
    LineStore(int columns, int rows, int scrollbackLimit);

    int columns() const { return columns_; }
    int rows() const { return rows_; }
    int firstLine() const { return firstLine_; }
    int screenTopLine() const { return screenTopLine_; }
    int endLine() const { return screenTopLine_ + rows_; }
    int scrollbackCount() const { return screenTopLine_ - firstLine_; }
    int scrollbackLimit() const { return scrollbackLimit_; }

    // The line of screen row `row`, or nullptr outside 0..rows-1.  Whoever
    // writes cells into it reports the columns written with noteWritten().
    Line* screenLine(int row) {
        if (row < 0 || row >= rows_) return nullptr;
        const std::size_t index = heldIndex(scrollbackCount() + row);
        materialize(index);
        return &held_[index].cells;
    }
    const Line* screenLine(int row) const { return const_cast<LineStore*>(this)->screenLine(row); }
    // The line with absolute number `line`, or nullptr when it is not held.
    Line* lineAtNumber(int line);
    const Line* lineAtNumber(int line) const;

    // Cells before column `endColumn` of screen row `row` may have been
    // written with anything.
    void noteWritten(int row, int endColumn) {
        if (row < 0 || row >= rows_) return;
        std::int32_t& extent = held_[heldIndex(scrollbackCount() + row)].state.extent;
        if (endColumn > extent) extent = endColumn < columns_ ? endColumn : columns_;
    }
    // The cells of screen row `row` (nullptr outside 0..rows-1) for a write
    // of columns [from, to), 0 <= from <= to <= columns, that the caller
    // makes at once: the write is noted, and a recorded blanking skips those
    // cells, which are about to be overwritten.
    Cell* cellsForWrite(int row, int from, int to) {
        if (row < 0 || row >= rows_) return nullptr;
        const std::size_t index = heldIndex(scrollbackCount() + row);
        LineState& state = held_[index].state;
        if (state.blanked) carryOutBlanking(index, from, to);
        if (to > state.extent) state.extent = to;
        return held_[index].cells.data();
    }
    // Sets columns [from, to) of screen row `row` to `cell`; rewriting a
    // whole row that already holds only `cell` costs next to nothing.
    void fillCells(int row, int from, int to, const Cell& cell);

    // Row 0 becomes the newest scrollback line, a line of `fill` the last
    // row, then the scrollback is trimmed.  A trimmed line is reused for the
    // new one, so a full scrollback costs no allocation.
    void pushLine(const Cell& fill);
    // Rotates rows top..bottom up (or down) by `count` lines; the lines that
    // wrap around are set to `fill`.  Out-of-order or out-of-screen bounds do
    // nothing; the work is bounded by the region, whatever `count`.
    void rotateUp(int top, int bottom, const Cell& fill, int count = 1);
    void rotateDown(int top, int bottom, const Cell& fill, int count = 1);
    // The result of `steps` single steps of: pushLine(fill), then the new
    // bottom line rotated up to row `bottom` (rows below it stay).  Costs at
    // most the region, the scrollback limit and the rows, whatever `steps`.
    void scrollUpFromTop(int bottom, const Cell& fill, std::int64_t steps);

    void resize(int columns, int rows, const Cell& fill);
    void swap(LineStore& other) noexcept;
    void trimScrollback();
    void setScrollbackLimit(int lines);
    void clearScrollback();
    void clearAll(const Cell& fill);

    // Absolute numbers are kept far below the int32 limit: when they climb
    // past kRenumberThreshold every number is lowered so that the oldest
    // held line is 0 again.  The total lowering since the last call is
    // returned (and forgotten); the Screen passes it on to its owner.
    static constexpr std::int32_t kRenumberThreshold = std::int32_t{1} << 30;
    std::int64_t takeRenumberShift();

    // Throws std::logic_error when a structural invariant is broken.
    void checkInvariants() const;

private:
    void renumberIfNeeded() {
        if (std::int64_t{screenTopLine_} + rows_ > kRenumberThreshold) renumber();
    }
    void renumber();
    void blank(std::size_t index, const Cell& fill);
    void appendLine(const Cell& fill);
    void pushBlankLines(int bottom, const Cell& fill, std::int64_t steps);
    void resizeRows(int rows, const Cell& fill);
    void resizeColumns(int columns, const Cell& fill);
    void advanceNumbers(std::int64_t firstSteps, std::int64_t topSteps);

    // What is known of a held line's cells: every cell from column `extent`
    // on equals `tail`.  Blanking only records `blankFill` and sets `blanked`;
    // the cells are rewritten when the line is next reached (materialize),
    // and then only the cells before the extent when the fill equals the
    // tail.  That keeps scrolling short lines, erasing blank rows and huge
    // scroll counts cheap.
    struct LineState {
        std::int32_t extent = 0;
        bool blanked = false;
        Cell tail;
        Cell blankFill;
    };
    struct HeldLine {
        Line cells;
        LineState state;
        // Exchanges the vectors' pointers instead of moving through a temporary.
        friend void swap(HeldLine& a, HeldLine& b) noexcept {
            a.cells.swap(b.cells);
            std::swap(a.state, b.state);
        }
    };
    void materialize(std::size_t index) const {
        if (held_[index].state.blanked) carryOutBlanking(index, 0, 0);
    }
    // Carries out the recorded blanking, except on columns [skipFrom, skipTo).
    void carryOutBlanking(std::size_t index, int skipFrom, int skipTo) const;

    std::size_t heldIndex(int offset) const { return hidden_ + std::size_t(offset); }
    void hideOldest(std::size_t count);
    void capHidden();

    // Mutable: reading a line may first carry out a recorded blanking.
    mutable Ring<HeldLine> held_;
    // The first hidden_ entries are not held: lines dropped from the old end,
    // kept (with the held scrollback, within the limit) for the lines that
    // arrive next, so that reset, erase and scroll storms do not turn into
    // allocation storms.
    std::size_t hidden_ = 0;
    std::int32_t firstLine_ = 0;
    std::int32_t screenTopLine_ = 0;
    std::int32_t columns_ = 1;
    std::int32_t rows_ = 1;
    std::int32_t scrollbackLimit_ = 0;
    std::int64_t pendingShift_ = 0;
};

}  // namespace vesper

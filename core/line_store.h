// LineStore: the lines of one screen (primary or alternate) in one deque,
// oldest scrollback line first, the screen rows last; their absolute
// numbering; the scrollback limit and the trimming that enforces it.
#pragma once

#include <cstdint>
#include <deque>

#include "core/cell.h"

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
    // writes cells other than default blanks into it reports the columns
    // written with noteWritten().
    Line* screenLine(int row);
    const Line* screenLine(int row) const;
    // The line with absolute number `line`, or nullptr when it is not held.
    Line* lineAtNumber(int line);
    const Line* lineAtNumber(int line) const;

    // Cells from column `endColumn` on of screen row `row` may no longer be
    // default blanks.
    void noteWritten(int row, int endColumn);

    // Row 0 becomes the newest scrollback line, a line of `fill` the last
    // row, then the scrollback is trimmed.  A trimmed line is reused for the
    // new one, so a full scrollback costs no allocation.
    void pushLine(const Cell& fill);
    // Rotates rows top..bottom up (or down) by `count` lines; the lines that
    // wrap around are set to `fill`.  Out-of-order or out-of-screen bounds do
    // nothing; the work is bounded by the region, whatever `count`.
    void rotateUp(int top, int bottom, const Cell& fill, int count = 1);
    void rotateDown(int top, int bottom, const Cell& fill, int count = 1);
    // Advances the numbering by `steps` pushes whose lines are all `fill`
    // copies of lines already entirely blank: only the numbers move.
    void advanceBlankPushes(std::int64_t steps);

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
    void renumberIfNeeded();
    void blank(std::size_t index, const Cell& fill);
    void appendLine(const Cell& fill);
    static std::int32_t extentOf(const Cell& fill, int columns) { return fill == Cell() ? 0 : columns; }

    std::deque<Line> lines_;
    // Per held line, in step with lines_: every cell from this column on is
    // a default blank.  Blanking a line with the default fill then rewrites
    // only the cells before it, which keeps scrolling short lines cheap.
    std::deque<std::int32_t> extents_;
    std::int32_t firstLine_ = 0;
    std::int32_t screenTopLine_ = 0;
    std::int32_t columns_ = 1;
    std::int32_t rows_ = 1;
    std::int32_t scrollbackLimit_ = 0;
    std::int64_t pendingShift_ = 0;
};

}  // namespace vesper

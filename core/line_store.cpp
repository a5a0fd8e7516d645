// LineStore: numbering, scrolling rotations, resizing and trimming of the
// lines of one screen.  Lines move as whole vectors (handle exchanges);
// blanking is recorded per line and carried out when the line is next
// reached, and then only for the cells that may differ from the fill.
#include "core/line_store.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>

namespace vesper {

namespace {
int atLeast(int value, int minimum) { return value < minimum ? minimum : value; }
}  // namespace

LineStore::LineStore(int columns, int rows, int scrollbackLimit)
    : columns_(atLeast(columns, 1)), rows_(atLeast(rows, 1)), scrollbackLimit_(atLeast(scrollbackLimit, 0)) {
    held_.assign(std::size_t(rows_), HeldLine{Line(std::size_t(columns_), Cell()), LineState()});
}

Line* LineStore::lineAtNumber(int line) {
    if (line < firstLine_ || line >= endLine()) return nullptr;
    const std::size_t index = heldIndex(line - firstLine_);
    materialize(index);
    return &held_[index].cells;
}

const Line* LineStore::lineAtNumber(int line) const { return const_cast<LineStore*>(this)->lineAtNumber(line); }

void LineStore::fillCells(int row, int from, int to, const Cell& cell) {
    if (row < 0 || row >= rows_) return;
    from = std::clamp(from, 0, columns_);
    to = std::clamp(to, from, columns_);
    const std::size_t index = heldIndex(scrollbackCount() + row);
    if (from == 0 && to == columns_) {
        blank(index, cell);
        return;
    }
    materialize(index);
    Line& line = held_[index].cells;
    std::fill(line.begin() + from, line.begin() + to, cell);
    LineState& state = held_[index].state;
    if (!(cell == state.tail)) state.extent = std::max(state.extent, to);
}

void LineStore::blank(std::size_t index, const Cell& fill) {
    LineState& state = held_[index].state;
    state.blanked = true;
    state.blankFill = fill;
}

void LineStore::carryOutBlanking(std::size_t index, int skipFrom, int skipTo) const {
    LineState& state = held_[index].state;
    Line& line = held_[index].cells;
    // Cells from the extent on already equal the tail: when that is the fill,
    // only the cells before it need rewriting.
    const int end = state.tail == state.blankFill ? state.extent : columns_;
    std::fill(line.begin(), line.begin() + std::min(skipFrom, end), state.blankFill);
    if (skipTo < end) std::fill(line.begin() + std::max(skipTo, 0), line.begin() + end, state.blankFill);
    state.tail = state.blankFill;
    state.extent = 0;
    state.blanked = false;
}

void LineStore::appendLine(const Cell& fill) {
    if (hidden_ > 0) {
        // Reuse the oldest dropped line.
        held_.moveFrontToBack();
        --hidden_;
        blank(held_.size() - 1, fill);
    } else {
        held_.pushBack(HeldLine{Line(std::size_t(columns_), fill), LineState{0, false, fill, fill}});
    }
}

void LineStore::hideOldest(std::size_t count) {
    hidden_ += count;
    capHidden();
}

void LineStore::capHidden() {
    // Dropped lines kept plus scrollback held never exceed the limit.
    const std::size_t allowed = std::size_t(scrollbackLimit_ - scrollbackCount());
    if (hidden_ <= allowed) return;
    const std::size_t excess = hidden_ - allowed;
    held_.popFront(excess);
    hidden_ = allowed;
}

void LineStore::advanceNumbers(std::int64_t firstSteps, std::int64_t topSteps) {
    std::int64_t first = std::int64_t{firstLine_} + firstSteps;
    std::int64_t top = std::int64_t{screenTopLine_} + topSteps;
    if (top + rows_ > kRenumberThreshold) {
        pendingShift_ += first;
        top -= first;
        first = 0;
    }
    firstLine_ = std::int32_t(first);
    screenTopLine_ = std::int32_t(top);
}

void LineStore::pushLine(const Cell& fill) {
    if (hidden_ == 0 && scrollbackCount() >= scrollbackLimit_) {
        // The steady state of a full scrollback: the oldest line becomes the
        // new bottom row.
        held_.moveFrontToBack();
        blank(held_.size() - 1, fill);
        ++firstLine_;
        ++screenTopLine_;
        renumberIfNeeded();
        return;
    }
    capHidden();
    if (scrollbackCount() >= scrollbackLimit_) {
        // The oldest line (no dropped lines are kept now) would be trimmed
        // right after the push: it becomes the new bottom row instead.
        held_.moveFrontToBack();
        ++firstLine_;
        blank(held_.size() - 1, fill);
    } else {
        appendLine(fill);
    }
    ++screenTopLine_;
    trimScrollback();
    renumberIfNeeded();
}

void LineStore::rotateUp(int top, int bottom, const Cell& fill, int count) {
    if (top < 0 || bottom >= rows_ || bottom < top) return;
    const int n = std::min(std::max(count, 1), bottom - top + 1);
    const std::size_t first = heldIndex(scrollbackCount() + top);
    const std::size_t last = heldIndex(scrollbackCount() + bottom + 1);
    held_.rotate(first, first + std::size_t(n), last);
    for (std::size_t i = last - std::size_t(n); i < last; ++i) blank(i, fill);
}

void LineStore::rotateDown(int top, int bottom, const Cell& fill, int count) {
    if (top < 0 || bottom >= rows_ || bottom < top) return;
    const int n = std::min(std::max(count, 1), bottom - top + 1);
    const std::size_t first = heldIndex(scrollbackCount() + top);
    const std::size_t last = heldIndex(scrollbackCount() + bottom + 1);
    held_.rotate(first, last - std::size_t(n), last);
    for (std::size_t i = first; i < first + std::size_t(n); ++i) blank(i, fill);
}

void LineStore::scrollUpFromTop(int bottom, const Cell& fill, std::int64_t steps) {
    bottom = std::clamp(bottom, 0, rows_ - 1);
    if (steps <= 0) return;
    const std::int64_t height = bottom + 1;
    if (steps >= height + scrollbackLimit_) {
        pushBlankLines(bottom, fill, steps);
        return;
    }
    // Fewer steps than region + limit.  Of the n lines entering the
    // scrollback, the first k are region rows 0..k-1 and the other f fill
    // lines; the region keeps rows k..bottom, followed by k fill lines.  The
    // oldest lines beyond the limit (old scrollback, then entering rows; never
    // the f fill lines, since f < limit) are dropped and reused.
    const auto n = std::size_t(steps);
    const std::size_t k = std::min<std::size_t>(n, std::size_t(height));
    const std::size_t f = n - k;
    const std::size_t kept = std::size_t(height) - k;  // region rows that stay on screen
    const std::size_t tail = std::size_t(rows_ - 1 - bottom);
    const std::int64_t dropped = std::max<std::int64_t>(0, scrollbackCount() + steps - scrollbackLimit_);
    hidden_ += std::size_t(dropped);  // capped below, once the numbers are right
    for (std::size_t i = 0; i < n; ++i) appendLine(fill);
    // Now: [held scrollback and entering rows][kept][tail][n fills];
    // wanted: [held scrollback and entering rows][f fills][kept][k fills][tail].
    const std::size_t end = held_.size();
    const std::size_t keptBegin = end - n - tail - kept;
    held_.rotate(keptBegin, end - n, end - n + f);
    const std::size_t tailBegin = keptBegin + f + kept;
    held_.rotate(tailBegin, tailBegin + tail, end);
    advanceNumbers(dropped, steps);
    capHidden();
}

void LineStore::pushBlankLines(int bottom, const Cell& fill, std::int64_t steps) {
    // All scrollback lines and the region rows end up as `fill` lines; their
    // order no longer matters, so the held lines are blanked in place and the
    // scrollback is topped up to its limit at the old end, from the dropped
    // lines kept there first.
    const int scrollback = scrollbackCount();
    for (std::size_t i = hidden_; i < heldIndex(scrollback + bottom + 1); ++i) blank(i, fill);
    for (int missing = scrollbackLimit_ - scrollback; missing > 0; --missing) {
        if (hidden_ > 0) {
            --hidden_;
            blank(hidden_, fill);
        } else {
            held_.pushFront(HeldLine{Line(std::size_t(columns_), fill), LineState{0, false, fill, fill}});
        }
    }
    // The scrollback now holds `limit` lines below a top advanced by `steps`.
    advanceNumbers(steps - scrollbackLimit_ + scrollback, steps);
    capHidden();
}

void LineStore::resize(int columns, int rows, const Cell& fill) {
    columns = atLeast(columns, 1);
    rows = atLeast(rows, 1);
    // Either order gives the same lines; this one never makes a line wider
    // than both the old and the new size require: narrower first, and rows
    // that leave through the scrollback limit before anything is widened.
    if (columns < columns_) {
        resizeColumns(columns, fill);
        resizeRows(rows, fill);
    } else {
        resizeRows(rows, fill);
        resizeColumns(columns, fill);
    }
}

void LineStore::resizeRows(int rows, const Cell& fill) {
    if (rows == rows_) return;
    const std::int64_t top = std::max<std::int64_t>(std::int64_t{screenTopLine_} + rows_ - rows, firstLine_);
    screenTopLine_ = std::int32_t(top);
    rows_ = rows;
    const std::size_t wanted = std::size_t(top - firstLine_) + std::size_t(rows_);
    while (held_.size() - hidden_ < wanted) appendLine(fill);
    trimScrollback();
    capHidden();
    renumberIfNeeded();
}

void LineStore::resizeColumns(int columns, const Cell& fill) {
    if (columns == columns_) return;
    // Dropped lines are not worth resizing.
    held_.popFront(hidden_);
    hidden_ = 0;
    for (std::size_t i = 0; i < held_.size(); ++i) {
        LineState& state = held_[i].state;
        // A recorded blanking with another fill cannot survive the new cells.
        if (state.blanked && !(state.blankFill == fill)) materialize(i);
        // A new vector of exactly the new width: no capacity is kept from an
        // earlier, wider screen.
        Line resized(std::size_t(columns), fill);
        std::copy_n(held_[i].cells.begin(), std::min(columns, columns_), resized.begin());
        held_[i].cells = std::move(resized);
        state.extent = std::min(state.extent, columns);
        if (columns > columns_ && !(fill == state.tail)) state.extent = columns;
    }
    columns_ = columns;
}

void LineStore::swap(LineStore& other) noexcept {
    held_.swap(other.held_);
    std::swap(hidden_, other.hidden_);
    std::swap(firstLine_, other.firstLine_);
    std::swap(screenTopLine_, other.screenTopLine_);
    std::swap(columns_, other.columns_);
    std::swap(rows_, other.rows_);
    std::swap(scrollbackLimit_, other.scrollbackLimit_);
    std::swap(pendingShift_, other.pendingShift_);
}

void LineStore::trimScrollback() {
    const int excess = scrollbackCount() - scrollbackLimit_;
    if (excess <= 0) return;
    firstLine_ += excess;
    hideOldest(std::size_t(excess));
}

void LineStore::setScrollbackLimit(int lines) {
    scrollbackLimit_ = atLeast(lines, 0);
    trimScrollback();
    capHidden();
}

void LineStore::clearScrollback() {
    const int count = scrollbackCount();
    if (count <= 0) return;
    firstLine_ = screenTopLine_;
    hideOldest(std::size_t(count));
}

void LineStore::clearAll(const Cell& fill) {
    // The screen rows' storage is kept and blanked: a reset storm allocates
    // nothing.
    clearScrollback();
    for (std::size_t i = hidden_; i < held_.size(); ++i) blank(i, fill);
    firstLine_ = 0;
    screenTopLine_ = 0;
}

void LineStore::renumber() {
    if (firstLine_ == 0) return;
    const std::int32_t shift = firstLine_;
    firstLine_ = 0;
    screenTopLine_ -= shift;
    pendingShift_ += shift;
}

std::int64_t LineStore::takeRenumberShift() { return std::exchange(pendingShift_, 0); }

void LineStore::checkInvariants() const {
    auto fail = [](const std::string& what) { throw std::logic_error("LineStore: " + what); };
    if (columns_ < 1 || rows_ < 1) fail("size below 1");
    if (scrollbackLimit_ < 0) fail("negative scrollback limit");
    if (screenTopLine_ < firstLine_) fail("screen top above the first line");
    if (scrollbackCount() > scrollbackLimit_) fail("scrollback beyond its limit");
    if (std::int64_t{screenTopLine_} + rows_ > kRenumberThreshold && firstLine_ != 0)
        fail("line numbers not renumbered");
    if (held_.size() != hidden_ + std::size_t(scrollbackCount()) + std::size_t(rows_))
        fail("held " + std::to_string(held_.size() - hidden_) + " lines, expected " +
             std::to_string(scrollbackCount() + rows_));
    if (hidden_ + std::size_t(scrollbackCount()) > std::size_t(scrollbackLimit_))
        fail("dropped lines kept beyond the limit");
    for (std::size_t i = 0; i < held_.size(); ++i) {
        const Line& line = held_[i].cells;
        const LineState& state = held_[i].state;
        if (line.size() != std::size_t(columns_)) fail("a line is not columns wide");
        if (state.extent < 0 || state.extent > columns_) fail("line extent out of range");
        for (std::size_t col = std::size_t(state.extent); col < line.size(); ++col)
            if (!(line[col] == state.tail))
                fail("line " + std::to_string(firstLine_ + std::int64_t(i) - std::int64_t(hidden_)) +
                     " has a written cell at column " + std::to_string(col) + " beyond its extent");
    }
}

}  // namespace vesper

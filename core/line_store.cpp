// LineStore: numbering, scrolling rotations, resizing and trimming of the
// lines of one screen.  Lines move as whole vectors (handle exchanges); only
// the one recycled line of a rotation or push is rewritten, and of that only
// the part that is not already default blank when the fill is the default.
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
    lines_.assign(std::size_t(rows_), Line(std::size_t(columns_), Cell()));
    extents_.assign(std::size_t(rows_), 0);
}

Line* LineStore::screenLine(int row) {
    if (row < 0 || row >= rows_) return nullptr;
    return &lines_[std::size_t(scrollbackCount()) + std::size_t(row)];
}

const Line* LineStore::screenLine(int row) const { return const_cast<LineStore*>(this)->screenLine(row); }

Line* LineStore::lineAtNumber(int line) {
    if (line < firstLine_ || line >= endLine()) return nullptr;
    return &lines_[std::size_t(line - firstLine_)];
}

const Line* LineStore::lineAtNumber(int line) const { return const_cast<LineStore*>(this)->lineAtNumber(line); }

void LineStore::noteWritten(int row, int endColumn) {
    if (row < 0 || row >= rows_) return;
    std::int32_t& extent = extents_[std::size_t(scrollbackCount()) + std::size_t(row)];
    extent = std::max(extent, std::min<std::int32_t>(endColumn, columns_));
}

void LineStore::blank(std::size_t index, const Cell& fill) {
    Line& line = lines_[index];
    std::int32_t& extent = extents_[index];
    const std::int32_t wanted = extentOf(fill, columns_);
    // With the default fill the cells from the extent on are already right.
    std::fill(line.begin(), line.begin() + std::max(extent, wanted), fill);
    extent = wanted;
}

void LineStore::appendLine(const Cell& fill) {
    lines_.emplace_back(std::size_t(columns_), fill);
    extents_.push_back(extentOf(fill, columns_));
}

void LineStore::pushLine(const Cell& fill) {
    if (scrollbackCount() >= scrollbackLimit_) {
        // The oldest line would be trimmed right after the push: reuse it as
        // the new bottom row instead of freeing one line and allocating another.
        Line recycled = std::move(lines_.front());
        const std::int32_t extent = extents_.front();
        lines_.pop_front();
        extents_.pop_front();
        ++firstLine_;
        lines_.push_back(std::move(recycled));
        extents_.push_back(extent);
        blank(lines_.size() - 1, fill);
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
    const std::size_t first = std::size_t(scrollbackCount() + top);
    const std::size_t last = std::size_t(scrollbackCount() + bottom + 1);
    std::rotate(lines_.begin() + first, lines_.begin() + first + n, lines_.begin() + last);
    std::rotate(extents_.begin() + first, extents_.begin() + first + n, extents_.begin() + last);
    for (std::size_t i = last - n; i < last; ++i) blank(i, fill);
}

void LineStore::rotateDown(int top, int bottom, const Cell& fill, int count) {
    if (top < 0 || bottom >= rows_ || bottom < top) return;
    const int n = std::min(std::max(count, 1), bottom - top + 1);
    const std::size_t first = std::size_t(scrollbackCount() + top);
    const std::size_t last = std::size_t(scrollbackCount() + bottom + 1);
    std::rotate(lines_.begin() + first, lines_.begin() + last - n, lines_.begin() + last);
    std::rotate(extents_.begin() + first, extents_.begin() + last - n, extents_.begin() + last);
    for (std::size_t i = first; i < first + n; ++i) blank(i, fill);
}

void LineStore::advanceBlankPushes(std::int64_t steps) {
    if (steps <= 0) return;
    // Held lines do not change: the scrollback is full of blank lines and a
    // push of a blank line followed by a trim only moves the numbers.
    std::int64_t first = std::int64_t{firstLine_} + steps;
    std::int64_t top = std::int64_t{screenTopLine_} + steps;
    if (top + rows_ > kRenumberThreshold) {
        pendingShift_ += first;
        top -= first;
        first = 0;
    }
    firstLine_ = std::int32_t(first);
    screenTopLine_ = std::int32_t(top);
}

void LineStore::resize(int columns, int rows, const Cell& fill) {
    columns = atLeast(columns, 1);
    rows = atLeast(rows, 1);
    if (columns != columns_) {
        const bool defaultFill = fill == Cell();
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            lines_[i].resize(std::size_t(columns), fill);
            std::int32_t& extent = extents_[i];
            extent = std::min(extent, columns);
            if (columns > columns_ && !defaultFill) extent = columns;
        }
        columns_ = columns;
    }
    if (rows == rows_) return;
    const std::int64_t top = std::max<std::int64_t>(std::int64_t{screenTopLine_} + rows_ - rows, firstLine_);
    screenTopLine_ = std::int32_t(top);
    rows_ = rows;
    const std::size_t wanted = std::size_t(top - firstLine_) + std::size_t(rows_);
    while (lines_.size() < wanted) appendLine(fill);
    trimScrollback();
    renumberIfNeeded();
}

void LineStore::swap(LineStore& other) noexcept {
    lines_.swap(other.lines_);
    extents_.swap(other.extents_);
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
    lines_.erase(lines_.begin(), lines_.begin() + excess);
    extents_.erase(extents_.begin(), extents_.begin() + excess);
    firstLine_ += excess;
}

void LineStore::setScrollbackLimit(int lines) {
    scrollbackLimit_ = atLeast(lines, 0);
    trimScrollback();
}

void LineStore::clearScrollback() {
    const int count = scrollbackCount();
    if (count <= 0) return;
    lines_.erase(lines_.begin(), lines_.begin() + count);
    extents_.erase(extents_.begin(), extents_.begin() + count);
    firstLine_ = screenTopLine_;
}

void LineStore::clearAll(const Cell& fill) {
    lines_.clear();
    extents_.clear();
    for (int row = 0; row < rows_; ++row) appendLine(fill);
    firstLine_ = 0;
    screenTopLine_ = 0;
}

void LineStore::renumberIfNeeded() {
    if (std::int64_t{screenTopLine_} + rows_ <= kRenumberThreshold || firstLine_ == 0) return;
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
    if (lines_.size() != std::size_t(scrollbackCount()) + std::size_t(rows_))
        fail("held " + std::to_string(lines_.size()) + " lines, expected " +
             std::to_string(scrollbackCount() + rows_));
    if (extents_.size() != lines_.size()) fail("extents not one per line");
    const Cell blankCell;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const Line& line = lines_[i];
        if (line.size() != std::size_t(columns_)) fail("a line is not columns wide");
        if (extents_[i] < 0 || extents_[i] > columns_) fail("line extent out of range");
        for (std::size_t col = std::size_t(extents_[i]); col < line.size(); ++col)
            if (!(line[col] == blankCell))
                fail("line " + std::to_string(firstLine_ + std::int64_t(i)) + " has a written cell at column " +
                     std::to_string(col) + " beyond its extent");
    }
}

}  // namespace vesper

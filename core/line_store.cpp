// LineStore: numbering, scrolling rotations, resizing and trimming of the
// lines of one screen.  Lines move as whole vectors (handle exchanges); only
// the one recycled line of a rotation or push is rewritten.
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

void LineStore::blank(Line& line, const Cell& fill) const { std::fill(line.begin(), line.end(), fill); }

void LineStore::pushLine(const Cell& fill) {
    if (scrollbackCount() >= scrollbackLimit_) {
        // The oldest line would be trimmed right after the push: reuse it as
        // the new bottom row instead of freeing one line and allocating another.
        Line recycled = std::move(lines_.front());
        lines_.pop_front();
        ++firstLine_;
        blank(recycled, fill);
        lines_.push_back(std::move(recycled));
    } else {
        lines_.emplace_back(std::size_t(columns_), fill);
    }
    ++screenTopLine_;
    trimScrollback();
    renumberIfNeeded();
}

void LineStore::rotateUp(int top, int bottom, const Cell& fill, int count) {
    if (top < 0 || bottom >= rows_ || bottom < top) return;
    const int n = std::min(std::max(count, 1), bottom - top + 1);
    const auto first = lines_.begin() + scrollbackCount() + top;
    const auto last = lines_.begin() + scrollbackCount() + bottom + 1;
    std::rotate(first, first + n, last);
    for (auto it = last - n; it != last; ++it) blank(*it, fill);
}

void LineStore::rotateDown(int top, int bottom, const Cell& fill, int count) {
    if (top < 0 || bottom >= rows_ || bottom < top) return;
    const int n = std::min(std::max(count, 1), bottom - top + 1);
    const auto first = lines_.begin() + scrollbackCount() + top;
    const auto last = lines_.begin() + scrollbackCount() + bottom + 1;
    std::rotate(first, last - n, last);
    for (auto it = first; it != first + n; ++it) blank(*it, fill);
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
        for (Line& line : lines_) line.resize(std::size_t(columns), fill);
        columns_ = columns;
    }
    if (rows == rows_) return;
    const std::int64_t top = std::max<std::int64_t>(std::int64_t{screenTopLine_} + rows_ - rows, firstLine_);
    screenTopLine_ = std::int32_t(top);
    rows_ = rows;
    const std::size_t wanted = std::size_t(top - firstLine_) + std::size_t(rows_);
    while (lines_.size() < wanted) lines_.emplace_back(std::size_t(columns_), fill);
    trimScrollback();
    renumberIfNeeded();
}

void LineStore::swap(LineStore& other) noexcept {
    lines_.swap(other.lines_);
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
    firstLine_ = screenTopLine_;
}

void LineStore::clearAll(const Cell& fill) {
    lines_.clear();
    lines_.assign(std::size_t(rows_), Line(std::size_t(columns_), fill));
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
    for (const Line& line : lines_)
        if (line.size() != std::size_t(columns_)) fail("a line is not columns wide");
}

}  // namespace vesper

// Screen model: construction, printing with deferred wrap and wide
// characters, the index/scroll step that feeds the scrollback, resizing, the
// alternate screen, the view over the scrollback and the dirty-row record.
#include "core/screen.h"

#include <algorithm>
#include <limits>

namespace vesper {

namespace {
// What viewCellAt answers for a position that holds no cell.
const Cell kDefaultBlankCell{};
int atLeastOne(int value) { return value < 1 ? 1 : value; }
}  // namespace

Screen::Screen(int columns, int rows, int scrollbackLines)
    : columns_(atLeastOne(columns)),
      rows_(atLeastOne(rows)),
      scrollBottom_(rows_ - 1),
      lines_(columns_, rows_, scrollbackLines),
      dirtyFlags_(std::size_t(rows_), 0) {
    markAllDirty();
}

Screen::~Screen() = default;

void Screen::print(std::uint32_t codePoint) {
    const int width = cellWidth(codePoint);
    if (width == 0) return;  // combining marks and controls are dropped whole
    resetView();
    if (cursorColumn_ + width > columns_) {
        if (autoWrap_) {
            cursorColumn_ = 0;
            index();
        } else {
            cursorColumn_ = std::max(columns_ - width, 0);
        }
    }
    Cell* cells = lines_.screenLine(cursorRow_)->data();
    textRun().put(cells + cursorColumn_, codePoint, attributes_);
    int end = cursorColumn_ + 1;
    if (width == 2 && end < columns_) continuationRun().put(cells + end++, 0, attributes_);
    lines_.noteWritten(cursorRow_, end);
    markDirty(cursorRow_);
    cursorColumn_ = std::min(cursorColumn_ + width, columns_);
}

/* The fast path for printable ASCII.
 *
 * Preconditions: every byte of the run is 0x20..0x7E, so each is its own code
 * point of width 1 and print() would write exactly one narrow cell with the
 * current attributes.  The run is written in pieces that end at the end of
 * the cursor row: each piece stores its cells straight into the row, marks the
 * row once and moves the cursor once.  A byte that meets a pending wrap goes
 * through print(), which performs the wrap (and any scroll) exactly as for a
 * single character.  With auto-wrap off every byte past the last column would
 * overwrite that column, so only the run's last byte is printed there.
 */
void Screen::printAscii(const std::uint8_t* bytes, std::int64_t count) {
    if (count <= 0) return;
    resetView();
    const CellRun& run = textRun();
    std::int64_t i = 0;
    while (i < count) {
        if (cursorColumn_ >= columns_) {
            if (!autoWrap_) {
                print(bytes[count - 1]);
                return;
            }
            print(bytes[i++]);
            continue;
        }
        const std::int64_t piece = std::min<std::int64_t>(columns_ - cursorColumn_, count - i);
        Cell* out = lines_.cellsForWrite(cursorRow_, cursorColumn_, cursorColumn_ + std::int32_t(piece)) + cursorColumn_;
        const std::uint8_t* in = bytes + i;
        if (CellRun::wordsUsable()) {
            run.storeBytes(out, in, piece);
        } else {
            for (std::int64_t j = 0; j < piece; ++j) out[j] = Cell(in[j], attributes_);
        }
        markDirty(cursorRow_);
        cursorColumn_ += std::int32_t(piece);
        i += piece;
    }
}

/* The run path for decoded text.  Characters that fit before the end of the
 * cursor row are stored straight into it; the row is looked up, noted and
 * marked once per stretch.  A character that would cross the row's end (wrap
 * or clamp) goes through print(), after the stretch so far is noted.
 * Zero-width characters are dropped, as print() drops them.
 */
void Screen::printText(const std::uint32_t* codePoints, std::int64_t count) {
    // Local copies: the cell stores go through char pointers, which could
    // alias this object, so members would be reloaded after every cell.
    const CellRun text = textRun();
    const CellRun continuation = continuationRun();
    const bool words = CellRun::wordsUsable();
    const int columns = columns_;
    int column = cursorColumn_;
    Cell* cells = nullptr;  // the cursor row, while a stretch is open
    auto closeStretch = [&] {
        cursorColumn_ = column;
        lines_.noteWritten(cursorRow_, cursorColumn_);
        markDirty(cursorRow_);
        cells = nullptr;
    };
    for (std::int64_t i = 0; i < count; ++i) {
        const std::uint32_t codePoint = codePoints[i];
        const int width = codePoint < 0x7F && codePoint >= 0x20 ? 1 : cellWidth(codePoint);
        if (width == 0) continue;
        if (column + width > columns) {
            if (cells) closeStretch();
            cursorColumn_ = column;
            print(codePoint);
            column = cursorColumn_;
            continue;
        }
        if (!cells) {
            resetView();
            cells = lines_.screenLine(cursorRow_)->data();
        }
        if (words) {
            text.store(cells + column, codePoint);
            if (width == 2) continuation.store(cells + column + 1, 0);
        } else {
            text.put(cells + column, codePoint, attributes_);
            if (width == 2) continuation.put(cells + column + 1, 0, attributes_);
        }
        column += width;
    }
    if (cells) closeStretch();
    cursorColumn_ = column;
}

void Screen::index() {
    resetView();
    if (cursorRow_ == scrollBottom_) {
        scrollRegionUp();
        markRows(scrollTop_, scrollBottom_);
    } else if (cursorRow_ < rows_ - 1) {
        ++cursorRow_;
    }
}

void Screen::scrollRegionUp() {
    const Cell fill = fillCell();
    if (scrollTop_ != 0) {
        lines_.rotateUp(scrollTop_, scrollBottom_, fill);
        return;
    }
    // With the region at the top, the top line enters the scrollback whatever
    // the bottom margin; rows below the region return to their places.
    lines_.pushLine(fill);
    if (scrollBottom_ < rows_ - 1) lines_.rotateDown(scrollBottom_, rows_ - 1, fill);
    notifyRenumbering(lines_.takeRenumberShift());
}

void Screen::notifyRenumbering(std::int64_t shift) {
    // A shift beyond the int32 range is reported in pieces.
    while (shift > 0) {
        const auto piece = std::int32_t(std::min<std::int64_t>(shift, std::numeric_limits<std::int32_t>::max()));
        if (lineRenumberCallback) lineRenumberCallback(piece);
        shift -= piece;
    }
}

void Screen::addDirtyRow(int row) {
    dirtyFlags_[std::size_t(row)] = 1;
    dirtyRows_.insert(row);
}

void Screen::markAllDirty() {
    if (dirtyRows_.size() == std::size_t(rows_)) return;  // all marked already
    for (int row = 0; row < rows_; ++row) markDirty(row);
}

void Screen::markRows(int from, int to) {
    // Scrolling marks the whole region on every line feed; between paints
    // the rows are usually all marked already.
    if (dirtyRows_.size() == std::size_t(rows_)) return;
    for (int row = std::max(from, 0); row <= std::min(to, rows_ - 1); ++row) markDirty(row);
}

void Screen::clearDirtyRows() {
    dirtyRows_.clear();
    std::fill(dirtyFlags_.begin(), dirtyFlags_.end(), 0);
}

void Screen::resize(int columns, int rows) {
    columns = atLeastOne(columns);
    rows = atLeastOne(rows);
    if (columns == columns_ && rows == rows_) return;
    resetView();
    const Cell fill = fillCell();
    const std::int64_t oldTop = lines_.screenTopLine();
    lines_.resize(columns, rows, fill);
    // A renumbering inside the resize lowered the new top: add it back so the
    // cursor stays on the same text line.
    const std::int64_t shift = lines_.takeRenumberShift();
    const std::int64_t row = cursorRow_ + oldTop - (std::int64_t{lines_.screenTopLine()} + shift);
    if (otherLines_) {
        otherLines_->resize(columns, rows, fill);
        otherLines_->takeRenumberShift();  // its numbers are not visible while inactive
    }
    columns_ = columns;
    rows_ = rows;
    cursorColumn_ = std::clamp(cursorColumn_, 0, columns_ - 1);
    cursorRow_ = std::int32_t(std::clamp<std::int64_t>(row, 0, rows_ - 1));
    scrollTop_ = 0;
    scrollBottom_ = rows_ - 1;
    dirtyRows_.erase(dirtyRows_.lower_bound(rows_), dirtyRows_.end());
    dirtyFlags_.assign(std::size_t(rows_), 0);
    for (int dirty : dirtyRows_) dirtyFlags_[std::size_t(dirty)] = 1;
    markAllDirty();
    notifyRenumbering(shift);
}

void Screen::setAlternateScreen(bool on) {
    if (on == alternateActive_) return;
    resetView();
    if (!otherLines_) otherLines_ = std::make_unique<LineStore>(columns_, rows_, 0);
    lines_.swap(*otherLines_);
    alternateActive_ = on;
    markAllDirty();
}

// --- the view ----------------------------------------------------------------

void Screen::returnToLiveView() {
    viewOffset_ = 0;
    viewScrolled_ = false;
    markAllDirty();
}

namespace {
int clampView(std::int64_t target, int count) { return int(std::clamp<std::int64_t>(target, 0, count)); }
}  // namespace

void Screen::scrollViewUp(int lines) {
    setViewOffset(clampView(std::int64_t{viewOffset_} + std::max(lines, 1), scrollbackLineCount()));
}

void Screen::scrollViewDown(int lines) {
    if (!viewScrolled_) return;
    setViewOffset(clampView(std::int64_t{viewOffset_} - std::max(lines, 1), scrollbackLineCount()));
}

void Screen::setViewOffset(int lines) {
    const int target = clampView(lines, scrollbackLineCount());
    if (target == viewOffset_) return;
    viewOffset_ = target;
    viewScrolled_ = target != 0;
    markAllDirty();
}

int Screen::viewTopLine() const { return std::max(lines_.screenTopLine() - viewOffset_, lines_.firstLine()); }

const Cell& Screen::viewCellAt(int column, int row) const {
    if (column < 0 || column >= columns_ || row < 0 || row >= rows_) return kDefaultBlankCell;
    const Line* line = lines_.lineAtNumber(viewTopLine() + row);
    if (!line || std::size_t(column) >= line->size()) return kDefaultBlankCell;
    return (*line)[std::size_t(column)];
}

}  // namespace vesper

// LineStore: numbering, scrolling rotations, resizing and trimming of the
// lines of one screen, and the packing of the lines that leave it.  Lines
// move as whole vectors (handle exchanges); blanking is recorded per line and
// carried out when the line is next written, and then only for the cells
// that may differ from the fill.
#include "core/line_store.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>

#include <utf8proc.h>

namespace vesper {

namespace {
int atLeast(int value, int minimum) { return value < minimum ? minimum : value; }
int limitOf(int lines) { return lines < 0 ? LineStore::kUnlimitedScrollback : std::min(lines, LineStore::kUnlimitedScrollback); }
}  // namespace

LineStore::LineStore(int columns, int rows, int scrollbackLimit, LinkTable& links)
    : links_(&links),
      columns_(atLeast(columns, 1)),
      rows_(atLeast(rows, 1)),
      scrollbackLimit_(limitOf(scrollbackLimit)) {
    for (int i = 0; i < rows_; ++i) ring_.pushBack(newLine(Cell()));
}

// A new line is packed and empty: it costs no cells until it is written.
LineStore::StoredLine LineStore::newLine(const Cell& fill) const {
    return StoredLine{Line(), LineState{0, false, false, fill, fill}, nullptr, PackedRef()};
}

LineView LineStore::line(int number) const {
    LineView view;
    if (number < firstLine_ || number >= endLine()) return view;
    const StoredLine& stored = ring_[spares_ + std::size_t(number - firstLine_)];
    view.extras_ = stored.extras.get();
    view.size_ = columns_;
    view.wrapped_ = stored.state.wrapped;
    if (!stored.isPacked()) {
        view.cells_ = stored.cells.data();
        view.blankFill_ = stored.state.blanked ? &stored.state.blankFill : nullptr;
    } else if (!stored.packed) {
        view.cells_ = &stored.state.tail;
        view.blankFill_ = &stored.state.tail;
    } else {
        const std::uint64_t handle = stored.packed.handle();
        if (!expanded_) expanded_ = std::make_unique<ExpandedLines>();
        const Cell* cells = expanded_->find(handle, number);
        if (!cells) {
            Cell* out = expanded_->insert(handle, number, columns_);
            expand(stored, out, columns_);
            cells = out;
        }
        view.cells_ = cells;
    }
    return view;
}

bool LineStore::packedText(int number, std::vector<char>& out, std::size_t& used, int tailCells) const {
    if (number < firstLine_ || number >= endLine()) return false;
    const StoredLine& stored = ring_[spares_ + std::size_t(number - firstLine_)];
    if (!stored.isPacked() || stored.extras) return false;
    const std::size_t most = 4 * std::size_t(columns_);
    if (out.size() < used + most) out.resize(2 * (used + most));
    char* at = out.data() + used;
    if (stored.packed) at += packed_cells::text(stored.packed.bytes(), stored.state.extent, at);
    const Cell& tail = stored.state.tail;
    const int blanks = std::min(columns_ - stored.state.extent, std::max(tailCells, 0));
    if (!tail.wideContinuation() && blanks > 0) {
        const std::uint32_t cp = tail.codePoint() == 0 ? kSpace : tail.codePoint();
        if (cp < 0x80) {
            at = std::fill_n(at, blanks, char(cp));
        } else {  // a fill of another character: rare (DECALN's E is ASCII)
            utf8proc_uint8_t encoded[4];
            const auto size = std::size_t(std::max<utf8proc_ssize_t>(utf8proc_encode_char(utf8proc_int32_t(cp), encoded), 0));
            for (int k = 0; k < blanks; ++k) at = std::copy_n(reinterpret_cast<const char*>(encoded), size, at);
        }
    }
    used = std::size_t(at - out.data());
    return true;
}

// --- packing -------------------------------------------------------------------

[[gnu::always_inline]] inline void LineStore::packInto(PackedRef& packed, const Cell* cells, int& count,
                                                       const Cell& tail) {
    while (count > 0 && cells[count - 1] == tail) --count;
    if (count == 0) return;
    PackedArena& arena = *arena_;
    std::uint8_t* out = arena.reserve(packed_cells::mostBytes(count));
    packed.assign(arena, arena.commit(packed_cells::pack(cells, count, out)));
}

// Inlined into the scroll step, which packs a line per line feed.
[[gnu::always_inline]] inline void LineStore::packState(StoredLine& stored) {
    LineState& state = stored.state;
    if (state.blanked) {
        state.tail = state.blankFill;
        state.extent = 0;
        state.blanked = false;
    } else {
        packInto(stored.packed, stored.cells.data(), state.extent, state.tail);
    }
}

void LineStore::pack(StoredLine& stored) {
    if (stored.isPacked()) return;
    packState(stored);
    Line cells;
    cells.swap(stored.cells);
    giveCells(std::move(cells));
}

PackedRef LineStore::packCells(const Cell* cells, int& count, const Cell& tail) {
    PackedRef packed;
    packInto(packed, cells, count, tail);
    return packed;
}

void LineStore::packNewest(std::int64_t count) {
    const std::size_t end = rowIndex(0);
    const std::size_t begin = end - std::size_t(std::clamp<std::int64_t>(count, 0, scrollbackCount()));
    for (std::size_t i = begin; i < end; ++i) pack(ring_[i]);
}

void LineStore::unpack(StoredLine& stored) {
    Line cells = takeCells();
    expand(stored, cells.data(), columns_);
    stored.cells.swap(cells);
    stored.packed.reset();
}

void LineStore::expand(const StoredLine& stored, Cell* out, int columns) const {
    const LineState& state = stored.state;
    if (!stored.isPacked()) {
        if (state.blanked)
            CellRun::fill(out, out + columns, state.blankFill);
        else
            std::copy_n(stored.cells.data(), columns, out);
        return;
    }
    if (stored.packed) packed_cells::unpack(stored.packed.bytes(), out, state.extent);
    CellRun::fill(out + state.extent, out + columns, state.tail);
}

bool LineStore::holdsOnly(const StoredLine& stored, const Cell& cell, int columns) const {
    const LineState& state = stored.state;
    if (!stored.isPacked()) {
        if (state.blanked) return state.blankFill == cell;
        return std::all_of(stored.cells.begin(), stored.cells.end(), [&](const Cell& c) { return c == cell; });
    }
    if (state.extent < columns && !(state.tail == cell)) return false;
    if (state.extent == 0) return true;
    Line cells(static_cast<std::size_t>(columns));
    expand(stored, cells.data(), columns);
    return std::all_of(cells.begin(), cells.end(), [&](const Cell& c) { return c == cell; });
}

Line LineStore::takeCells() {
    if (spareCells_.empty()) return Line(std::size_t(columns_));
    Line cells = std::move(spareCells_.back());
    spareCells_.pop_back();
    cells.resize(std::size_t(columns_));
    return cells;
}

void LineStore::giveCells(Line&& cells) {
    if (spareCells_.size() < kSpareCellVectors && cells.size() == std::size_t(columns_))
        spareCells_.push_back(std::move(cells));
}

// --- writing -------------------------------------------------------------------

LineExtras& LineStore::extrasOf(std::size_t index) {
    std::unique_ptr<LineExtras>& extras = ring_[index].extras;
    if (!extras) extras = std::make_unique<LineExtras>(*links_, columns_);
    return *extras;
}

std::int64_t LineStore::writeText(int row, int& column, const std::uint32_t* text, std::int64_t count,
                                  const CellRun& pen, LinkId link, const CellDecoration& decoration) {
    if (!validRow(row)) return 0;
    // A recorded blanking is carried out after the stores, around the
    // columns they covered (text often fills a recycled row).
    const std::size_t index = rowIndex(row);
    if (ring_[index].isPacked()) unpack(ring_[index]);
    Cell* const cells = ring_[index].cells.data();
    const int start = column;
    int at = column;
    const std::int64_t i = pen.storeText(cells, at, columns_, text, count);
    if (at > start) prepareWrite(index, start, at, link, decoration);
    column = at;
    return i;
}

void LineStore::writeCharacter(int row, int column, std::uint32_t codePoint, int width, const CellRun& pen,
                               LinkId link, const CellDecoration& decoration) {
    if (!validRow(row) || column < 0 || column >= columns_) return;
    const int end = std::min(column + width, columns_);
    Cell* cells = prepareWrite(rowIndex(row), column, end, link, decoration);
    pen.put(cells + column, codePoint);
    if (end - column == 2) pen.putContinuation(cells + column + 1);
}

void LineStore::fill(int row, int from, int to, const Cell& fill) {
    if (!validRow(row)) return;
    from = std::clamp(from, 0, columns_);
    to = std::clamp(to, from, columns_);
    const std::size_t index = rowIndex(row);
    if (from == 0 && to == columns_) {
        blank(index, fill);
        return;
    }
    if (from == to) return;
    StoredLine& stored = ring_[index];
    materialize(index);
    CellRun::fill(stored.cells.data() + from, stored.cells.data() + to, fill);
    if (!(fill == stored.state.tail)) stored.state.extent = std::max(stored.state.extent, to);
    if (stored.extras) stored.extras->overwrite(from, to, 0);
    if (to == columns_) stored.state.wrapped = false;
}

void LineStore::shift(int row, int from, int by, const Cell& fill) {
    if (!validRow(row) || from < 0 || from >= columns_ || by == 0) return;
    const std::size_t index = rowIndex(row);
    StoredLine& stored = ring_[index];
    materialize(index);
    Line& cells = stored.cells;
    const int n = int(std::min<std::int64_t>(by < 0 ? -std::int64_t{by} : by, columns_ - from));
    if (by > 0) {
        std::move_backward(cells.begin() + from, cells.end() - n, cells.end());
        CellRun::fill(cells.data() + from, cells.data() + from + n, fill);
    } else {
        std::move(cells.begin() + from + n, cells.end(), cells.begin() + from);
        CellRun::fill(cells.data() + cells.size() - n, cells.data() + cells.size(), fill);
    }
    stored.state.extent = columns_;  // written cells may have moved anywhere
    if (stored.extras) stored.extras->shift(from, by > 0 ? n : -n);
}

void LineStore::addMark(int row, int column, char32_t mark) {
    if (!validRow(row) || column < 0 || column >= columns_) return;
    const std::size_t index = rowIndex(row);
    materialize(index);  // a recorded blanking would drop the mark
    extrasOf(index).addMark(column, mark);
}

void LineStore::setWrapped(int row) {
    if (!validRow(row)) return;
    const std::size_t index = rowIndex(row);
    materialize(index);
    ring_[index].state.wrapped = true;
}

void LineStore::setShellMark(int row, int column, ShellMarkKind kind, std::optional<int> exitCode) {
    if (!validRow(row) || column < 0 || column >= columns_) return;
    const std::size_t index = rowIndex(row);
    materialize(index);  // a recorded blanking would drop the mark
    extrasOf(index).setShellMark(kind, column, exitCode);
}

// --- lazy blanking -------------------------------------------------------------

void LineStore::blank(std::size_t index, const Cell& fill) { blank(ring_[index], fill); }

void LineStore::blank(StoredLine& stored, const Cell& fill) {
    stored.state.wrapped = false;
    stored.extras.reset();
    if (stored.isPacked()) {
        // A packed line drops its cells at once: nothing is left to write.
        stored.packed.reset();
        stored.state.extent = 0;
        stored.state.tail = fill;
        return;
    }
    stored.state.blanked = true;
    stored.state.blankFill = fill;
}

void LineStore::blankPacked(StoredLine& stored, const Cell& fill) {
    const LineState& state = stored.state;
    if (stored.isPacked() && !stored.packed && !stored.extras && !state.wrapped && state.tail == fill) return;
    blank(stored, fill);
    pack(stored);
}

[[gnu::always_inline]] inline void LineStore::recycle(StoredLine& stored, const Cell& fill) {
    LineState& state = stored.state;
    if (stored.isPacked() || state.blanked || state.extent > kEagerBlankCells || !(state.tail == fill)) {
        blank(stored, fill);
        return;
    }
    Cell* const cells = stored.cells.data();
    CellRun::fill(cells, cells + state.extent, fill);
    state.extent = 0;
    state.wrapped = false;
    stored.extras.reset();
}

void LineStore::carryOutBlanking(std::size_t index, int skipFrom, int skipTo) {
    LineState& state = ring_[index].state;
    Line& line = ring_[index].cells;
    // Cells from the extent on already equal the tail: when that is the fill,
    // only the cells before it need rewriting.
    const int end = state.tail == state.blankFill ? state.extent : columns_;
    Cell* const cells = line.data();
    CellRun::fill(cells, cells + std::min(skipFrom, end), state.blankFill);
    if (skipTo < end) CellRun::fill(cells + std::max(skipTo, 0), cells + end, state.blankFill);
    state.tail = state.blankFill;
    state.extent = 0;
    state.blanked = false;
}

// --- moving lines --------------------------------------------------------------

void LineStore::appendLine(const Cell& fill) {
    if (spares_ > 0) {
        // Reuse the oldest dropped line.
        ring_.moveFrontToBack();
        --spares_;
        blank(ring_.size() - 1, fill);
    } else {
        ring_.pushBack(newLine(fill));
    }
}

// A spare keeps its cell vector, if it has one, but no packed cells or
// extras; only what it holds is touched (storms of scrolls pass over every
// spare each time).
void LineStore::dropSpareContent(std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to && i < ring_.size(); ++i) {
        StoredLine& stored = ring_[i];
        if (stored.extras) stored.extras.reset();
        if (stored.packed) {
            stored.packed.reset();
            stored.state.extent = 0;
        }
    }
}

void LineStore::addSpares(std::size_t count) {
    dropSpareContent(spares_, spares_ + count);
    spares_ += count;
    capSpares();
}

void LineStore::capSpares() {
    // Spares plus scrollback held never exceed the limit.
    const std::size_t allowed = std::min(std::size_t(scrollbackLimit_ - scrollbackCount()), kMaxSpareLines);
    if (spares_ <= allowed) return;
    const std::size_t excess = spares_ - allowed;
    ring_.popFront(excess);
    spares_ = allowed;
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
    if (spares_ == 0 && scrollbackCount() >= scrollbackLimit_) {
        // The steady state of a full scrollback: the oldest line becomes the
        // new bottom row.  With the ring exactly full that is a step of its
        // head, and nothing else moves.
        ring_.fit();
        StoredLine& bottom = *ring_.moveFrontToBack();  // the store holds at least one row
        ++firstLine_;
        ++screenTopLine_;
        StoredLine* entered = scrollbackCount() > 0 ? &ring_[rowIndex(0) - 1] : nullptr;
        if (entered && bottom.isPacked() && !entered->isPacked()) {
            // The row entering the scrollback hands its cells, with what is
            // known of them, to the new bottom row: recycling then blanks
            // only what was written, as without packing.
            bottom.packed.reset();
            bottom.extras.reset();
            bottom.state = entered->state;
            packState(*entered);
            bottom.cells.swap(entered->cells);  // the bottom row, packed, had none
        } else if (entered) {
            pack(*entered);
        }
        recycle(bottom, fill);
        renumberIfNeeded();
        return;
    }
    capSpares();
    if (scrollbackCount() >= scrollbackLimit_) {
        // The oldest line (no dropped lines are kept now) would be trimmed
        // right after the push: it becomes the new bottom row instead.
        ring_.moveFrontToBack();
        ++firstLine_;
        blank(ring_.size() - 1, fill);
    } else {
        appendLine(fill);
    }
    ++screenTopLine_;
    trimScrollback();
    packNewest(1);
    renumberIfNeeded();
}

void LineStore::rotateUp(int top, int bottom, const Cell& fill, int count) {
    if (top < 0 || bottom >= rows_ || bottom < top) return;
    const int n = std::min(std::max(count, 1), bottom - top + 1);
    const std::size_t first = rowIndex(top);
    const std::size_t last = rowIndex(bottom + 1);
    ring_.rotate(first, first + std::size_t(n), last);
    for (std::size_t i = last - std::size_t(n); i < last; ++i) blank(i, fill);
}

void LineStore::rotateDown(int top, int bottom, const Cell& fill, int count) {
    if (top < 0 || bottom >= rows_ || bottom < top) return;
    const int n = std::min(std::max(count, 1), bottom - top + 1);
    const std::size_t first = rowIndex(top);
    const std::size_t last = rowIndex(bottom + 1);
    ring_.rotate(first, last - std::size_t(n), last);
    for (std::size_t i = first; i < first + std::size_t(n); ++i) blank(i, fill);
}

void LineStore::scrollUpFromTop(int bottom, const Cell& fill, std::int64_t steps) {
    bottom = std::clamp(bottom, 0, rows_ - 1);
    if (steps <= 0) return;
    const std::int64_t height = bottom + 1;
    if (scrollbackLimit_ > kMaxBlankLinesPerScroll) steps = std::min<std::int64_t>(steps, height + kMaxBlankLinesPerScroll);
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
    spares_ += std::size_t(dropped);  // capped below, once the numbers are right (their extras go then)
    for (std::size_t i = 0; i < n; ++i) appendLine(fill);
    // Now: [held scrollback and entering rows][kept][tail][n fills];
    // wanted: [held scrollback and entering rows][f fills][kept][k fills][tail].
    const std::size_t end = ring_.size();
    const std::size_t keptBegin = end - n - tail - kept;
    ring_.rotate(keptBegin, end - n, end - n + f);
    const std::size_t tailBegin = keptBegin + f + kept;
    ring_.rotate(tailBegin, tailBegin + tail, end);
    advanceNumbers(dropped, steps);
    capSpares();
    dropSpareContent(0, spares_);  // within the bound: spares never outnumber the limit
    packNewest(steps);
    trimScrollback();  // an unlimited scrollback's memory bound
}

void LineStore::pushBlankLines(int bottom, const Cell& fill, std::int64_t steps) {
    // All scrollback lines and the region rows end up as `fill` lines; their
    // order no longer matters, so the held lines are blanked in place and the
    // scrollback is topped up to its limit at the old end, from the dropped
    // lines kept there first.
    // A flood of huge counts repeats this on a scrollback that is already
    // blank, so a line that already is the packed `fill` is left untouched.
    const int scrollback = scrollbackCount();
    const std::size_t screenTop = rowIndex(0);
    for (std::size_t i = spares_; i < screenTop; ++i) blankPacked(ring_[i], fill);
    for (std::size_t i = screenTop; i < rowIndex(bottom + 1); ++i) blank(i, fill);
    for (int missing = scrollbackLimit_ - scrollback; missing > 0; --missing) {
        if (spares_ > 0) {
            --spares_;
            blankPacked(ring_[spares_], fill);  // a reused spare may still hold cells
        } else {
            ring_.pushFront(newLine(fill));
        }
    }
    // The scrollback now holds `limit` lines below a top advanced by `steps`.
    advanceNumbers(steps - scrollbackLimit_ + scrollback, steps);
    capSpares();
    trimScrollback();  // an unlimited scrollback's memory bound
}

void LineStore::resize(int columns, int rows, const Cell& fill, int cursorRow) {
    columns = atLeast(columns, 1);
    rows = atLeast(rows, 1);
    // Either order gives the same lines; this one never makes a line wider
    // than both the old and the new size require: narrower first, and rows
    // that leave through the scrollback limit before anything is widened.
    if (columns < columns_) {
        resizeColumns(columns, fill);
        resizeRows(rows, fill, cursorRow);
    } else {
        resizeRows(rows, fill, cursorRow);
        resizeColumns(columns, fill);
    }
}

bool LineStore::rowIsBlank(int row) const {
    const StoredLine& stored = ring_[rowIndex(row)];
    if (stored.extras || stored.state.wrapped) return false;
    return holdsOnly(stored, Cell(), columns_);
}

void LineStore::resizeRows(int rows, const Cell& fill, int cursorRow) {
    if (rows == rows_) return;
    // Blank rows below the cursor row leave first, from the bottom.
    int removable = 0;
    while (rows_ - removable > rows && rows_ - 1 - removable > cursorRow && rowIsBlank(rows_ - 1 - removable))
        ++removable;
    if (removable > 0) {
        ring_.popBack(std::size_t(removable));
        rows_ -= removable;
        if (rows == rows_) return;
    }
    const std::int64_t top = std::max<std::int64_t>(std::int64_t{screenTopLine_} + rows_ - rows, firstLine_);
    const std::int64_t entered = top - screenTopLine_;  // rows that left at the top
    screenTopLine_ = std::int32_t(top);
    rows_ = rows;
    const std::size_t wanted = std::size_t(top - firstLine_) + std::size_t(rows_);
    while (ring_.size() - spares_ < wanted) appendLine(fill);
    trimScrollback();
    capSpares();
    packNewest(entered);
    renumberIfNeeded();
}

void LineStore::resizeColumns(int columns, const Cell& fill) {
    if (columns == columns_) return;
    // Dropped lines are not worth resizing.
    ring_.popFront(spares_);
    spares_ = 0;
    spareCells_.clear();
    expanded_.reset();
    for (std::size_t i = 0; i < ring_.size(); ++i) {
        StoredLine& stored = ring_[i];
        LineState& state = stored.state;
        state.wrapped = false;
        if (stored.extras) stored.extras->resize(columns);
        const bool wasPacked = stored.isPacked();
        if (wasPacked) {
            // Its cells need no change unless some are cut off or the new
            // columns differ from its tail.
            const bool cut = columns < columns_ && state.extent > columns;
            const bool padded = columns > columns_ && !(fill == state.tail);
            if (!cut && !padded) continue;
            unpack(stored);
        }
        // A recorded blanking with another fill cannot survive the new cells.
        if (state.blanked && !(state.blankFill == fill)) materialize(i);
        // A new vector of exactly the new width: no capacity is kept from an
        // earlier, wider screen.
        Line resized(std::size_t(columns), fill);
        std::copy_n(stored.cells.begin(), std::min(columns, columns_), resized.begin());
        stored.cells = std::move(resized);
        state.extent = std::min(state.extent, columns);
        if (columns > columns_ && !(fill == state.tail)) state.extent = columns;
        if (wasPacked) pack(stored);
    }
    columns_ = columns;
    spareCells_.clear();  // of the old width
}

void LineStore::swap(LineStore& other) noexcept {
    ring_.swap(other.ring_);
    std::swap(spares_, other.spares_);
    std::swap(firstLine_, other.firstLine_);
    std::swap(screenTopLine_, other.screenTopLine_);
    std::swap(columns_, other.columns_);
    std::swap(rows_, other.rows_);
    std::swap(scrollbackLimit_, other.scrollbackLimit_);
    std::swap(pendingShift_, other.pendingShift_);
    std::swap(links_, other.links_);
    spareCells_.swap(other.spareCells_);
    arena_.swap(other.arena_);
    expanded_.swap(other.expanded_);
}

// Spares are left out: they are few (kMaxSpareLines) and reused first.
std::size_t LineStore::heldBytes() const { return (ring_.size() - spares_) * sizeof(StoredLine) + arena_->heldBytes(); }

void LineStore::trimScrollback() {
    int excess = scrollbackCount() - scrollbackLimit_;
    if (const std::size_t held = unlimited() ? heldBytes() : 0; held > unlimitedScrollbackBytes) {
        // The share of lines over the bound, and an eighth more, so that
        // trimming comes seldom (one scroll may bring in many lines).
        const double share = double(held - unlimitedScrollbackBytes) / double(held) + 0.125;
        excess = std::max(excess, int(double(scrollbackCount()) * std::min(share, 1.0)));
    }
    if (excess <= 0) return;
    firstLine_ += excess;
    addSpares(std::size_t(excess));
}

void LineStore::setScrollbackLimit(int lines) {
    scrollbackLimit_ = limitOf(lines);
    trimScrollback();
    capSpares();
}

void LineStore::clearScrollback() {
    const int count = scrollbackCount();
    if (count <= 0) return;
    firstLine_ = screenTopLine_;
    addSpares(std::size_t(count));
}

void LineStore::clearAll(const Cell& fill) {
    // The screen rows' storage is kept and blanked: a reset storm allocates
    // nothing.
    clearScrollback();
    for (std::size_t i = spares_; i < ring_.size(); ++i) blank(i, fill);
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

void LineStore::checkInvariants() const {
    auto fail = [](const std::string& what) { throw std::logic_error("LineStore: " + what); };
    if (columns_ < 1 || rows_ < 1) fail("size below 1");
    if (scrollbackLimit_ < 0) fail("negative scrollback limit");
    if (screenTopLine_ < firstLine_) fail("screen top above the first line");
    if (scrollbackCount() > scrollbackLimit_) fail("scrollback beyond its limit");
    if (std::int64_t{screenTopLine_} + rows_ > kRenumberThreshold && firstLine_ != 0)
        fail("line numbers not renumbered");
    if (ring_.size() != spares_ + std::size_t(scrollbackCount()) + std::size_t(rows_))
        fail("held " + std::to_string(ring_.size() - spares_) + " lines, expected " +
             std::to_string(scrollbackCount() + rows_));
    if (spares_ + std::size_t(scrollbackCount()) > std::size_t(scrollbackLimit_) || spares_ > kMaxSpareLines)
        fail("spare lines kept beyond the limit");
    std::size_t packedLines = 0;
    for (std::size_t i = 0; i < ring_.size(); ++i) packedLines += ring_[i].packed ? 1 : 0;
    if (packedLines != arena_->lineCount())
        fail("the arena counts " + std::to_string(arena_->lineCount()) + " packed lines, the store holds " +
             std::to_string(packedLines));
    for (std::size_t i = 0; i < ring_.size(); ++i) {
        const Line& line = ring_[i].cells;
        const LineState& state = ring_[i].state;
        if (state.extent < 0 || state.extent > columns_) fail("line extent out of range");
        if (i < spares_ && ring_[i].extras) fail("a spare line keeps marks or links");
        if (i >= spares_ && i < rowIndex(0) && !ring_[i].isPacked()) fail("a scrollback line is not packed");
        if (ring_[i].isPacked()) {
            if (state.blanked) fail("a packed line has a recorded blanking");
            if ((state.extent == 0) != !ring_[i].packed) fail("a packed line's extent and cells disagree");
            if (i < spares_ && ring_[i].packed) fail("a spare line keeps packed cells");
            if (ring_[i].extras) ring_[i].extras->checkInvariants();
            continue;
        }
        if (ring_[i].packed) fail("a full line keeps packed cells");
        if (line.size() != std::size_t(columns_)) fail("a line is not columns wide");
        if (state.blanked && (ring_[i].extras || state.wrapped)) fail("a blanked line keeps extras or a wrap");
        if (ring_[i].extras) ring_[i].extras->checkInvariants();
        for (std::size_t col = std::size_t(state.extent); col < line.size(); ++col)
            if (!(line[col] == state.tail))
                fail("line " + std::to_string(firstLine_ + std::int64_t(i) - std::int64_t(spares_)) +
                     " has a written cell at column " + std::to_string(col) + " beyond its extent");
    }
}

}  // namespace vesper

// LineStore: the lines of one screen (primary or alternate) in one ring,
// oldest scrollback line first, the screen rows last; their absolute
// numbering; the scrollback limit and the trimming that enforces it.
//
// It is the only writer of cells: text under an attribute template, fills and
// shifts of a range, marks and the soft-wrap flag all go through the calls
// below, which keep each line's written extent, its recorded (lazy) blanking,
// its optional extras (marks, links) and the cell words to themselves.
// Readers get a LineView, which never writes.
//
// Lines in the scrollback are packed (PackedCells: their text as UTF-8,
// renditions as runs, trailing blanks not stored), with their extras beside
// them as they were; a line leaving the screen is packed as it goes, so the
// scrollback costs a few bytes per character; their bytes lie one after
// another in a PackedArena, so packing allocates nothing per line and
// trimming the oldest line costs a counter.  A packed line is unpacked
// when it is written (a screen row that came back from the scrollback) and
// expanded into a small cache when it is read (ExpandedLines).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <utility>

#include "core/cell.h"
#include "core/cell_run.h"
#include "core/line_extras.h"
#include "core/line_position.h"
#include "core/expanded_lines.h"
#include "core/link_table.h"
#include "core/packed_arena.h"
#include "core/packed_cells.h"
#include "core/ring.h"

namespace vesper {

// A read-only view of one held line, valid until the store next changes (for
// a packed line: and while its expansion stays cached, see ExpandedLines;
// any two views held at once stay valid).  A line whose blanking is still
// recorded reads as its fill in every column.
class LineView {
public:
    LineView() = default;
    explicit operator bool() const { return cells_ != nullptr; }
    int size() const { return size_; }
    const Cell& operator[](int column) const { return blankFill_ ? *blankFill_ : cells_[column]; }
    CellMarks marksAt(int column) const { return extras_ ? extras_->marksAt(column) : CellMarks(); }
    bool hasMarks(int column) const { return extras_ && extras_->hasMarks(column); }
    LinkId linkAt(int column) const { return extras_ ? extras_->linkAt(column) : 0; }
    ShellMarks shellMarks() const { return extras_ ? extras_->shellMarks() : ShellMarks(); }
    CellDecoration decorationAt(int column) const { return extras_ ? extras_->decorationAt(column) : CellDecoration(); }
    // The line's text continues on the next line (a soft wrap).
    bool wrapped() const { return wrapped_; }

private:
    friend class LineStore;
    const Cell* cells_ = nullptr;
    const Cell* blankFill_ = nullptr;
    const LineExtras* extras_ = nullptr;
    int size_ = 0;
    bool wrapped_ = false;
};

class LineStore {
public:
    // Sizes below 1 become 1; holds `rows` lines of default blank cells
    // numbered from 0.  `links` must outlive the store.  A negative
    // scrollback limit keeps every line (see kUnlimitedScrollback).
    LineStore(int columns, int rows, int scrollbackLimit, LinkTable& links);

    // The limit that stands for "unlimited" (and the highest one): the
    // scrollback then keeps every line, packed, in memory, until it holds
    // unlimitedScrollbackBytes; beyond that its oldest lines go, an eighth
    // of them at a time, so that an endless flood cannot take all memory.
    static constexpr int kUnlimitedScrollback = 1 << 28;
    // 1 GiB: some five million lines of a build log.  Tests lower it.
    static inline std::size_t unlimitedScrollbackBytes = std::size_t{1} << 30;
    // What the held lines cost: their records and their packed bytes.
    std::size_t heldBytes() const;
    // With a limit above this, one scroll of the whole screen keeps at most
    // this many of the blank lines it brings in (a huge SU count would
    // otherwise fill an unlimited scrollback with blank lines at once).
    static constexpr int kMaxBlankLinesPerScroll = 1 << 16;

    int columns() const { return columns_; }
    int rows() const { return rows_; }
    int firstLine() const { return firstLine_; }
    int screenTopLine() const { return screenTopLine_; }
    int endLine() const { return screenTopLine_ + rows_; }
    int scrollbackCount() const { return screenTopLine_ - firstLine_; }
    int scrollbackLimit() const { return scrollbackLimit_; }
    bool unlimited() const { return scrollbackLimit_ == kUnlimitedScrollback; }

    // --- reading -------------------------------------------------------------
    // The line with absolute number `line`; an empty view when it is not held.
    // Not for concurrent readers: reading a packed line fills a cache.
    LineView line(int number) const;
    // The text of a packed line without marks (Screen::lineText's text),
    // read from its packed bytes, appended to out[used, ...) (`out` grows
    // as needed; `used` ends after the text), with at most `tailCells` of
    // the cells after its last written one (a search for n bytes finds the
    // same in a run of n blanks as in a longer one).  False, with nothing
    // written, for any other line: the caller reads that one through line().
    bool packedText(int number, std::vector<char>& out, std::size_t& used, int tailCells) const;
    // Whether line `number` is held and soft-wrapped; reads no cells.
    bool wrapped(int number) const {
        return number >= firstLine_ && number < endLine() &&
               ring_[spares_ + std::size_t(number - firstLine_)].state.wrapped;
    }
    // Screen row `row`; an empty view outside 0..rows-1.
    LineView row(int row) const { return line(screenTopLine_ + row); }

    // --- writing (screen rows; out-of-range rows do nothing) ------------------
    // Text is written under an attribute template: `pen` gives the cells of
    // characters and of the right halves of wide ones, `link` and
    // `decoration` what the line's extras hold for them.
    //
    // `count` printable ASCII bytes from `column`; they must fit in the row.
    // Inlined into the Screen's ASCII path, which calls it once per piece of
    // text (a few bytes between two SGR sequences, say).
    [[gnu::always_inline]] void writeAscii(int row, int column, const std::uint8_t* bytes, int count,
                                           const CellRun& pen, LinkId link, const CellDecoration& decoration = {}) {
        if (!validRow(row)) return;
        Cell* out = prepareWrite(rowIndex(row), column, column + count, link, decoration) + column;
        pen.storeBytes(out, bytes, count);
    }
    // Characters of `text` from `column` as long as each has a width above 0
    // and fits before the end of the row.  Returns how many were stored;
    // `column` ends after the last one.
    std::int64_t writeText(int row, int& column, const std::uint32_t* text, std::int64_t count, const CellRun& pen,
                           LinkId link, const CellDecoration& decoration = {});
    // One character of width 1 or 2 at `column` (a wide one's right half only
    // when it fits).
    void writeCharacter(int row, int column, std::uint32_t codePoint, int width, const CellRun& pen, LinkId link,
                        const CellDecoration& decoration = {});
    // Columns [from, to) become `fill`, losing marks, links and decorations; reaching the
    // last column clears the soft wrap.  Rewriting a whole row that already
    // holds only `fill` costs next to nothing.
    void fill(int row, int from, int to, const Cell& fill);
    // Cells from `from` on move `by` columns (right when positive) within the
    // row, with their marks and links; the columns left behind become `fill`.
    void shift(int row, int from, int by, const Cell& fill);
    // A combining mark or zero-width character on a cell (within the bounds
    // of LineExtras).
    void addMark(int row, int column, char32_t mark);
    void setWrapped(int row);
    // A shell's mark at `column` of the row, replacing the row's mark of that kind.
    void setShellMark(int row, int column, ShellMarkKind kind, std::optional<int> exitCode);

    // --- moving lines --------------------------------------------------------
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

    // Losing rows, the blank rows below `cursorRow` go first, from the
    // bottom; the rest leave at the top into the scrollback.
    void resize(int columns, int rows, const Cell& fill, int cursorRow);
    // A column change that re-wraps the text (core/reflow.cpp): the rows
    // joined by soft wraps form one logical line, wrapped again at `columns`.
    // `cursor` stays on its character, blanks before it included, and blank
    // rows below it go first when the screen needs fewer rows; `positions`
    // follow their characters.  Ends with `rows` rows, the limit applied.
    void reflow(int columns, int rows, const Cell& fill, LinePosition& cursor, std::span<LinePosition> positions);
    void swap(LineStore& other) noexcept;
    // A negative limit (or one above kUnlimitedScrollback) keeps every line.
    void setScrollbackLimit(int lines);
    void clearScrollback();
    void clearAll(const Cell& fill);

    // Absolute numbers are kept far below the int32 limit: when they climb
    // past kRenumberThreshold every number is lowered so that the oldest
    // held line is 0 again.  The total lowering since the last call is
    // returned (and forgotten); the Screen passes it on to its owner.
    static constexpr std::int32_t kRenumberThreshold = std::int32_t{1} << 30;
    std::int64_t takeRenumberShift() { return std::exchange(pendingShift_, 0); }

    // Throws std::logic_error when a structural invariant is broken.
    void checkInvariants() const;
    // Calls f(id) once per cell that carries a link.
    template <typename F>
    void forEachLinkUse(F&& f) const {
        for (std::size_t i = spares_; i < ring_.size(); ++i)
            if (ring_[i].extras) ring_[i].extras->forEachLink(f);
    }

private:
    // The re-wrap behind reflow() (core/reflow.cpp): it reads the held lines
    // one logical line at a time and builds the new ring in their place.
    class Reflow;
    // What is known of a line's cells: every cell from column `extent` on
    // equals `tail`.  Blanking only records `blankFill` and sets `blanked`;
    // the cells are rewritten when the line is next written, and then only
    // the cells before the extent when the fill equals the tail.  That keeps
    // scrolling short lines, erasing blank rows and huge scroll counts cheap.
    struct LineState {
        std::int32_t extent = 0;
        bool blanked = false;
        bool wrapped = false;
        Cell tail;
        Cell blankFill;
    };
    // A line is full (`cells` holds every column) or packed (`cells` is
    // empty: `packed` holds cells [0, extent), null when the extent is 0,
    // and the rest are `tail`; a packed line is never `blanked`).
    struct StoredLine {
        Line cells;
        LineState state;
        std::unique_ptr<LineExtras> extras;  // null for a line without marks or links
        PackedRef packed;
        bool isPacked() const { return cells.empty(); }
        // Exchanges the vectors' pointers instead of moving through a temporary.
        friend void swap(StoredLine& a, StoredLine& b) noexcept {
            a.cells.swap(b.cells);
            std::swap(a.state, b.state);
            a.extras.swap(b.extras);
            a.packed.swap(b.packed);
        }
    };

    std::size_t rowIndex(int row) const { return spares_ + std::size_t(scrollbackCount() + row); }
    bool validRow(int row) const { return row >= 0 && row < rows_; }
    // The cells of ring entry `index` for a write of columns [from, to) made at
    // once: a recorded blanking skips them, the extent covers them, and their
    // marks go (their links and decorations become `link` and `decoration`).
    Cell* prepareWrite(std::size_t index, int from, int to, LinkId link, const CellDecoration& decoration) {
        StoredLine& stored = ring_[index];
        if (stored.isPacked()) unpack(stored);
        LineState& state = stored.state;
        if (state.blanked) carryOutBlanking(index, from, to);
        if (to > state.extent) state.extent = to;
        if (stored.extras || link != 0 || decoration.needsStoring()) extrasOf(index).overwrite(from, to, link, decoration);
        return stored.cells.data();
    }
    // Makes the line at `index` full with its blanking carried out.
    void materialize(std::size_t index) {
        if (ring_[index].isPacked()) unpack(ring_[index]);
        if (ring_[index].state.blanked) carryOutBlanking(index, 0, 0);
    }
    // Carries out the recorded blanking, except on columns [skipFrom, skipTo).
    void carryOutBlanking(std::size_t index, int skipFrom, int skipTo);
    LineExtras& extrasOf(std::size_t index);

    // --- packing (core/line_store.cpp) ----------------------------------------
    // A full line becomes packed: the cells after its last one that differs
    // from its tail are dropped, its cell vector goes to the spares.
    void pack(StoredLine& stored);
    // pack() that leaves the cell vector, its cells untouched, in the line:
    // the caller takes it at once (the line is not yet seen as packed).
    void packState(StoredLine& stored);
    // cells[0, count) with the cells equal to `tail` at their end dropped,
    // packed into the arena; `count` ends as the cells kept (the extent).
    PackedRef packCells(const Cell* cells, int& count, const Cell& tail);
    // packCells() into `packed`, which holds nothing (a full line's).
    void packInto(PackedRef& packed, const Cell* cells, int& count, const Cell& tail);
    // The newest `count` scrollback lines are packed (the ones that just
    // entered it; lines enter the scrollback only at its newest end).
    void packNewest(std::int64_t count);
    // A packed line becomes full again, cells exactly as they were packed.
    void unpack(StoredLine& stored);
    // Every cell of a line `columns` wide (the store's width, but for the
    // new lines of a reflow) into out[0, columns).
    void expand(const StoredLine& stored, Cell* out, int columns) const;
    // Whether every cell of a line `columns` wide equals `cell`.
    bool holdsOnly(const StoredLine& stored, const Cell& cell, int columns) const;
    // A cell vector of the current width, from the spares when there is one.
    Line takeCells();
    void giveCells(Line&& cells);
    // Unpacked cell vectors kept for the next lines to unpack: a scrolling
    // flood packs one line and unpacks one per line feed.
    static constexpr std::size_t kSpareCellVectors = 8;

    void renumberIfNeeded() {
        if (std::int64_t{screenTopLine_} + rows_ > kRenumberThreshold) renumber();
    }
    void renumber();
    void blank(std::size_t index, const Cell& fill);
    void blank(StoredLine& stored, const Cell& fill);
    // Makes a scrollback line an empty packed line of `fill`.
    void blankPacked(StoredLine& stored, const Cell& fill);
    // Blanks a line that scrolling brings back as the new bottom row.  A line
    // with only a few written cells before a tail of `fill` (a short line of
    // output) is blanked at once: that is cheaper than recording it and
    // carrying the blanking out at the first write, which follows at once.
    static constexpr int kEagerBlankCells = 16;
    void recycle(StoredLine& stored, const Cell& fill);
    StoredLine newLine(const Cell& fill) const;
    void appendLine(const Cell& fill);
    void pushBlankLines(int bottom, const Cell& fill, std::int64_t steps);
    void resizeRows(int rows, const Cell& fill, int cursorRow);
    void resizeColumns(int columns, const Cell& fill);
    void advanceNumbers(std::int64_t firstSteps, std::int64_t topSteps);
    bool rowIsBlank(int row) const;
    void trimScrollback();

    // Spare lines: the first spares_ ring entries are not part of the store.
    // They are lines that left it at the old end (trimmed or cleared
    // scrollback), kept with their cell storage so that the lines arriving
    // next reuse it: reset, erase and scroll storms then allocate nothing.
    // Spares and scrollback together never exceed the scrollback limit, and
    // there are at most kMaxSpareLines of them (an unlimited scrollback
    // cleared keeps no more); a spare keeps no marks,
    // links or packed cells.
    static constexpr std::size_t kMaxSpareLines = 1 << 16;
    void addSpares(std::size_t count);
    void capSpares();
    void dropSpareContent(std::size_t from, std::size_t to);

    // Before the ring: its packed lines give their bytes back as they go.
    std::unique_ptr<PackedArena> arena_ = std::make_unique<PackedArena>();
    Ring<StoredLine> ring_;
    std::size_t spares_ = 0;
    std::vector<Line> spareCells_;
    // Made on the first read of a packed line: a store that never reads
    // one (the alternate screen) neither builds nor swaps it.
    mutable std::unique_ptr<ExpandedLines> expanded_;
    LinkTable* links_;
    std::int32_t firstLine_ = 0;
    std::int32_t screenTopLine_ = 0;
    std::int32_t columns_ = 1;
    std::int32_t rows_ = 1;
    std::int32_t scrollbackLimit_ = 0;
    std::int64_t pendingShift_ = 0;
};

}  // namespace vesper

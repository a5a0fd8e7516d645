// Reflow: a column change that re-wraps the held lines instead of cutting
// them.  Rows joined by soft wraps form one logical line; its cells, up to
// the last one that shows anything, are laid out again at the new width.
// The lines are rebuilt one logical line at a time into a new ring while the
// old rows are released, so the peak is the old lines plus the new ones.
// Packed lines are expanded one logical line at a time, and every new row is
// packed as it is laid out (a screen row is unpacked when it is written).
#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "core/line_store.h"

namespace vesper {

namespace {

// A cell that shows nothing: a space whose rendition draws no mark (colours
// of the text itself, weight and slant do not show on a space).
bool showsNothing(const Cell& cell) {
    using F = CellAttributes;
    return cell.codePoint() == kSpace && !cell.wideContinuation() && cell.bg() == kDefaultColor &&
           (cell.flags() & (F::Reverse | F::Underline | F::DoubleUnderline | F::Strikethrough | F::Overline)) == 0;
}

bool blankCell(const Cell* cells, const LineExtras* extras, int column) {
    if (!showsNothing(cells[column])) return false;
    return !extras || (!extras->hasMarks(column) && extras->linkAt(column) == 0);
}

}  // namespace

class LineStore::Reflow {
public:
    using StoredLine = LineStore::StoredLine;

    Reflow(LineStore& store, int columns, const Cell& fill) : s_(store), columns_(columns), fill_(fill) {}

    void run(int rows, LinePosition& cursor, std::span<LinePosition> positions);

private:
    // The cells one old row gives its logical line: [0, length).
    struct Piece {
        const Cell* cells;
        const LineExtras* extras;
        int length;
        std::int64_t start;  // offset in the logical line
    };
    // A position followed through the reflow, by index in the old and the new ring.
    struct Track {
        LinePosition* position;  // null: the old screen top
        std::int64_t oldIndex;
        int oldColumn;
        bool isCursor;
        std::int64_t newIndex = -1;
        int newColumn = 0;
    };

    void collectLogicalLine(std::size_t first, std::size_t last);
    std::int64_t contentEnd() const;
    std::int64_t offsetOf(const Track& track, std::size_t first) const;
    void layOut(std::int64_t end, std::size_t first, std::size_t trackBegin, std::size_t trackEnd);
    void dropRowsBeyondLimit();
    // Whether a row made of cells [from, to) would differ from a default blank row.
    bool showsSomething(std::int64_t from, std::int64_t to, std::size_t hint) const;
    void emitRow(std::int64_t from, std::int64_t to, bool wrapped, std::size_t hint);
    // The piece holding offset `at`, searched forward from `hint`.
    std::size_t pieceAt(std::int64_t at, std::size_t hint) const {
        while (hint + 1 < pieces_.size() && pieces_[hint + 1].start <= at) ++hint;
        return hint;
    }
    // A shell mark's column within its piece: one on the cell that a wide
    // character left empty at a row's end belongs to the piece's last cell.
    static int markColumn(const Piece& piece, int column) { return std::min(column, piece.length - 1); }
    const Cell& cellAt(std::int64_t at, std::size_t hint) const {
        const Piece& piece = pieces_[pieceAt(at, hint)];
        return piece.cells[at - piece.start];
    }
    bool blankLine(const StoredLine& line) const;
    StoredLine packRow(int length, bool wrapped, std::unique_ptr<LineExtras> extras);

    LineStore& s_;
    const int columns_;
    const Cell fill_;
    Ring<StoredLine> out_;
    // Rows already dropped from the front of out_: they could only have
    // ended beyond the scrollback limit.  Indices in tracks count them.
    std::int64_t dropped_ = 0;
    // Offset in the current logical line up to which a new row starts no
    // later than the cursor's row (the rows before it are all above it).
    std::int64_t dropBefore_ = -1;
    std::int64_t keep_ = 0;
    int rows_ = 1;
    // Once the cursor's row is placed, rows from index cap_ on can only end
    // below the new screen and are cut: they are counted, not built.
    std::int64_t cap_ = -1;
    std::int64_t skipped_ = 0;
    bool skippedShowSomething_ = false;
    std::vector<Piece> pieces_;
    // The cells of the packed lines of the current logical line, expanded.
    std::vector<Cell> expanded_;
    // The row being laid out, packed once complete.
    Line row_;
    std::vector<std::int64_t> rowStarts_;
    std::vector<Track> tracks_;
};

void LineStore::reflow(int columns, int rows, const Cell& fill, LinePosition& cursor,
                       std::span<LinePosition> positions) {
    Reflow(*this, std::max(columns, 1), fill).run(std::max(rows, 1), cursor, positions);
}

void LineStore::Reflow::collectLogicalLine(std::size_t first, std::size_t last) {
    pieces_.clear();
    const auto old = std::size_t(s_.columns_);
    std::size_t packed = 0;
    for (std::size_t i = first; i <= last; ++i) packed += s_.ring_[i].isPacked() ? 1 : 0;
    if (expanded_.size() < packed * old) expanded_.resize(packed * old);
    std::size_t next = 0;
    for (std::size_t i = first; i <= last; ++i) {
        const StoredLine& line = s_.ring_[i];
        const Cell* cells;
        if (line.isPacked()) {
            Cell* out = expanded_.data() + old * next++;
            s_.expand(line, out, s_.columns_);
            cells = out;
        } else {
            s_.materialize(i);
            cells = line.cells.data();
        }
        pieces_.push_back(Piece{cells, line.extras.get(), int(old), 0});
    }
    std::int64_t start = 0;
    for (std::size_t p = 0; p < pieces_.size(); ++p) {
        Piece& piece = pieces_[p];
        // A wide character that did not fit at the end of a wrapped row left
        // its last cell empty: that cell is no text of the line.
        if (p + 1 < pieces_.size() && old > 1 && blankCell(piece.cells, piece.extras, int(old) - 1) &&
            pieces_[p + 1].cells[1].wideContinuation())
            piece.length = int(old) - 1;
        piece.start = start;
        start += piece.length;
    }
}

// The offset just after the last cell that shows anything (a wide
// character whole) or carries a shell mark.
std::int64_t LineStore::Reflow::contentEnd() const {
    std::int64_t marked = 0;
    for (const Piece& piece : pieces_) {
        if (!piece.extras) continue;
        const ShellMarks& marks = piece.extras->shellMarks();
        for (int k = 0; k < kShellMarkKinds; ++k)
            if (const int c = marks.column(ShellMarkKind(k)); c >= 0)
                marked = std::max(marked, piece.start + markColumn(piece, c) + 1);
    }
    for (std::size_t p = pieces_.size(); p-- > 0;) {
        const Piece& piece = pieces_[p];
        for (int c = piece.length; c-- > 0;)
            if (!blankCell(piece.cells, piece.extras, c)) return std::max(marked, piece.start + c + 1);
    }
    return marked;
}

std::int64_t LineStore::Reflow::offsetOf(const Track& track, std::size_t first) const {
    const Piece& piece = pieces_[std::size_t(track.oldIndex) - first];
    return piece.start + std::clamp(track.oldColumn, 0, piece.length);
}

bool LineStore::Reflow::blankLine(const StoredLine& line) const {
    if (line.extras || line.state.wrapped) return false;
    return s_.holdsOnly(line, Cell(), columns_);
}

// The row laid out in row_[0, length) as a packed line: the cells after the
// last one that differs from the fill are not stored.
LineStore::StoredLine LineStore::Reflow::packRow(int length, bool wrapped, std::unique_ptr<LineExtras> extras) {
    PackedRef packed = s_.packCells(row_.data(), length, fill_);
    return StoredLine{Line(), LineStore::LineState{length, false, wrapped, fill_, fill_}, std::move(extras),
                      std::move(packed)};
}

bool LineStore::Reflow::showsSomething(std::int64_t from, std::int64_t to, std::size_t hint) const {
    const Cell blank;
    if (to - from < columns_ && !(fill_ == blank)) return true;
    for (std::int64_t at = from; at < to; ++at) {
        hint = pieceAt(at, hint);
        const Piece& piece = pieces_[hint];
        const int c = int(at - piece.start);
        if (!(piece.cells[c] == blank)) return true;
        if (piece.extras && (piece.extras->linkAt(c) != 0 || piece.extras->hasMarks(c))) return true;
        if (piece.extras && !piece.extras->shellMarks().empty()) return true;
    }
    return false;
}

// Called only while every row in out_ lies above the cursor's row: the
// cursor row ends up on the screen, so rows more than `rows` + limit above
// it are trimmed after the reflow anyway.  Dropping them now keeps narrowing
// to a few columns from multiplying the held scrollback in memory.
void LineStore::Reflow::dropRowsBeyondLimit() {
    if (std::int64_t(out_.size()) < 2 * keep_) return;  // amortised: drop in halves
    const std::int64_t excess = std::int64_t(out_.size()) - keep_;
    out_.popFront(std::size_t(excess));
    dropped_ += excess;
}

void LineStore::Reflow::emitRow(std::int64_t from, std::int64_t to, bool wrapped, std::size_t hint) {
    if (cap_ >= 0 && dropped_ + std::int64_t(out_.size()) >= cap_) {
        ++skipped_;
        if (!skippedShowSomething_) skippedShowSomething_ = wrapped || showsSomething(from, to, hint);
        return;
    }
    std::unique_ptr<LineExtras> extras;
    Cell* cells = row_.data();
    int column = 0;
    std::size_t p = pieceAt(from, hint);
    for (std::int64_t at = from; at < to; ++p) {
        const Piece& piece = pieces_[p];
        const int begin = int(at - piece.start);
        const int end = int(std::min<std::int64_t>(to - piece.start, piece.length));
        std::copy(piece.cells + begin, piece.cells + end, cells + column);
        if (piece.extras) {
            std::size_t markBytes = 0;
            for (int c = begin; c < end; ++c) markBytes += piece.extras->markBytes(c);
            for (int c = begin; c < end; ++c) {
                const LinkId link = piece.extras->linkAt(c);
                const bool marked = piece.extras->hasMarks(c);
                const CellDecoration decoration = piece.extras->decorationAt(c);
                if (link == 0 && !marked && !decoration.needsStoring()) continue;
                if (!extras) {
                    extras = std::make_unique<LineExtras>(*s_.links_, columns_);
                    extras->reserveMarkBytes(markBytes);  // the row's marks, allocated once
                }
                const int to_column = column + c - begin;
                if (link != 0 || decoration.needsStoring()) extras->overwrite(to_column, to_column + 1, link, decoration);
                if (marked) extras->copyMarks(to_column, *piece.extras, c);
            }
        }
        if (piece.extras && !piece.extras->shellMarks().empty()) {
            const ShellMarks& marks = piece.extras->shellMarks();
            for (int k = 0; k < kShellMarkKinds; ++k) {
                const auto kind = ShellMarkKind(k);
                const int c = marks.column(kind);
                if (c < 0 || markColumn(piece, c) < begin || markColumn(piece, c) >= end) continue;
                if (!extras) extras = std::make_unique<LineExtras>(*s_.links_, columns_);
                extras->setShellMark(kind, column + markColumn(piece, c) - begin, marks.exitCode());
            }
        }
        column += end - begin;
        at += end - begin;
    }
    out_.pushBack(packRow(column, wrapped, std::move(extras)));
}

// Lays the cells [0, end) of the collected logical line out in rows of the
// new width and maps the tracks [trackBegin, trackEnd) onto them.
void LineStore::Reflow::layOut(std::int64_t end, std::size_t first, std::size_t trackBegin, std::size_t trackEnd) {
    const std::int64_t total = pieces_.empty() ? 0 : pieces_.back().start + pieces_.back().length;
    const std::int64_t firstRow = dropped_ + std::int64_t(out_.size());
    rowStarts_.clear();
    std::int64_t at = 0;
    std::size_t hint = 0;
    do {
        hint = pieceAt(at, hint);
        std::int64_t to = std::min<std::int64_t>(at + columns_, end);
        std::int64_t next = to;
        // A wide character that would straddle the margin moves to the next
        // row; the row keeps its last cell empty.  One column holds its left
        // half only.
        if (to - at == columns_ && to < total && cellAt(to, hint).wideContinuation() &&
            !cellAt(to - 1, hint).wideContinuation()) {
            if (columns_ > 1) {
                next = --to;
            } else {
                next = to + 1;
            }
        }
        if (at > dropBefore_ && cap_ < 0 && dropBefore_ >= 0)  // the row before held the cursor
            cap_ = dropped_ + std::int64_t(out_.size()) - 1 + rows_;
        rowStarts_.push_back(at);
        if (at <= dropBefore_) dropRowsBeyondLimit();
        emitRow(at, to, next < end, hint);
        at = next;
    } while (at < end);

    for (std::size_t t = trackBegin; t < trackEnd; ++t) {
        Track& track = tracks_[t];
        const std::int64_t offset = offsetOf(track, first);
        const auto row = std::size_t(std::upper_bound(rowStarts_.begin(), rowStarts_.end(), offset) - rowStarts_.begin()) - 1;
        track.newIndex = firstRow + std::int64_t(row);
        track.newColumn = int(std::min<std::int64_t>(offset - rowStarts_[row], columns_));
    }
}

void LineStore::Reflow::run(int rows, LinePosition& cursor, std::span<LinePosition> positions) {
    // Dropped lines are not worth re-wrapping.
    s_.ring_.popFront(s_.spares_);
    s_.spares_ = 0;
    s_.expanded_.reset();
    row_.resize(std::size_t(columns_));
    const std::int64_t held = std::int64_t(s_.ring_.size());
    const std::int64_t oldFirst = s_.firstLine_;
    const std::int64_t oldTop = s_.screenTopLine_ - oldFirst;

    auto indexOf = [&](const LinePosition& p) { return std::int64_t{p.line} - oldFirst; };
    std::int64_t cursorIndex = indexOf(cursor);
    if (cursorIndex < oldTop || cursorIndex >= held) cursorIndex = held - 1;
    tracks_.push_back(Track{&cursor, cursorIndex, cursor.column, true});
    tracks_.push_back(Track{nullptr, oldTop, 0, false});
    for (LinePosition& p : positions) {
        const std::int64_t index = indexOf(p);
        if (index < 0 || index >= held) {
            p.held = false;
            continue;
        }
        tracks_.push_back(Track{&p, index, p.column, false});
    }
    std::stable_sort(tracks_.begin(), tracks_.end(),
                     [](const Track& a, const Track& b) { return a.oldIndex < b.oldIndex; });

    rows_ = rows;
    keep_ = std::int64_t(rows) + s_.scrollbackLimit_ + 1;
    std::size_t nextTrack = 0;
    for (std::size_t first = 0; first < std::size_t(held);) {
        std::size_t last = first;
        while (s_.ring_[last].state.wrapped && last + 1 < std::size_t(held)) ++last;
        collectLogicalLine(first, last);
        std::int64_t end = contentEnd();
        std::size_t trackEnd = nextTrack;
        while (trackEnd < tracks_.size() && tracks_[trackEnd].oldIndex <= std::int64_t(last)) {
            // The cursor keeps the blanks before it: the next character goes
            // where it would have gone.
            if (tracks_[trackEnd].isCursor) end = std::max(end, offsetOf(tracks_[trackEnd], first));
            ++trackEnd;
        }
        const std::int64_t total = pieces_.empty() ? 0 : pieces_.back().start + pieces_.back().length;
        if (end > 0 && end < total && cellAt(end, 0).wideContinuation()) ++end;
        // Rows laid out before the cursor's row can be dropped early.
        if (std::int64_t(last) < cursorIndex)
            dropBefore_ = std::numeric_limits<std::int64_t>::max();
        else if (cursorIndex >= std::int64_t(first))
            dropBefore_ = offsetOf(*std::find_if(tracks_.begin() + std::ptrdiff_t(nextTrack),
                                                 tracks_.begin() + std::ptrdiff_t(trackEnd),
                                                 [](const Track& t) { return t.isCursor; }),
                                   first);
        else
            dropBefore_ = -1;
        layOut(end, first, nextTrack, trackEnd);
        if (cap_ < 0 && dropBefore_ >= 0 && dropBefore_ < std::numeric_limits<std::int64_t>::max())
            for (std::size_t t = nextTrack; t < trackEnd; ++t)
                if (tracks_[t].isCursor) cap_ = tracks_[t].newIndex + rows;
        nextTrack = trackEnd;
        for (std::size_t i = first; i <= last; ++i) s_.ring_[i] = StoredLine{};
        first = last + 1;
    }

    const std::int64_t stored = dropped_ + std::int64_t(out_.size());
    std::int64_t count = stored + skipped_;  // every row the layout produced
    std::int64_t screenTop = 0, newCursor = 0;
    for (const Track& t : tracks_) {
        if (t.isCursor) newCursor = t.newIndex;
        if (!t.position) screenTop = t.newIndex;
    }
    // Blank rows below the cursor go first when the old screen's text needs
    // more rows than the screen has.
    // (A row that was only counted and showed something ends the blank run
    // at once; then the cursor row tops the screen whatever the drop.)
    std::int64_t blankBelow = skippedShowSomething_ ? 0 : skipped_;
    if (!skippedShowSomething_)
        while (count - blankBelow - 1 > newCursor && blankLine(out_[std::size_t(count - blankBelow - 1 - dropped_)]))
            ++blankBelow;
    const std::int64_t drop = std::clamp<std::int64_t>(count - screenTop - rows, 0, blankBelow);
    count -= drop;
    std::int64_t top = count - rows;
    if (newCursor < top) {
        // More rows below the cursor than the screen holds: the cursor stays
        // on the top row and the rest below the screen goes.
        top = newCursor;
        count = top + rows;
    }
    out_.popBack(std::size_t(stored - count));
    for (; top < 0; ++top, ++count) out_.pushBack(s_.newLine(fill_));

    s_.ring_.swap(out_);
    s_.spareCells_.clear();  // of the old width
    s_.columns_ = columns_;
    s_.rows_ = rows;
    s_.firstLine_ = std::int32_t(oldFirst + dropped_);
    s_.screenTopLine_ = std::int32_t(oldFirst + top);
    const std::int64_t shiftBefore = s_.pendingShift_;
    s_.trimScrollback();
    s_.capSpares();
    s_.renumberIfNeeded();
    const std::int64_t shift = s_.pendingShift_ - shiftBefore;

    for (const Track& t : tracks_) {
        if (!t.position) continue;
        const std::int64_t line = oldFirst + t.newIndex;
        t.position->held = t.newIndex < count && line - shift >= s_.firstLine_;
        t.position->line = std::int32_t(line - shift);
        t.position->column = t.newColumn;
    }
}

}  // namespace vesper

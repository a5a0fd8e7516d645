// The Screen operations behind C0 controls, escape sequences and control
// sequences: cursor movement and save/restore, full reset, erasing,
// insertion and deletion of characters and lines, scrolling, margins and
// graphic rendition.  Counts below 1 count as 1; large counts cost what the
// row or region can hold, never the count itself.
#include <algorithm>

#include "core/screen.h"

namespace vesper {

namespace {
// A 1-based position to a 0-based index below `limit`; values below 1
// (including counts that arrived as negative numbers) give 0.
int position(int oneBased, int limit) {
    const std::int64_t index = std::int64_t{oneBased} - 1;
    return index < 0 ? 0 : int(std::min<std::int64_t>(index, limit - 1));
}
int countOf(int count) { return count < 1 ? 1 : count; }
}  // namespace

// --- C0 and escape functions -----------------------------------------------------

void Screen::backspace() {
    if (cursorColumn_ > 0) --cursorColumn_;
}

void Screen::horizontalTab() {
    // Fixed stops every 8 columns; a tab never wraps.
    cursorColumn_ = std::min(columns_ - 1, (cursorColumn_ / 8) * 8 + 8);
}

void Screen::reverseIndex() {
    resetView();
    if (cursorRow_ == scrollTop_) {
        lines_.rotateDown(scrollTop_, scrollBottom_, fillCell());
        markRows(scrollTop_, scrollBottom_);
    } else if (cursorRow_ > 0) {
        --cursorRow_;
    }
}

void Screen::saveCursor() {
    savedCursorColumn_ = cursorColumn_;
    savedCursorRow_ = cursorRow_;
    savedAttributes_ = attributes_;
    savedCharsets_ = charsets_;
}

void Screen::restoreCursor() {
    // A cursor saved at the pending-wrap position comes back on the last column.
    cursorColumn_ = savedCursorColumn_ < 0 ? 0 : std::min(savedCursorColumn_, columns_ - 1);
    cursorRow_ = savedCursorRow_ < 0 ? 0 : std::min(savedCursorRow_, rows_ - 1);
    attributes_ = savedAttributes_;
    penStale_ = fillStale_ = true;
    charsets_ = savedCharsets_;
}

void Screen::reset() {
    attributes_ = CellAttributes();
    penStale_ = fillStale_ = true;
    cursorColumn_ = cursorRow_ = 0;
    savedCursorColumn_ = savedCursorRow_ = 0;
    savedAttributes_ = CellAttributes();
    charsets_ = savedCharsets_ = CharsetState();
    cursorStyle_ = 0;
    lastPrinted_ = 0;
    setLink({});
    autoWrap_ = true;
    viewOffset_ = 0;
    viewScrolled_ = false;
    if (alternateActive_) {
        lines_.swap(*otherLines_);
        alternateActive_ = false;
    }
    otherLines_.reset();
    lines_.clearAll(fillCell());
    scrollTop_ = 0;
    scrollBottom_ = rows_ - 1;
    markAllDirty();
}

// --- cursor movement ---------------------------------------------------------------

void Screen::cursorUp(int count) {
    // The top margin stops a cursor that starts inside or below the region;
    // a cursor above the region goes on up to row 0.
    const int limit = cursorRow_ >= scrollTop_ ? scrollTop_ : 0;
    cursorRow_ = int(std::max<std::int64_t>(std::int64_t{cursorRow_} - countOf(count), limit));
}

void Screen::cursorDown(int count) {
    const int limit = cursorRow_ <= scrollBottom_ ? scrollBottom_ : rows_ - 1;
    cursorRow_ = int(std::min<std::int64_t>(std::int64_t{cursorRow_} + countOf(count), limit));
}

void Screen::cursorForward(int count) {
    cursorColumn_ = int(std::min<std::int64_t>(std::int64_t{cursorColumn_} + countOf(count), columns_ - 1));
}

void Screen::cursorBackward(int count) {
    cursorColumn_ = int(std::max<std::int64_t>(std::int64_t{cursorColumn_} - countOf(count), 0));
}

void Screen::cursorPosition(int row, int column) {
    cursorRow_ = position(row, rows_);
    cursorColumn_ = position(column, columns_);
}

void Screen::cursorHorizontalAbsolute(int column) { cursorColumn_ = position(column, columns_); }

void Screen::linePositionAbsolute(int row) { cursorRow_ = position(row, rows_); }

// --- erasing -------------------------------------------------------------------------

void Screen::eraseCells(int row, int from, int to) { lines_.fill(row, from, to, fillCell()); }

void Screen::eraseInDisplay(int mode) {
    resetView();
    switch (mode) {
    case 0:
        eraseCells(cursorRow_, cursorColumn_, columns_);
        for (int row = cursorRow_ + 1; row < rows_; ++row) eraseCells(row, 0, columns_);
        markRows(cursorRow_, rows_ - 1);
        break;
    case 1:
        eraseCells(cursorRow_, 0, std::min(cursorColumn_ + 1, columns_));
        for (int row = 0; row < cursorRow_; ++row) eraseCells(row, 0, columns_);
        markRows(0, cursorRow_);
        break;
    case 2:
    case 3:
        for (int row = 0; row < rows_; ++row) eraseCells(row, 0, columns_);
        markAllDirty();
        if (mode == 3) lines_.clearScrollback();
        break;
    default:
        break;
    }
}

void Screen::eraseInLine(int mode) {
    resetView();
    switch (mode) {
    case 0: eraseCells(cursorRow_, cursorColumn_, columns_); break;
    case 1: eraseCells(cursorRow_, 0, std::min(cursorColumn_ + 1, columns_)); break;
    case 2: eraseCells(cursorRow_, 0, columns_); break;
    default: return;
    }
    markDirty(cursorRow_);
}

void Screen::eraseCharacters(int count) {
    resetView();
    const auto end = std::min<std::int64_t>(std::int64_t{cursorColumn_} + countOf(count), columns_);
    eraseCells(cursorRow_, cursorColumn_, int(end));
    markDirty(cursorRow_);
}

// --- inserting and deleting ----------------------------------------------------------

void Screen::insertCharacters(int count) {
    resetView();
    // n single-cell insertions at once: cells shift right by n, the n cells
    // at the cursor (as many as fit) become blanks.
    if (cursorColumn_ < columns_) lines_.shift(cursorRow_, cursorColumn_, std::min(countOf(count), columns_), fillCell());
    markDirty(cursorRow_);
}

void Screen::deleteCharacters(int count) {
    resetView();
    if (cursorColumn_ < columns_) lines_.shift(cursorRow_, cursorColumn_, -std::min(countOf(count), columns_), fillCell());
    markDirty(cursorRow_);
}

void Screen::insertLines(int count) {
    resetView();
    if (cursorRow_ < scrollTop_ || cursorRow_ > scrollBottom_) return;
    lines_.rotateDown(cursorRow_, scrollBottom_, fillCell(), countOf(count));
    markRows(cursorRow_, scrollBottom_);
    cursorColumn_ = 0;
}

void Screen::deleteLines(int count) {
    resetView();
    if (cursorRow_ < scrollTop_ || cursorRow_ > scrollBottom_) return;
    lines_.rotateUp(cursorRow_, scrollBottom_, fillCell(), countOf(count));
    markRows(cursorRow_, scrollBottom_);
    cursorColumn_ = 0;
}

// --- scrolling and margins -------------------------------------------------------------

void Screen::scrollUp(int count) {
    resetView();
    const int n = countOf(count);
    if (scrollTop_ != 0) {
        lines_.rotateUp(scrollTop_, scrollBottom_, fillCell(), n);
    } else {
        // Every step pushes the region's top line into the scrollback.
        lines_.scrollUpFromTop(scrollBottom_, fillCell(), n);
        notifyRenumbering(lines_.takeRenumberShift());
    }
    markRows(scrollTop_, scrollBottom_);
}

void Screen::scrollDown(int count) {
    resetView();
    lines_.rotateDown(scrollTop_, scrollBottom_, fillCell(), countOf(count));
    markRows(scrollTop_, scrollBottom_);
}

void Screen::setMargins(int top, int bottom) {
    const int t = position(top, rows_);
    const int b = position(bottom, rows_);
    if (t >= b) return;  // a region spans at least two rows
    scrollTop_ = t;
    scrollBottom_ = b;
    cursorRow_ = 0;
    cursorColumn_ = 0;
}

void Screen::resetMargins() {
    scrollTop_ = 0;
    scrollBottom_ = rows_ - 1;
}

// --- graphic rendition -------------------------------------------------------------

void Screen::selectGraphicRendition(std::span<const std::int32_t> list) {
    CellAttributes& a = attributes_;
    penStale_ = fillStale_ = true;
    if (list.empty()) {
        a = CellAttributes();
        return;
    }
    const std::size_t count = list.size();
    for (std::size_t i = 0; i < count; ++i) {
        const std::int32_t v = list[i];
        switch (v) {
        case 0: a = CellAttributes(); break;
        case 1: a.bold = true; break;
        case 2: a.dim = true; break;
        case 3: a.italic = true; break;
        case 4: a.underline = true; break;
        case 7: a.reverse = true; break;
        case 8: a.hidden = true; break;
        case 9: a.strikethrough = true; break;
        case 21: a.doubleUnderline = true; break;
        case 22: a.bold = a.dim = false; break;
        case 23: a.italic = false; break;
        case 24: a.underline = a.doubleUnderline = false; break;
        case 27: a.reverse = false; break;
        case 28: a.hidden = false; break;
        case 29: a.strikethrough = false; break;
        case 53: a.overline = true; break;
        case 55: a.overline = false; break;
        case 39: a.fg = kDefaultColor; break;
        case 49: a.bg = kDefaultColor; break;
        case 38:
        case 48: {
            // Extended colour: 38;5;N (palette) or 38;2;R;G;B (direct).
            if (i + 1 >= count) break;
            ColorValue& target = v == 38 ? a.fg : a.bg;
            const std::int32_t kind = list[i + 1];
            if (kind == 5) {
                i += 2;
                if (i < count) target = list[i];
            } else if (kind == 2) {
                if (i + 4 < count)
                    target = kDirectColorFlag | ((list[i + 2] & 0xFF) << 16) | ((list[i + 3] & 0xFF) << 8) |
                             (list[i + 4] & 0xFF);
                i += 4;
            }
            break;
        }
        default:
            if (v >= 30 && v <= 37) a.fg = v - 30;
            else if (v >= 40 && v <= 47) a.bg = v - 40;
            else if (v >= 90 && v <= 97) a.fg = v - 82;
            else if (v >= 100 && v <= 107) a.bg = v - 92;
            break;  // everything else is ignored
        }
    }
}

}  // namespace vesper

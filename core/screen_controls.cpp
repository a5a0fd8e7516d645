// The Screen operations behind C0 controls, escape sequences and control
// sequences: cursor movement and save/restore, full reset, erasing,
// insertion and deletion of characters and lines, scrolling, margins and
// graphic rendition.  Counts below 1 count as 1; large counts cost what the
// row or region can hold, never the count itself.
#include <algorithm>
#include <vector>

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

void Screen::backspace() { cursorBackward(1); }

// --- tab stops -------------------------------------------------------------------------

void Screen::resetTabStops() {
    tabStops_.reset();
    for (std::size_t column = 8; column < tabStops_.size(); column += 8) tabStops_.set(column);
}

void Screen::setTabStop() { tabStops_.set(std::size_t(std::min(cursorColumn_, columns_ - 1))); }

void Screen::clearTabStops(int mode) {
    if (mode == 0) tabStops_.reset(std::size_t(std::min(cursorColumn_, columns_ - 1)));
    else if (mode == 3) tabStops_.reset();
}

void Screen::horizontalTab() { tabForward(1); }

void Screen::tabForward(int count) {
    // A tab never wraps: without a further stop it ends on the last column;
    // a pending wrap stays.
    if (cursorColumn_ >= columns_) return;
    for (int n = countOf(count); n > 0 && cursorColumn_ < columns_ - 1; --n) {
        do ++cursorColumn_;
        while (cursorColumn_ < columns_ - 1 && !tabStops_.test(std::size_t(cursorColumn_)));
    }
}

void Screen::tabBackward(int count) {
    leavePendingWrap();
    for (int n = countOf(count); n > 0 && cursorColumn_ > 0; --n) {
        do --cursorColumn_;
        while (cursorColumn_ > 0 && !tabStops_.test(std::size_t(cursorColumn_)));
    }
}

void Screen::reverseIndex() {
    resetView();
    leavePendingWrap();
    if (cursorRow_ == scrollTop_) {
        lines_.rotateDown(scrollTop_, scrollBottom_, fillCell());
    } else if (cursorRow_ > 0) {
        --cursorRow_;
    }
}

void Screen::saveCursor() {
    savedCursor() = SavedCursor{cursorRow_, cursorColumn_, attributes_, decoration_, charsets_, modes_.originMode};
}

void Screen::restoreCursor() {
    // A wrap pending when the cursor was saved is pending again (if the
    // width is still the same); a column beyond a narrower screen clamps.
    const SavedCursor& saved = savedCursor();
    cursorColumn_ = saved.column == columns_ ? columns_ : std::clamp(saved.column, 0, columns_ - 1);
    cursorRow_ = std::clamp(saved.row, 0, rows_ - 1);
    attributes_ = saved.attributes;
    decoration_ = saved.decoration;
    penStale_ = fillStale_ = true;
    charsets_ = saved.charsets;
    modes_.originMode = saved.originMode;
}

bool Screen::setMode(int mode, bool isPrivate, bool on) {
    if (!modes_.set(mode, isPrivate, on)) return false;
    if (isPrivate && mode == 6) cursorPosition(1, 1);  // DECOM homes the cursor, to the region's top when set
    return true;
}

int Screen::modeReport(int mode, bool isPrivate) const {
    if (isPrivate) {
        switch (mode) {
        case 47:
        case 1047:
        case 1049: return alternateActive_ ? 1 : 2;
        case 1048: return 2;  // an action, never in force
        default: break;
        }
    }
    return modes_.report(mode, isPrivate);
}

void Screen::softReset() {
    modes_.softReset();
    colors_.resetOverrides();
    attributes_ = CellAttributes();
    decoration_ = CellDecoration();
    penStale_ = fillStale_ = true;
    charsets_ = CharsetState();
    cursorStyle_ = 0;
    resetMargins();
    savedCursor() = SavedCursor();
}

void Screen::reset() {
    attributes_ = CellAttributes();
    decoration_ = CellDecoration();
    penStale_ = fillStale_ = true;
    cursorColumn_ = cursorRow_ = 0;
    savedCursors_[0] = savedCursors_[1] = SavedCursor();
    charsets_ = CharsetState();
    modes_ = TerminalModes();
    colors_.resetOverrides();
    resetTabStops();
    cursorStyle_ = 0;
    lastPrinted_ = 0;
    setLink({});
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
}

void Screen::screenAlignmentTest() {
    resetView();
    static const CellRun plain{CellAttributes()};
    const std::vector<std::uint8_t> letters(std::size_t(columns_), 'E');
    for (int row = 0; row < rows_; ++row) {
        lines_.fill(row, 0, columns_, Cell());  // drops marks, links and the soft wrap
        lines_.writeAscii(row, 0, letters.data(), columns_, plain, 0);
    }
    resetMargins();
    cursorRow_ = cursorColumn_ = 0;
}

// --- cursor movement ---------------------------------------------------------------

void Screen::cursorUp(int count) {
    // The top margin stops a cursor that starts inside or below the region;
    // a cursor above the region goes on up to row 0.
    leavePendingWrap();
    const int limit = cursorRow_ >= scrollTop_ ? scrollTop_ : 0;
    cursorRow_ = int(std::max<std::int64_t>(std::int64_t{cursorRow_} - countOf(count), limit));
}

void Screen::cursorDown(int count) {
    leavePendingWrap();
    const int limit = cursorRow_ <= scrollBottom_ ? scrollBottom_ : rows_ - 1;
    cursorRow_ = int(std::min<std::int64_t>(std::int64_t{cursorRow_} + countOf(count), limit));
}

void Screen::cursorForward(int count) {
    leavePendingWrap();
    cursorColumn_ = int(std::min<std::int64_t>(std::int64_t{cursorColumn_} + countOf(count), columns_ - 1));
}

void Screen::cursorBackward(int count) {
    leavePendingWrap();
    const std::int64_t target = std::int64_t{cursorColumn_} - countOf(count);
    if (target >= 0 || !modes_.reverseWrap || !modes_.autoWrap) {
        cursorColumn_ = int(std::max<std::int64_t>(target, 0));
        return;
    }
    // Reverse wraparound: on back over the ends of the rows above, up to
    // the top margin (row 0 above the region).
    const int top = cursorRow_ >= scrollTop_ ? scrollTop_ : 0;
    const std::int64_t linear = std::max<std::int64_t>(std::int64_t{cursorRow_ - top} * columns_ + target, 0);
    cursorRow_ = top + int(linear / columns_);
    cursorColumn_ = int(linear % columns_);
}

int Screen::rowPosition(int row) const {
    if (!modes_.originMode) return position(row, rows_);
    return scrollTop_ + position(row, scrollBottom_ - scrollTop_ + 1);
}

void Screen::cursorPosition(int row, int column) {
    cursorRow_ = rowPosition(row);
    cursorColumn_ = position(column, columns_);
}

void Screen::cursorHorizontalAbsolute(int column) { cursorColumn_ = position(column, columns_); }

void Screen::linePositionAbsolute(int row) {
    leavePendingWrap();
    cursorRow_ = rowPosition(row);
}

// --- erasing -------------------------------------------------------------------------

void Screen::eraseCells(int row, int from, int to) { lines_.fill(row, from, to, fillCell()); }

void Screen::eraseInDisplay(int mode) {
    resetView();
    if (mode == 0 || mode == 1) leavePendingWrap();
    switch (mode) {
    case 0:
        eraseCells(cursorRow_, cursorColumn_, columns_);
        for (int row = cursorRow_ + 1; row < rows_; ++row) eraseCells(row, 0, columns_);
        break;
    case 1:
        eraseCells(cursorRow_, 0, std::min(cursorColumn_ + 1, columns_));
        for (int row = 0; row < cursorRow_; ++row) eraseCells(row, 0, columns_);
        break;
    case 2:
        for (int row = 0; row < rows_; ++row) eraseCells(row, 0, columns_);
        break;
    case 3:  // the scrollback only
        lines_.clearScrollback();
        break;
    default:
        break;
    }
}

void Screen::eraseInLine(int mode) {
    resetView();
    leavePendingWrap();
    switch (mode) {
    case 0: eraseCells(cursorRow_, cursorColumn_, columns_); break;
    case 1: eraseCells(cursorRow_, 0, std::min(cursorColumn_ + 1, columns_)); break;
    case 2: eraseCells(cursorRow_, 0, columns_); break;
    default: return;
    }
}

void Screen::eraseCharacters(int count) {
    resetView();
    leavePendingWrap();
    const auto end = std::min<std::int64_t>(std::int64_t{cursorColumn_} + countOf(count), columns_);
    eraseCells(cursorRow_, cursorColumn_, int(end));
}

// --- inserting and deleting ----------------------------------------------------------

void Screen::insertCharacters(int count) {
    resetView();
    // n single-cell insertions at once: cells shift right by n, the n cells
    // at the cursor (as many as fit) become blanks.
    leavePendingWrap();
    lines_.shift(cursorRow_, cursorColumn_, std::min(countOf(count), columns_), fillCell());
}

void Screen::deleteCharacters(int count) {
    resetView();
    leavePendingWrap();
    lines_.shift(cursorRow_, cursorColumn_, -std::min(countOf(count), columns_), fillCell());
}

void Screen::insertLines(int count) {
    resetView();
    if (cursorRow_ < scrollTop_ || cursorRow_ > scrollBottom_) return;
    lines_.rotateDown(cursorRow_, scrollBottom_, fillCell(), countOf(count));
    cursorColumn_ = 0;
}

void Screen::deleteLines(int count) {
    resetView();
    if (cursorRow_ < scrollTop_ || cursorRow_ > scrollBottom_) return;
    lines_.rotateUp(cursorRow_, scrollBottom_, fillCell(), countOf(count));
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
}

void Screen::scrollDown(int count) {
    resetView();
    lines_.rotateDown(scrollTop_, scrollBottom_, fillCell(), countOf(count));
}

void Screen::setMargins(int top, int bottom) {
    const int t = position(top == 0 ? 1 : top, rows_);
    const int b = position(bottom == 0 ? rows_ : bottom, rows_);
    if (t >= b) return;  // a region spans at least two rows
    scrollTop_ = t;
    scrollBottom_ = b;
    cursorPosition(1, 1);
}

void Screen::scrollLeft(int count) {
    resetView();
    const int n = std::min(countOf(count), columns_);
    for (int row = scrollTop_; row <= scrollBottom_; ++row) lines_.shift(row, 0, -n, fillCell());
}

void Screen::scrollRight(int count) {
    resetView();
    const int n = std::min(countOf(count), columns_);
    for (int row = scrollTop_; row <= scrollBottom_; ++row) lines_.shift(row, 0, n, fillCell());
}

void Screen::insertColumns(int count) {
    resetView();
    if (cursorRow_ < scrollTop_ || cursorRow_ > scrollBottom_) return;
    leavePendingWrap();
    const int n = std::min(countOf(count), columns_);
    for (int row = scrollTop_; row <= scrollBottom_; ++row) lines_.shift(row, cursorColumn_, n, fillCell());
}

void Screen::deleteColumns(int count) {
    resetView();
    if (cursorRow_ < scrollTop_ || cursorRow_ > scrollBottom_) return;
    leavePendingWrap();
    const int n = std::min(countOf(count), columns_);
    for (int row = scrollTop_; row <= scrollBottom_; ++row) lines_.shift(row, cursorColumn_, -n, fillCell());
}

void Screen::resetMargins() {
    scrollTop_ = 0;
    scrollBottom_ = rows_ - 1;
}

// --- graphic rendition -------------------------------------------------------------

namespace {
// An extended colour from its values after 38, 48 or 58: 5;N (palette) or
// 2;R;G;B (direct).  `size` values are there; false when they do not form one.
bool extendedColor(const std::int32_t* values, std::size_t size, ColorValue& out) {
    if (size >= 2 && values[0] == 5) {
        // An index past the 256 colours leaves the colour as it was, as in xterm.
        if (values[1] < 0 || values[1] > 255) return false;
        out = values[1];
        return true;
    }
    if (size >= 4 && values[0] == 2) {
        out = kDirectColorFlag | ((values[1] & 0xFF) << 16) | ((values[2] & 0xFF) << 8) | (values[3] & 0xFF);
        return true;
    }
    return false;
}
}  // namespace

void Screen::setUnderline(UnderlineStyle style) {
    attributes_.set(CellAttributes::Underline, style != UnderlineStyle::None && style != UnderlineStyle::Double);
    attributes_.set(CellAttributes::DoubleUnderline, style == UnderlineStyle::Double);
    decoration_.underline = style;
}

void Screen::selectGraphicRendition(std::span<const std::int32_t> list, std::uint32_t continued) {
    CellAttributes& a = attributes_;
    penStale_ = fillStale_ = true;
    if (list.empty()) {
        a = CellAttributes();
        decoration_ = CellDecoration();
        return;
    }
    const std::size_t count = list.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (continued >> i & 1u) {
            // A code with sub-parameters is one group, up to the first value
            // that no colon joins to the next (past the end after a trailing
            // colon: that sub-parameter is empty).
            std::size_t last = i + 1;
            while (last < count && (continued >> last & 1u)) ++last;
            selectGroupRendition(list, i, last - i + 1);
            i = last;
            continue;
        }
        const std::int32_t v = list[i];
        switch (v) {
        case 0:
            a = CellAttributes();
            decoration_ = CellDecoration();
            break;
        case 1: a.set(CellAttributes::Bold, true); break;
        case 2: a.set(CellAttributes::Dim, true); break;
        case 3: a.set(CellAttributes::Italic, true); break;
        case 4: setUnderline(UnderlineStyle::Single); break;
        case 7: a.set(CellAttributes::Reverse, true); break;
        case 8: a.set(CellAttributes::Hidden, true); break;
        case 9: a.set(CellAttributes::Strikethrough, true); break;
        case 21: setUnderline(UnderlineStyle::Double); break;
        case 22: a.set(CellAttributes::Bold, false), a.set(CellAttributes::Dim, false); break;
        case 23: a.set(CellAttributes::Italic, false); break;
        case 24: setUnderline(UnderlineStyle::None); break;
        case 27: a.set(CellAttributes::Reverse, false); break;
        case 28: a.set(CellAttributes::Hidden, false); break;
        case 29: a.set(CellAttributes::Strikethrough, false); break;
        case 53: a.set(CellAttributes::Overline, true); break;
        case 55: a.set(CellAttributes::Overline, false); break;
        case 39: a.fg = kDefaultColor; break;
        case 49: a.bg = kDefaultColor; break;
        case 59: decoration_.underlineColor = kDefaultColor; break;
        case 38:
        case 48:
        case 58: {
            // The semicolon form: 38;5;N or 38;2;R;G;B.  A kind that is
            // neither consumes nothing; a cut-off colour consumes the rest.
            if (i + 1 >= count) break;
            const std::int32_t kind = list[i + 1];
            if (kind != 5 && kind != 2) break;
            const std::size_t size = kind == 5 ? 2 : 4;
            ColorValue color;
            if (extendedColor(&list[i + 1], std::min(size, count - i - 1), color))
                (v == 38 ? a.fg : v == 48 ? a.bg : decoration_.underlineColor) = color;
            i += size;
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

/* A code with sub-parameters: 4:N (underline style), 38/48/58:5:N and
 * 38/48/58:2:[CS]:R:G:B, where the colour-space field may be there, empty or
 * left out (five values in all).  A value the group lacks (a trailing colon)
 * reads as 0.  Any other code with sub-parameters is ignored whole.
 */
void Screen::selectGroupRendition(std::span<const std::int32_t> list, std::size_t i, std::size_t size) {
    std::int32_t values[6] = {};
    for (std::size_t k = 0; k < std::min<std::size_t>(size, 6); ++k)
        values[k] = i + k < list.size() ? list[i + k] : 0;
    switch (values[0]) {
    case 4:
        if (values[1] >= 0 && values[1] <= 5) setUnderline(UnderlineStyle(values[1]));
        break;
    case 38:
    case 48:
    case 58: {
        // 2:CS:R:G:B has its colour space to skip; 2:R:G:B does not.
        ColorValue color;
        const bool skipSpace = values[1] == 2 && size >= 6;
        if (skipSpace) values[2] = 2;
        if (!extendedColor(values + (skipSpace ? 2 : 1), size - (skipSpace ? 2 : 1), color)) break;
        (values[0] == 38 ? attributes_.fg : values[0] == 48 ? attributes_.bg : decoration_.underlineColor) = color;
        break;
    }
    default: break;
    }
}

}  // namespace vesper

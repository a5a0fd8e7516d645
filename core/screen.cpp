// Screen model: construction, printing with deferred wrap and wide
// characters, the index/scroll step that feeds the scrollback, resizing, the
// alternate screen and the view over the scrollback.
#include "core/screen.h"

#include <algorithm>
#include <limits>

namespace vesper {

namespace {
// What viewCellAt answers for a position that holds no cell.
const Cell kDefaultBlankCell{};
int clampColumns(int value) { return std::clamp(value, 1, kMaxGridColumns); }
int clampRows(int value) { return std::clamp(value, 1, kMaxGridRows); }
}  // namespace

Screen::Screen(int columns, int rows, int scrollbackLines)
    : columns_(clampColumns(columns)),
      rows_(clampRows(rows)),
      scrollBottom_(rows_ - 1),
      lines_(columns_, rows_, scrollbackLines, links_) {
    resetTabStops();
}

Screen::~Screen() {
    // The stores release their links into the table; the open link too.
    links_.release(link_);
}

void Screen::refreshPen() const {
    textPen_.rebuild(attributes_);
    penStale_ = false;
}

void Screen::print(std::uint32_t codePoint) {
    const int width = cellWidth(codePoint);
    if (width == 0) {
        attachMark(codePoint);
        return;
    }
    resetView();
    if (cursorColumn_ + width > columns_) {
        if (modes_.autoWrap) {
            wrapToNextRow();
        } else {
            cursorColumn_ = std::max(columns_ - width, 0);
        }
    }
    // Insert mode: the rest of the row moves right first; what passes the
    // right margin is lost.
    if (modes_.insertMode) lines_.shift(cursorRow_, cursorColumn_, width, fillCell());
    lines_.writeCharacter(cursorRow_, cursorColumn_, codePoint, width, textPen(), link_, decoration_);
    cursorColumn_ = std::min(cursorColumn_ + width, columns_);
    lastPrinted_ = codePoint;
}

/* A zero-width character (combining mark, ZWJ, variation selector) joins
 * the cell before the cursor: the last column while a wrap is pending, the
 * left half of a wide character.  C0 and C1 controls and a mark with the
 * cursor in column 0 are dropped.
 */
void Screen::attachMark(std::uint32_t mark) {
    if (mark < 0x20 || (mark >= 0x7F && mark <= 0x9F) || cursorColumn_ == 0) return;
    resetView();
    int column = std::min(cursorColumn_, columns_) - 1;
    if (column > 0 && lines_.row(cursorRow_)[column].wideContinuation()) --column;
    lines_.addMark(cursorRow_, column, char32_t(mark));
}

void Screen::repeatLastCharacter(int count) {
    if (lastPrinted_ == 0) return;
    const int n = std::clamp(count, 1, columns_);
    for (int i = 0; i < n; ++i) print(lastPrinted_);
}

/* Printable ASCII that does not fit on the cursor row as it is (or goes
 * through a character set); printAscii() takes the rest inline.
 *
 * Preconditions: every byte of the run is 0x20..0x7E, so each is its own code
 * point of width 1 and print() would write exactly one narrow cell with the
 * current attributes.  The run is written in pieces that end at the end of
 * the cursor row: each piece is stored into the row at once, marks the row
 * once and moves the cursor once.  A byte that meets a pending wrap goes
 * through print(), which performs the wrap (and any scroll) exactly as for a
 * single character.  With auto-wrap off every byte past the last column would
 * overwrite that column, so only the run's last byte is printed there.
 */
void Screen::printAsciiAcrossRows(const std::uint8_t* bytes, std::int64_t count) {
    if (count <= 0) return;
    if (!charsets_.plain() || modes_.insertMode) {
        for (std::int64_t i = 0; i < count; ++i) print(charsets_.translate(bytes[i]));
        return;
    }
    resetView();
    std::int64_t i = 0;
    while (i < count) {
        if (cursorColumn_ >= columns_) {
            if (!modes_.autoWrap) {
                print(bytes[count - 1]);
                return;
            }
            print(bytes[i++]);
            continue;
        }
        const int piece = int(std::min<std::int64_t>(columns_ - cursorColumn_, count - i));
        lines_.writeAscii(cursorRow_, cursorColumn_, bytes + i, piece, textPen(), link_, decoration_);
        cursorColumn_ += piece;
        i += piece;
    }
    lastPrinted_ = bytes[count - 1];
}

/* The run path for decoded text.  The characters that fit before the end of
 * the cursor row are stored into it with one store call.  At a row's end
 * with auto-wrap on, the wrap is made here and the run goes on in the next
 * row; a character that is clamped or has no width goes through print(),
 * and the run continues after it.
 */
void Screen::printText(const std::uint32_t* codePoints, std::int64_t count) {
    if (!charsets_.plain() || modes_.insertMode) {
        printTranslated(codePoints, count);
        return;
    }
    std::int64_t i = 0;
    while (i < count) {
        int column = cursorColumn_;
        if (column < columns_) {
            const std::int64_t taken =
                lines_.writeText(cursorRow_, column, codePoints + i, count - i, textPen(), link_, decoration_);
            if (taken > 0) {
                resetView();
                cursorColumn_ = column;
                i += taken;
                lastPrinted_ = codePoints[i - 1];
                if (i == count) break;
            }
        }
        const int width = cellWidth(codePoints[i]);
        if (modes_.autoWrap && width > 0 && width <= columns_ && cursorColumn_ + width > columns_) {
            // Only the wrap: the character starts the next row's store, so
            // that a recycled row's blanking is carried out around it.
            resetView();
            wrapToNextRow();
            continue;
        }
        print(codePoints[i++]);
    }
}

void Screen::printTranslated(const std::uint32_t* codePoints, std::int64_t count) {
    for (std::int64_t i = 0; i < count; ++i) print(charsets_.translate(codePoints[i]));
}

void Screen::scrollRegionUp() {
    const Cell& fill = fillCell();
    if (scrollTop_ != 0) {
        lines_.rotateUp(scrollTop_, scrollBottom_, fill);
        return;
    }
    // With the region at the top, the top line enters the scrollback whatever
    // the bottom margin; rows below the region return to their places.
    lines_.pushLine(fill);
    if (scrollBottom_ < rows_ - 1) lines_.rotateDown(scrollBottom_, rows_ - 1, fill);
    if (const std::int64_t shift = lines_.takeRenumberShift()) notifyRenumbering(shift);
}

void Screen::notifyRenumbering(std::int64_t shift) {
    // A shift beyond the int32 range is reported in pieces.
    while (shift > 0) {
        const auto piece = std::int32_t(std::min<std::int64_t>(shift, std::numeric_limits<std::int32_t>::max()));
        if (lineRenumberCallback) lineRenumberCallback(piece);
        shift -= piece;
    }
}

void Screen::resize(int columns, int rows) { resize(columns, rows, {}); }

void Screen::resize(int columns, int rows, std::span<LinePosition> positions) {
    columns = clampColumns(columns);
    rows = clampRows(rows);
    if (columns == columns_ && rows == rows_) return;
    if (columns != columns_) {
        reflowColumns(columns, rows, positions);
        return;
    }
    resetView();
    const Cell fill = fillCell();
    const std::int64_t oldTop = lines_.screenTopLine();
    lines_.resize(columns, rows, fill, cursorRow_);
    // A renumbering inside the resize lowered the new top: add it back so the
    // cursor stays on the same text line.
    const std::int64_t shift = lines_.takeRenumberShift();
    const std::int64_t row = cursorRow_ + oldTop - (std::int64_t{lines_.screenTopLine()} + shift);
    if (otherLines_) {
        otherLines_->resize(columns, rows, fill, otherLines_->rows() - 1);
        otherLines_->takeRenumberShift();  // its numbers are not visible while inactive
    }
    cursorColumn_ = std::clamp(cursorColumn_, 0, columns - 1);
    cursorRow_ = std::int32_t(std::clamp<std::int64_t>(row, 0, rows - 1));
    for (LinePosition& p : positions) {
        p.line = std::int32_t(p.line - shift);
        p.held = p.line >= lines_.firstLine() && p.line < lines_.endLine();
    }
    finishResize(columns, rows, shift);
}

void Screen::finishResize(int columns, int rows, std::int64_t shift) {
    columns_ = columns;
    rows_ = rows;
    scrollTop_ = 0;
    scrollBottom_ = rows_ - 1;
    notifyRenumbering(shift);
}

void Screen::setAlternateScreen(bool on) {
    if (on == alternateActive_) return;
    resetView();
    if (!otherLines_) otherLines_ = std::make_unique<LineStore>(columns_, rows_, 0, links_);
    lines_.swap(*otherLines_);
    alternateActive_ = on;
    // A program entering the alternate screen starts from the legacy keys,
    // whatever a program before it left there.
    if (on) keyboardStack().clear();
}

// --- the view ----------------------------------------------------------------

void Screen::returnToLiveView() {
    viewOffset_ = 0;
    viewScrolled_ = false;
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
}

int Screen::viewTopLine() const { return std::max(lines_.screenTopLine() - viewOffset_, lines_.firstLine()); }

LineView Screen::viewLine(int row) const {
    if (row < 0 || row >= rows_) return {};
    return lines_.line(viewTopLine() + row);
}

const Cell& Screen::viewCellAt(int column, int row) const {
    const LineView line = viewLine(row);
    if (!line || column < 0 || column >= line.size()) return kDefaultBlankCell;
    return line[column];
}

CellMarks Screen::viewMarksAt(int column, int row) const {
    const LineView line = viewLine(row);
    if (!line || column < 0 || column >= line.size()) return {};
    return line.marksAt(column);
}

CellDecoration Screen::viewDecorationAt(int column, int row) const {
    const LineView line = viewLine(row);
    if (!line || column < 0 || column >= line.size()) return {};
    CellDecoration decoration = line.decorationAt(column);
    decoration.underline = underlineStyleOf(line[column].attributes(), decoration.underline);
    return decoration;
}

std::string_view Screen::viewLinkAt(int column, int row) const {
    const LineView line = viewLine(row);
    if (!line || column < 0 || column >= line.size()) return {};
    return links_.uri(line.linkAt(column));
}

bool Screen::isLineWrapped(int line) const {
    return lines_.wrapped(line);
}

void Screen::setLink(std::string_view uri) {
    const LinkId id = uri.empty() ? 0 : links_.intern(uri);
    links_.retain(id);
    links_.release(link_);
    link_ = id;
}

}  // namespace vesper

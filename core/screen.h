// Screen: the terminal state that the parser drives and the widget reads:
// the cell grid of the active line store, the cursor and its save slot, the
// scrolling margins, the current rendition, the alternate screen, the view
// scrolled back over the scrollback, and every operation that
// a control function performs.  Coordinates taken by the control-function
// operations are 1-based counts or positions as they arrive in sequences;
// each operation clamps them to the screen once.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>
#include <bitset>

#include "core/cell.h"
#include "core/cell_run.h"
#include "core/charsets.h"
#include "core/color_table.h"
#include "core/line_position.h"
#include "core/line_store.h"
#include "core/link_table.h"
#include "core/shell_marks.h"
#include "core/terminal_modes.h"

namespace vesper {

// The largest grid a Screen holds.  Every requested size (construction,
// resize, a widget as large as the toolkit allows) is clamped to
// 1..kMaxGridColumns by 1..kMaxGridRows, so no size can exhaust memory:
// a full grid is about 1 M cells.
inline constexpr int kMaxGridColumns = 1024;
inline constexpr int kMaxGridRows = 1024;

class Screen {
public:
    // The size is clamped as for resize().
    Screen(int columns, int rows, int scrollbackLines);
    ~Screen();
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;

    // --- queries -----------------------------------------------------------
    int columns() const { return columns_; }
    int rows() const { return rows_; }
    int cursorColumn() const { return cursorColumn_; }  // may equal columns(): wrap pending
    int cursorRow() const { return cursorRow_; }
    int scrollTop() const { return scrollTop_; }
    int scrollBottom() const { return scrollBottom_; }
    bool autoWrap() const { return modes_.autoWrap; }
    // Every mode a program set; the widget's encoders read them here.
    const TerminalModes& modes() const { return modes_; }
    // The keyboard-protocol flags of the screen shown: each screen keeps its own stack.
    KeyboardFlagStack& keyboardStack() { return modes_.keyboard.stacks[alternateActive_ ? 1 : 0]; }
    int keyboardFlags() const { return modes_.keyboard.stacks[alternateActive_ ? 1 : 0].flags(); }
    void setModifyOtherKeys(int level) { modes_.keyboard.modifyOtherKeys = level; }
    // The host's colours and a program's overrides of them (OSC 4, 10-12).
    const ColorTable& colorTable() const { return colors_; }
    ColorTable& colorTable() { return colors_; }
    // DECRQM's answer for a mode: 1 set, 2 reset, 0 unknown.
    int modeReport(int mode, bool isPrivate) const;
    // The cursor as a position report gives it: 0-based, relative to the
    // top margin in origin mode, on the last column while a wrap is pending.
    int reportedRow() const { return cursorRow_ - (modes_.originMode ? scrollTop_ : 0); }
    int reportedColumn() const { return cursorColumn_ < columns_ ? cursorColumn_ : columns_ - 1; }
    const CellAttributes& attributes() const { return attributes_; }
    // The underline style and colour printed cells take (SGR 4:n, 21, 24, 58, 59).
    const CellDecoration& decoration() const { return decoration_; }
    bool alternateActive() const { return alternateActive_; }
    int viewOffset() const { return viewOffset_; }
    bool viewScrolled() const { return viewScrolled_; }
    int scrollbackLineCount() const { return lines_.scrollbackCount(); }
    // The active store (read-only), for tests, tools and painting.
    const LineStore& lineStore() const { return lines_; }
    // The last DECSCUSR style, 0..6 (0: the host's default).
    int cursorStyle() const { return cursorStyle_; }
    const CharsetState& charsets() const { return charsets_; }

    // --- printing and the scroll step --------------------------------------
    // One character as it is to appear (no character-set translation): a
    // zero-width one attaches to the cell before the cursor.
    void print(std::uint32_t codePoint);
    // Prints a run of bytes 0x20..0x7E through the character sets; the same
    // result as print() of each translated byte.  Inline for the common
    // case, a run that fits on the cursor row as it is: the parser calls it
    // for every piece of text, often a few bytes between two sequences.
    [[gnu::always_inline]] void printAscii(const std::uint8_t* bytes, std::int64_t count) {
        if (count > 0 && count <= columns_ - cursorColumn_ && charsets_.plain() && !modes_.insertMode) {
            resetView();
            lines_.writeAscii(cursorRow_, cursorColumn_, bytes, int(count), textPen(), link_, decoration_);
            cursorColumn_ += std::int32_t(count);
            lastPrinted_ = bytes[count - 1];
        } else {
            printAsciiAcrossRows(bytes, count);
        }
    }
    // Prints decoded code points, 0x20..0x7E through the character sets; the
    // same result as print() for each.
    void printText(const std::uint32_t* codePoints, std::int64_t count);
    // REP: the last character printed, `count` times (at most a row's worth).
    void repeatLastCharacter(int count);
    void index() {
        resetView();
        leavePendingWrap();
        if (cursorRow_ == scrollBottom_) {
            scrollRegionUp();
        } else if (cursorRow_ < rows_ - 1) {
            ++cursorRow_;
        }
    }
    // LF, VT and FF: an index, and a carriage return too in new-line mode.
    void lineFeed() {
        if (modes_.newLineMode) cursorColumn_ = 0;
        index();
    }
    void scrollRegionUp();

    // --- size and screens --------------------------------------------------
    // Sizes are clamped to 1..kMaxGridColumns and 1..kMaxGridRows.
    void resize(int columns, int rows);
    // The same, carrying `positions` (absolute lines of the active store)
    // along: a column change re-wraps the primary screen and its scrollback,
    // and each position follows its character or loses `held`.
    void resize(int columns, int rows, std::span<LinePosition> positions);
    void setAlternateScreen(bool on);

    // --- the view over the scrollback --------------------------------------
    void resetView() {
        if (viewScrolled_) returnToLiveView();
    }
    void scrollViewUp(int lines);
    void scrollViewDown(int lines);
    void setViewOffset(int lines);
    // Row `row` of the view (scrolled back or live); an empty view outside
    // 0..rows()-1.  Valid until the screen next changes.
    LineView viewLine(int row) const;
    const Cell& viewCellAt(int column, int row) const;
    // The combining marks of a view cell, decoded (a value); empty if none.
    CellMarks viewMarksAt(int column, int row) const;
    // The OSC 8 URI of a view cell; empty if none.
    std::string_view viewLinkAt(int column, int row) const;
    // The underline style and colour of a view cell.
    CellDecoration viewDecorationAt(int column, int row) const;
    // Absolute line number: its text continues on line + 1 (a soft wrap).
    bool isLineWrapped(int line) const;

    // --- C0 and escape functions -------------------------------------------
    void backspace();
    void setTabStop();            // HTS
    void clearTabStops(int mode);  // TBC: 0 the one at the cursor, 3 all
    void tabForward(int count);   // CHT (HT is one)
    void tabBackward(int count);  // CBT
    void carriageReturn() { cursorColumn_ = 0; }
    void horizontalTab();
    void reverseIndex();
    void saveCursor();
    void restoreCursor();
    void reset();
    // DECALN: every cell an E in the default rendition, the margins reset
    // and the cursor home.
    void screenAlignmentTest();
    void designateCharset(int slot, Charset set) { charsets_.g[slot & 1] = set; }
    void invokeCharset(int slot) { charsets_.gl = std::uint8_t(slot & 1); }
    void setCursorStyle(int style) { cursorStyle_ = style; }
    // The link the next printed cells carry (OSC 8); empty: none.
    void setLink(std::string_view uri);

    // --- control sequences (counts and positions 1-based, clamped) --------
    void cursorUp(int count);
    void cursorDown(int count);
    void cursorForward(int count);
    void cursorBackward(int count);
    void cursorPosition(int row, int column);
    void cursorHorizontalAbsolute(int column);
    void linePositionAbsolute(int row);
    void eraseInDisplay(int mode);
    void eraseInLine(int mode);
    void eraseCharacters(int count);
    void insertCharacters(int count);
    void deleteCharacters(int count);
    void insertLines(int count);
    void deleteLines(int count);
    void scrollUp(int count);
    void scrollDown(int count);
    // DECSTBM: 0 is the default (the first or the last row); a region of
    // fewer than two rows is ignored; an accepted one homes the cursor.
    void setMargins(int top, int bottom);
    void resetMargins();
    // Bit i of `continued` set: parameter i + 1 is a sub-parameter of
    // parameter i (they were joined by a colon), so the two form one group.
    void selectGraphicRendition(std::span<const std::int32_t> parameters, std::uint32_t continued = 0);
    void setAutoWrap(bool on) { modes_.autoWrap = on; }
    // SM/RM and DECSET/DECRST of a mode TerminalModes holds (origin mode
    // also homes the cursor); false when the mode is not one of them.
    bool setMode(int mode, bool isPrivate, bool on);
    void setApplicationKeypad(bool on) { modes_.applicationKeypad = on; }
    void scrollLeft(int count);     // SL: the region's rows move left
    void scrollRight(int count);    // SR
    void insertColumns(int count);  // DECIC: at the cursor column, in the region's rows
    void deleteColumns(int count);  // DECDC
    // DECSTR: the modes of TerminalModes::softReset, the rendition, the
    // margins, the character sets, the cursor style and the saved cursor
    // return to their defaults; the screen and the cursor stay.
    void softReset();

    // --- shell marks (OSC 133) ---------------------------------------------
    // Records a shell's mark at the cursor (the last column while a wrap is pending).
    void setShellMark(ShellMarkKind kind, std::optional<int> exitCode = std::nullopt);
    // The marks of the line with absolute number `line`; empty when it is not held.
    ShellMarks shellMarks(int line) const { return lines_.line(line).shellMarks(); }
    // The nearest line before (after) `line` where a prompt starts; -1 if none.
    int promptLineBefore(int line) const;
    int promptLineAfter(int line) const;
    // The exit code of the command whose output `line` begins in or
    // continues, once the shell reported it; none for prompt and input lines.
    std::optional<int> outputExitCode(int line) const;

    // --- line numbers and text ---------------------------------------------
    int firstLine() const { return lines_.firstLine(); }
    int endLine() const { return lines_.endLine(); }
    int screenTopLine() const { return lines_.screenTopLine(); }
    int viewTopLine() const;
    // A negative size keeps every line (LineStore::kUnlimitedScrollback).
    void setScrollbackSize(int lines);
    std::string lineText(int line) const;
    // The same text for a scrollback line without marks, read from its
    // packed form and appended to out[used, ...), its unwritten end cut to
    // `tailCells` cells (LineStore::packedText); false for other lines.  For
    // scans over the whole store.
    bool packedLineText(int line, std::vector<char>& out, std::size_t& used, int tailCells) const {
        return lines_.packedText(line, out, used, tailCells);
    }
    std::string viewRowText(int row) const;
    // The view rows' texts joined by LF, no LF at the end.
    std::string screenText() const;
    // Every scrollback line, then the screen rows, joined the same way.
    std::string sessionText() const;
    std::string scrollbackLineText(int index) const;
    std::vector<std::string> scrollbackLines() const;
    std::string lineRangeText(int line, int startCol, int endCol) const;
    // The text of a selection: soft-wrapped rows join without a line feed.
    std::string rangeText(int startLine, int startCol, int endLine, int endCol) const;

    // Throws std::logic_error naming the first broken invariant.
    void checkInvariants() const;

    // Called after the core lowered every absolute line number it holds by
    // `shift` (> 0), which keeps the numbering far from int32 overflow.
    // Owners subtract the same amount from the numbers they hold.
    std::function<void(std::int32_t shift)> lineRenumberCallback;

private:
    // A blank in the current colours (nothing else of the rendition: erased
    // and inserted cells are not reverse, underlined, bold, ...).  Kept
    // rather than built per call: every scroll and erase needs one.
    const Cell& fillCell() const {
        if (fillStale_) {
            CellAttributes colours;
            colours.fg = attributes_.fg;
            colours.bg = attributes_.bg;
            fill_ = Cell(kSpace, colours);
            fillStale_ = false;
        }
        return fill_;
    }
    // The cells printing writes, taken from the attributes after they change
    // (SGR, restore, reset mark them stale) rather than compared per write.
    const CellRun& textPen() const {
        if (penStale_) refreshPen();
        return textPen_;
    }
    void refreshPen() const;
    // A cursor with a wrap pending steps back onto the last column, as every
    // operation but printing and tabs does first.
    void leavePendingWrap() {
        if (cursorColumn_ >= columns_) cursorColumn_ = columns_ - 1;
    }
    void setUnderline(UnderlineStyle style);
    // One SGR group (a code with its sub-parameters), `size` values from `i`.
    void selectGroupRendition(std::span<const std::int32_t> list, std::size_t i, std::size_t size);
    // The slot DECSC and DECRC use: each screen has its own.
    struct SavedCursor {
        std::int32_t row = 0;
        std::int32_t column = 0;  // columns(): a wrap was pending
        CellAttributes attributes;
        CellDecoration decoration;
        CharsetState charsets;
        bool originMode = false;
    };
    SavedCursor& savedCursor() { return savedCursors_[alternateActive_ ? 1 : 0]; }
    void eraseCells(int row, int from, int to);  // columns [from, to) of a screen row
    void attachMark(std::uint32_t mark);
    void printTranslated(const std::uint32_t* codePoints, std::int64_t count);
    std::string pieceText(const LineView& line, int startCol, int endCol, bool trim) const;
    void printAsciiAcrossRows(const std::uint8_t* bytes, std::int64_t count);
    // Auto-wrap at the row's end: the row is marked as continued and the
    // cursor goes to the start of the next one, scrolling at the bottom.
    void wrapToNextRow() {
        lines_.setWrapped(cursorRow_);
        cursorColumn_ = 0;
        index();
    }
    void notifyRenumbering(std::int64_t shift);
    void returnToLiveView();
    void reflowColumns(int columns, int rows, std::span<LinePosition> positions);  // core/screen_reflow.cpp
    void finishResize(int columns, int rows, std::int64_t shift);

    std::int32_t columns_;
    std::int32_t rows_;
    std::int32_t cursorColumn_ = 0;
    std::int32_t cursorRow_ = 0;
    std::int32_t scrollTop_ = 0;
    std::int32_t scrollBottom_ = 0;
    TerminalModes modes_;
    ColorTable colors_;
    // Tab stops by column, for the widest grid: a narrower screen keeps the
    // stops beyond its edge for when it widens again.
    std::bitset<kMaxGridColumns> tabStops_;
    void resetTabStops();
    // Row `row` (1-based) of a cursor positioning: of the region in origin mode.
    int rowPosition(int row) const;
    CellAttributes attributes_;
    CellDecoration decoration_;
    CharsetState charsets_;
    SavedCursor savedCursors_[2];  // the primary screen's, the alternate screen's
    std::int32_t cursorStyle_ = 0;
    std::uint32_t lastPrinted_ = 0;  // for REP; 0: none yet
    // Declared before the stores, which hold uses of its links.
    LinkTable links_;
    LinkId link_ = 0;  // the open link, retained while open
    LineStore lines_;
    std::unique_ptr<LineStore> otherLines_;
    bool alternateActive_ = false;
    std::int32_t viewOffset_ = 0;
    bool viewScrolled_ = false;
    mutable Cell fill_{kSpace, CellAttributes{}};
    mutable CellRun textPen_{CellAttributes{}};
    mutable bool penStale_ = false;
    mutable bool fillStale_ = false;
};

}  // namespace vesper

// Screen: a column change.  The primary screen and its scrollback re-wrap
// (LineStore::reflow), taking the cursor, the saved cursor and the top of a
// scrolled-back view along; the alternate screen is cut or padded, since
// full-screen programs redraw it at the new size.
#include <algorithm>
#include <vector>

#include "core/screen.h"

namespace vesper {

void Screen::reflowColumns(int columns, int rows, std::span<LinePosition> positions) {
    const Cell fill = fillCell();
    std::int64_t shift = 0;
    if (!alternateActive_) {
        const int top = lines_.screenTopLine();
        LinePosition cursor{top + cursorRow_, cursorColumn_};
        std::vector<LinePosition> points(positions.begin(), positions.end());
        SavedCursor& savedSlot = savedCursors_[0];
        points.push_back({top + savedSlot.row, savedSlot.column});
        points.push_back({viewTopLine(), 0});
        lines_.reflow(columns, rows, fill, cursor, points);
        shift = lines_.takeRenumberShift();
        const int newTop = lines_.screenTopLine();
        cursorRow_ = cursor.line - newTop;
        cursorColumn_ = cursor.column;
        const LinePosition& saved = points[points.size() - 2];
        savedSlot.row = saved.held ? std::clamp(saved.line - newTop, 0, rows - 1) : 0;
        savedSlot.column = saved.column;
        // A scrolled-back view keeps the text at its top; the live view stays live.
        if (viewScrolled_) {
            const LinePosition& view = points.back();
            const int scrollback = lines_.scrollbackCount();
            viewOffset_ = view.held ? std::clamp(newTop - view.line, 0, scrollback) : scrollback;
            viewScrolled_ = viewOffset_ != 0;
        }
        std::copy_n(points.begin(), positions.size(), positions.begin());
        if (otherLines_) {
            otherLines_->resize(columns, rows, fill, otherLines_->rows() - 1);
            otherLines_->takeRenumberShift();  // its numbers are not visible while inactive
        }
    } else {
        // The primary screen waits behind the alternate one with its cursor
        // in its save slot (mode 1049).
        LineStore& primary = *otherLines_;
        SavedCursor& savedSlot = savedCursors_[0];
        LinePosition saved{primary.screenTopLine() + savedSlot.row, savedSlot.column};
        primary.reflow(columns, rows, fill, saved, {});
        primary.takeRenumberShift();
        savedSlot.row = saved.line - primary.screenTopLine();
        savedSlot.column = saved.column;
        const std::int64_t oldTop = lines_.screenTopLine();
        lines_.resize(columns, rows, fill, cursorRow_);
        shift = lines_.takeRenumberShift();
        const std::int64_t row = cursorRow_ + oldTop - (std::int64_t{lines_.screenTopLine()} + shift);
        cursorRow_ = std::int32_t(std::clamp<std::int64_t>(row, 0, rows - 1));
        cursorColumn_ = std::clamp(cursorColumn_, 0, columns - 1);
        for (LinePosition& p : positions) {
            p.line = std::int32_t(p.line - shift);
            p.held = p.line >= lines_.firstLine() && p.line < lines_.endLine();
        }
    }
    finishResize(columns, rows, shift);
}

}  // namespace vesper

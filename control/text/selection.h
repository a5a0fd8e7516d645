// Selection: the text the user selected, as two cell positions by absolute
// line number (the anchor, where the gesture began, and the head, which
// follows the pointer), so that it stays on its text while output pushes
// lines into the scrollback.  Columns run 0..columns; a position is the
// boundary before that column.
#pragma once

#include <algorithm>
#include <compare>
#include <cstdint>

namespace vesper {

struct SelectionEnd {
    int line = 0;
    int column = 0;
    auto operator<=>(const SelectionEnd &) const = default;
};

struct Selection {
    SelectionEnd anchor;
    SelectionEnd head;
    // Set while a gesture or a call made it; an active selection whose ends
    // meet selects nothing yet (a press before the drag).
    bool active = false;

    bool selectsText() const { return active && anchor != head; }
    SelectionEnd first() const { return std::min(anchor, head); }
    SelectionEnd last() const { return std::max(anchor, head); }

    // The selected columns [from, to) of `line` in a grid `columns` wide;
    // false when none.
    bool columnsOn(int line, int columns, int &from, int &to) const
    {
        if (!selectsText())
            return false;
        const SelectionEnd lo = first();
        const SelectionEnd hi = last();
        if (line < lo.line || line > hi.line)
            return false;
        from = std::clamp(line == lo.line ? lo.column : 0, 0, columns);
        to = std::clamp(line == hi.line ? hi.column : columns, 0, columns);
        return from < to;
    }

    // The core lowered every line number by `shift`.
    void shiftLines(std::int32_t shift)
    {
        anchor.line -= shift;
        head.line -= shift;
    }
};

} // namespace vesper

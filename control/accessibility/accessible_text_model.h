// AccessibleTextModel: the text that assistive technology reads from the
// rows of a terminal view, and the mapping between its offsets and the
// cells.  Each view row is one line of text, lines are separated by LF and
// lose their trailing blanks, except that a row soft-wrapped into the next
// runs on into it whole; offsets count UTF-16 units, as Qt's text
// interfaces do.  A model is a snapshot: it is rebuilt after the view
// changes and copied to remember what was last reported.
#pragma once

#include <QString>

#include <vector>

namespace vesper {

class Screen;

class AccessibleTextModel {
public:
    // A cell of the view: row and column, and the columns its character
    // covers (2 for a double-width character).
    struct CellSpan {
        int row = 0;
        int column = 0;
        int width = 1;
    };

    // Rebuilds the model from the view of `screen`.  On view row `keepRow`
    // the blanks before column `keepColumn` stay (the cursor's row: blanks
    // the cursor has moved past, after a prompt for example, belong to what
    // the user has typed or is about to type).
    void build(const Screen &screen, int keepRow, int keepColumn);

    const QString &text() const { return m_text; }
    int length() const { return int(m_text.size()); }
    int rows() const { return m_rows; }
    int columns() const { return m_columns; }
    // The absolute number of the line shown in view row 0 when built.
    int viewTopLine() const { return m_viewTopLine; }

    // The offset of the boundary before column `column` (0..columns) of view
    // row `row` (clamped): the UTF-16 length of everything before it.  A
    // boundary inside a double-width character counts that character as
    // before it; boundaries past the end of a line's text give its end.
    int offsetAt(int row, int column) const;
    // The offset of the character shown in cell (row, column), clamped to
    // the view; a cell past the end of its line's text gives the line end.
    int offsetOfCell(int row, int column) const;
    // The offset of the first character of view row `row` (clamped).
    int rowStart(int row) const;
    // The cell of the character at `offset` (clamped to 0..length); an
    // offset at a line end gives the cell after that line's text.
    CellSpan cellAt(int offset) const;
    // The cell boundary at `offset`: the row holding it and the first column
    // whose boundary reaches it.  What a selection end at `offset` is.
    CellSpan boundaryAt(int offset) const;

private:
    int rowOf(int offset) const;
    const int *boundaries(int row) const { return m_boundaries.data() + std::size_t(row) * std::size_t(m_columns + 1); }

    QString m_text;
    int m_rows = 0;
    int m_columns = 0;
    int m_viewTopLine = 0;
    // Per row, the offset of its first character and the offsets of its
    // columns + 1 boundaries; per cell whether it is the right half of a
    // double-width character.
    std::vector<int> m_rowStarts;
    std::vector<int> m_boundaries;
    std::vector<bool> m_continuation;
};

} // namespace vesper

// What the viewport's pixels show, row by row: the cells each row was last
// painted from, the selection and cursor drawn over them, and the state that
// colours every row alike (font, palette, focus...). Comparing this record
// with the screen tells which rows a change left stale and by how many rows
// the view moved, so that output repaints only those rows and moves the
// others as pixels. The record never decides what a paint covers: a paint
// always covers its whole event region; the record only learns from it.
#pragma once

#include <QColor>
#include <QFont>
#include <QSize>
#include <QString>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/cell.h"
#include "control/paint/painted_colours.h"
#include "lumenvale/palette.h"

namespace vesper {

class Screen;

// Everything besides a row's own cells and overlay that changes its pixels.
struct FrameLook {
    QSize viewport;
    int cellWidth = 0;
    int cellHeight = 0;
    int columns = 0;
    int rows = 0;
    QFont font;
    PaintedColours colours;
    QColor selectionColor;
    bool focused = false;
    int cursorStyle = 0;
    // Drawings that follow the text across rows (a hovered link, the input
    // method's preedit): while one shows, every change repaints everything.
    bool crossRowOverlay = false;

    bool operator==(const FrameLook &) const = default;
};

// What is drawn over one row's cells: the selected columns [selectionFrom,
// selectionTo) and the cursor's cells [cursorFrom, cursorTo); empty when the
// ends are equal.
struct RowOverlay {
    int selectionFrom = 0;
    int selectionTo = 0;
    int cursorFrom = 0;
    int cursorTo = 0;

    bool operator==(const RowOverlay &) const = default;
};

// Which rows a change left stale.
struct FrameDamage {
    bool everything = true;
    // The view's content moved up by this many rows (down when negative):
    // the pixels of the other rows move with it before `rows` are painted.
    int scroll = 0;
    std::vector<int> rows; // ascending view rows, after the scroll
};

class PaintedRows {
public:
    // Nothing is known about the pixels: the next change repaints all.
    void forget();

    // A paint of the viewport starts with `look` and the view's top line.
    // Rows it does not cover keep their record only when neither changed.
    void beginPaint(const FrameLook &look, int viewTopLine);
    // View row `row` was painted in full from the screen as it is now.
    void recordRow(const Screen &screen, int row, const RowOverlay &overlay);
    // View row `row` was painted only in part: its pixels are mixed.
    void forgetRow(int row);

    // The rows whose pixels differ from what the screen and `overlayOf`
    // (view row -> RowOverlay) would paint now under `look`.
    template <typename OverlayOf>
    FrameDamage compare(const Screen &screen, const FrameLook &look, OverlayOf overlayOf) const;

    // The viewport's pixels of rows [0, rows) moved up by `rows` rows
    // (down when negative): the records follow them.
    void scroll(int rows);

private:
    struct Record {
        bool known = false;
        RowOverlay overlay;
        // Combining marks by column: rare, so kept apart from the cells.
        std::vector<std::pair<int, std::u32string>> marks;
        // The stored underline style and colour of underlined cells that
        // have one: equal cell words may still be painted differently.
        std::vector<std::pair<int, CellDecoration>> decorations;
    };
    bool sameRow(const Screen &screen, int row, const Record &record, const Cell *cells) const;
    int scrollHint(const Screen &screen) const;
    void resize(int columns, int rows);

    FrameLook m_look;
    int m_viewTopLine = 0;
    bool m_known = false;
    int m_columns = 0;
    std::vector<Cell> m_cells; // m_columns cells per row
    std::vector<Record> m_records;
};

template <typename OverlayOf>
FrameDamage PaintedRows::compare(const Screen &screen, const FrameLook &look, OverlayOf overlayOf) const
{
    FrameDamage damage;
    const int rows = look.rows;
    if (!m_known || !(look == m_look) || look.crossRowOverlay || int(m_records.size()) != rows || m_columns != look.columns)
        return damage;
    const int shift = scrollHint(screen);
    if (shift <= -rows || shift >= rows)
        return damage;
    for (int row = 0; row < rows; ++row) {
        const int from = row + shift;
        const bool same = from >= 0 && from < rows && m_records[std::size_t(from)].known
                          && m_records[std::size_t(from)].overlay == overlayOf(row)
                          && sameRow(screen, row, m_records[std::size_t(from)],
                                     m_cells.data() + std::size_t(from) * std::size_t(m_columns));
        if (!same)
            damage.rows.push_back(row);
    }
    if (int(damage.rows.size()) == rows)
        return damage; // nothing to keep: a plain repaint of everything
    damage.everything = false;
    damage.scroll = shift;
    return damage;
}

} // namespace vesper

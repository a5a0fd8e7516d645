// What painting keeps from frame to frame: the font variants of the runs
// (bold, italic, underline, strike-out) with their ASCII glyph tables and
// finished ASCII cells, the row buffers, and the record of what the
// viewport's rows show. The font caches are rebuilt only when the terminal
// font changes.
#pragma once

#include <QFont>
#include <QImage>

#include <array>
#include <optional>
#include <utility>
#include <vector>

#include "core/cell.h"
#include "control/paint/ascii_cells.h"
#include "control/paint/ascii_glyphs.h"
#include "control/paint/cell_glyphs.h"
#include "control/paint/character_cells.h"
#include "control/paint/painted_rows.h"
#include "control/paint/row_runs.h"
#include "control/paint/underline_painter.h"

namespace vesper {

class RunFonts {
public:
    // Drops the cached variants when `base` differs from the last one.
    void useBase(const QFont &base);
    // The terminal font with the run's weight, style and decorations.
    const QFont &forAttributes(const CellAttributes &a);
    // The glyph table of the run's weight and style, or null when the font
    // cannot draw printable ASCII by glyph index.
    AsciiGlyphs *asciiGlyphs(const CellAttributes &a);
    // The cached glyphs of any character in the run's weight and style.
    CellGlyphs &cellGlyphs(const CellAttributes &a);

private:
    QFont m_base;
    bool m_valid = false;
    std::array<std::optional<QFont>, 16> m_fonts;
    std::array<AsciiGlyphs, 4> m_glyphs;
    std::array<CellGlyphs, 4> m_cellGlyphs;
};

struct PaintCache {
    RunFonts fonts;
    RowRuns row;
    AsciiCells asciiCells;
    CharacterCells characterCells;
    // Finished cells may stand in for glyphs in this paint: the painter
    // draws pixel for pixel (no scaling).
    bool cellsUsable = false;
    PaintedRows painted;
    UnderlinePainter underlines;
    // Where glyphs are drawn ahead of the paint that needs them, and what a
    // glyph seen for the first time costs to look up and rasterise.
    QImage glyphScratch;
    qint64 newGlyphNanoseconds = 50'000;
    std::vector<std::pair<CellGlyphs *, char32_t>> newGlyphs; // of the row being painted
};

} // namespace vesper

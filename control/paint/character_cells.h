// Characters beyond printable ASCII as finished cells, the way AsciiCells
// keeps printable ASCII: each character is drawn once per colour pair into a
// slot one or two cells wide, its ink cut at its cells, and a run is painted
// by copying its cells' pixels into one image drawn at once. A screen of
// ideographs then costs a copy per cell instead of blending thousands of
// glyph masks into the frame every paint. Slots belong to colour pairs seen
// in an earlier paint and stay within a budget; a character without a slot
// is drawn as a glyph by the caller.
#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRgb>

#include <memory>
#include <unordered_map>
#include <vector>

#include "control/paint/colour_pairs.h"

namespace vesper {

class CellGlyphs;

class CharacterCells {
public:
    // Starts a paint; drops every slot when the font or the cell geometry
    // changed.
    void beginPaint(const QFont &font, int cellWidth, int cellHeight, int ascent);
    void endPaint();

    // Starts composing a run of `cells` cells in `fg` on `bg` with the glyphs
    // of font variant `variant` (0..3); false, with nothing started, when the
    // pair has no slots (seen for the first time, or no room).
    bool beginRun(int variant, QRgb fg, QRgb bg, int cells);
    // Puts `codePoint` from `glyphs` into cells [column, column + width) of
    // the run (width 1 or 2); false when it has no slot and none can be made
    // (those cells keep the background).
    bool put(int column, int width, char32_t codePoint, CellGlyphs &glyphs);
    // Draws the composed run with its top left corner at (left, top).
    void drawRun(QPainter &painter, int left, int top);

    // Whether cell `column` of the run last begun holds a character put
    // there (until the next beginRun).
    bool holds(int column) const
    {
        return column >= 0 && std::size_t(column) < m_runFilled.size() && m_runFilled[std::size_t(column)];
    }

private:
    // The slots of one colour pair: pages of kSlotsPerPage slots side by
    // side, filled in order, with a painter open on the last page during a
    // paint.
    struct Pages {
        std::vector<QImage> images;
        std::unordered_map<char32_t, int> slotIndex; // by character
        int used = 0;
        std::unique_ptr<QPainter> painter;
        std::size_t bytes() const;
    };
    Pages *pagesFor(int variant, QRgb fg, QRgb bg);
    int slotWidth() const { return 2 * m_cellWidth; }

    QFont m_font;
    int m_cellWidth = 0;
    int m_cellHeight = 0;
    int m_ascent = 0;
    ColourPairs<Pages> m_pairs;
    Pages *m_current = nullptr; // the run's pair
    QRgb m_currentFg = 0;
    QRgb m_currentBg = 0;
    QImage m_run;               // the run being composed
    std::vector<bool> m_runFilled; // per cell of the run: holds a character
    int m_runCells = 0;
};

} // namespace vesper

// Printable ASCII as finished cells: each character is drawn by itself on
// the run's background into a slot wide enough for ink that leaves its cell,
// and the cell's part of the slot is copied into the frame, so every glyph is
// cut at its cell. A colour pair used in an earlier paint keeps its slots, so
// a run in it is painted by copying pixels, a fraction of the cost of
// blending each glyph's coverage into the frame again (which dominates the
// painting of a full screen of text). A run in a pair seen for the first
// time is drawn by the caller straight into the frame when all its glyphs
// keep inside their cells (the same pixels), and otherwise into scratch
// slots in one call.
#pragma once

#include <QFont>
#include <QImage>
#include <QRgb>

#include <bitset>
#include <cstdint>
#include <memory>

#include <QPainter>

#include "control/paint/ascii_glyphs.h"
#include "control/paint/colour_pairs.h"

namespace vesper {

class AsciiCells {
public:
    // Starts a paint; drops every cell when the font or the cell geometry
    // changed.
    void beginPaint(const QFont &font, int cellWidth, int cellHeight, int ascent);
    void endPaint();

    // Draws `count` units of printable ASCII at (left, top), each in its cell,
    // as `glyphs` (font variant `variant`, 0..3) in `fg` on `bg`; false, with
    // nothing drawn, when drawing the glyphs straight on the background the
    // caller filled gives these pixels at no extra cost.
    bool draw(QPainter &painter, int left, int top, const char16_t *text, int count, AsciiGlyphs &glyphs,
              int variant, QRgb fg, QRgb bg);

private:
    static constexpr int kCharacters = AsciiGlyphs::kPrintableCount;
    struct Colours {
        QImage pixels; // one slot per character, side by side
        std::bitset<kCharacters> rendered;
        std::size_t bytes() const { return std::size_t(pixels.sizeInBytes()); }
    };
    Colours *cachedColours(int variant, QRgb fg, QRgb bg);
    void renderMissing(Colours &colours, const char16_t *text, int count, AsciiGlyphs &glyphs, QRgb fg, QRgb bg);
    void renderScratch(const char16_t *text, int count, AsciiGlyphs &glyphs, QRgb fg, QRgb bg);
    int slotWidth() const { return m_cellWidth + 2 * m_pad; }
    bool inkInsideCells(int variant, AsciiGlyphs &glyphs, const char16_t *text, int count);

    QFont m_font;
    int m_cellWidth = 0;
    int m_cellHeight = 0;
    int m_ascent = 0;
    int m_pad = 0; // room on each side of a cell for ink that leaves it
    ColourPairs<Colours> m_colours;
    // Per variant: which characters' ink keeps inside the cell (known once
    // `measured`).
    std::bitset<kCharacters> m_inside[4];
    bool m_measured[4] = {};
    QImage m_scratch; // slots of a run whose colours have none
    std::unique_ptr<QPainter> m_scratchPainter; // open on m_scratch during a paint
    QImage m_run;     // the run being composed
};

} // namespace vesper

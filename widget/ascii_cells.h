// Printable ASCII as finished cells: each character of a font variant in a
// foreground on a background is rendered once, by the same glyph drawing as
// the direct path, into a cell of its own, and a run is then painted by
// copying its cells into one opaque image and drawing that. Copying pixels
// costs a fraction of blending each glyph's coverage into the frame again,
// which dominates the painting of a full screen of text. A glyph's ink
// beyond its cell (a pixel of antialiasing at the edge of some capitals) is
// cut at the cell, as a terminal grid draws it.
#pragma once

#include <QFont>
#include <QImage>
#include <QRgb>

#include <bitset>
#include <cstdint>
#include <unordered_map>

class QPainter;

namespace vesper {

class AsciiGlyphs;

class AsciiCells {
public:
    // Starts a paint; drops every cell when the font or the cell geometry
    // changed.
    void beginPaint(const QFont &font, int cellWidth, int cellHeight, int ascent);

    // Draws `count` units of printable ASCII at (left, top), each in its cell,
    // as `glyphs` (font variant `variant`, 0..3) in `fg` on `bg`. False, with
    // nothing drawn, when these colours were not asked for in an earlier
    // paint (a colour that scrolls by once is not worth its cells) or the
    // cells' memory is spent on colours in use: the caller draws the run.
    bool draw(QPainter &painter, int left, int top, const char16_t *text, int count, AsciiGlyphs &glyphs,
              int variant, QRgb fg, QRgb bg);

private:
    static constexpr int kCharacters = 95; // U+0020..U+007E
    struct Colours {
        QImage cells; // one cell per character, side by side
        std::bitset<kCharacters> rendered;
        std::uint64_t lastPaint = 0;
    };
    Colours *coloursFor(int variant, QRgb fg, QRgb bg);
    bool makeRoom();
    void render(Colours &colours, const char16_t *text, int count, AsciiGlyphs &glyphs, QRgb fg, QRgb bg);

    QFont m_font;
    int m_cellWidth = 0;
    int m_cellHeight = 0;
    int m_ascent = 0;
    std::uint64_t m_paint = 0;
    std::uint64_t m_roomMadeInPaint = 0;
    std::unordered_map<std::uint64_t, Colours> m_colours[4];
    // Colour pairs asked for without cells, with the paint that asked.
    std::unordered_map<std::uint64_t, std::uint64_t> m_seen[4];
    std::size_t m_bytes = 0;
    QImage m_run; // the run being composed, reused
};

} // namespace vesper

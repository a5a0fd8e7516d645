// UnderlinePainter: the five underline styles across a run of cells.  Single
// and double are filled rectangles; curly, dotted and dashed repeat a small
// tile drawn once per (style, cell size, thickness, colour) and laid along
// the run as a texture aligned to the grid (an image, not a pixmap: the Quick
// item may paint off the GUI thread), so the pattern joins across runs and cells
// (a curly line is one wave per cell) and a screen of diagnostics costs one
// tiled fill per run instead of a path per cell.
#pragma once

#include <QColor>
#include <QImage>

#include <vector>

#include "core/cell.h"

class QPainter;

namespace vesper {

class UnderlinePainter {
public:
    // The underline of cells [left, left + width) of a row whose top is
    // `top`: `underlinePosition` is the font's underline's top in the cell
    // (the line never leaves the cell), `left` a multiple of `cellWidth`.
    void paint(QPainter &painter, UnderlineStyle style, int left, int width, int top, int underlinePosition,
               int cellWidth, int cellHeight, int thickness, const QColor &color);

private:
    struct Tile {
        UnderlineStyle style;
        int cellWidth;
        int thickness;
        QRgb color;
        QImage image;
    };
    const QImage &tile(UnderlineStyle style, int cellWidth, int thickness, const QColor &color);
    std::vector<Tile> m_tiles; // few: the styles and colours of one screen
};

} // namespace vesper

// Box drawing (U+2500..U+257F) and block elements (U+2580..U+259F) drawn as
// geometry on the cell grid instead of from the font: lines run to the cell
// edges at the same offsets in every cell, so borders join across cells and
// rows at any font size, which font glyphs (with their own side bearings and
// heights) rarely do.
#pragma once

class QColor;
class QPainter;
class QRect;

namespace vesper {

inline bool isBoxDrawing(char32_t codePoint) { return codePoint >= 0x2500 && codePoint <= 0x259F; }

// Draws `codePoint` (isBoxDrawing) into `cell` in `color`. Shades blend
// `color` over what is already painted.
void drawBoxCharacter(QPainter &painter, char32_t codePoint, const QRect &cell, const QColor &color);

} // namespace vesper

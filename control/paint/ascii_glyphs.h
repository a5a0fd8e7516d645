// Drawing runs of printable ASCII as positioned glyphs: the glyph index of
// each of U+0020..U+007E is looked up once per font, so a run is one glyph-run
// call with every glyph on its cell, without shaping the text each frame.
#pragma once

#include <QFont>
#include <QPointF>
#include <QRawFont>
#include <QRectF>

#include <array>
#include <vector>

class QPainter;

namespace vesper {

class AsciiGlyphs {
public:
    // The characters it draws: U+0020..U+007E.
    static constexpr char16_t kFirstPrintable = 0x20;
    static constexpr char16_t kLastPrintable = 0x7E;
    static constexpr int kPrintableCount = kLastPrintable - kFirstPrintable + 1;

    // Prepares `font`; returns false (and draws nothing later) when the font
    // lacks a glyph for some printable ASCII character.
    bool prepare(const QFont &font);

    // The ink of printable ASCII character `c` relative to its baseline
    // origin, in pixels.
    QRectF inkOf(char16_t c) const;

    // Draws `count` units of printable ASCII text with the baseline at
    // `baseline`, glyph i at x = left + i * cellWidth. No decorations.
    void draw(QPainter &painter, int left, int baseline, const char16_t *text, int count, int cellWidth);

private:
    QFont m_font;
    bool m_prepared = false;
    bool m_usable = false;
    QRawFont m_raw;
    std::array<quint32, kPrintableCount> m_glyphs{};
    // Reused between calls: drawing allocates nothing once they have grown.
    std::vector<quint32> m_indexes;
    std::vector<QPointF> m_positions;
};

} // namespace vesper

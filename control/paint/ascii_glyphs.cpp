// Glyph-index cache and glyph-run drawing for printable ASCII runs. Only used
// when every glyph of the font advances exactly one cell, so positioning the
// glyphs on the cells gives what drawing the string would.
#include "control/paint/ascii_glyphs.h"

#include <QGlyphRun>
#include <QPainter>

namespace vesper {

bool AsciiGlyphs::prepare(const QFont &font)
{
    if (m_prepared && font == m_font)
        return m_usable;
    m_font = font;
    m_prepared = true;
    m_usable = false;
    m_raw = QRawFont::fromFont(font);
    if (!m_raw.isValid())
        return false;
    QString printable;
    for (char16_t c = kFirstPrintable; c <= kLastPrintable; ++c)
        printable.append(QChar(c));
    const QList<quint32> indexes = m_raw.glyphIndexesForString(printable);
    if (indexes.size() != qsizetype(m_glyphs.size()))
        return false;
    for (std::size_t i = 0; i < m_glyphs.size(); ++i) {
        // Index 0 is the missing glyph: leave such fonts to the text path,
        // which falls back to other fonts. The space (i = 0) draws nothing
        // either way.
        if (indexes[qsizetype(i)] == 0 && i != 0)
            return false;
        m_glyphs[i] = indexes[qsizetype(i)];
    }
    m_usable = true;
    return true;
}

QRectF AsciiGlyphs::inkOf(char16_t c) const
{
    return m_usable ? m_raw.boundingRect(m_glyphs[std::size_t(c - kFirstPrintable)]) : QRectF();
}

void AsciiGlyphs::draw(QPainter &painter, int left, int baseline, const char16_t *text, int count, int cellWidth)
{
    m_indexes.resize(std::size_t(count));
    m_positions.resize(std::size_t(count));
    for (int i = 0; i < count; ++i) {
        m_indexes[std::size_t(i)] = m_glyphs[std::size_t(text[i] - kFirstPrintable)];
        m_positions[std::size_t(i)] = QPointF(left + i * cellWidth, baseline);
    }
    QGlyphRun run;
    run.setRawFont(m_raw);
    run.setRawData(m_indexes.data(), m_positions.data(), count);
    painter.drawGlyphRun(QPointF(0, 0), run);
}

} // namespace vesper

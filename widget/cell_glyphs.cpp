// Cached per-character glyphs; see cell_glyphs.h.
#include "widget/cell_glyphs.h"

#include <QPainter>
#include <QTextLayout>

namespace vesper {

void CellGlyphs::useFont(const QFont &font)
{
    if (m_valid && font == m_font)
        return;
    m_font = font;
    m_valid = true;
    m_characters.clear();
    m_clusters.clear();
    m_glyphs.clear();
    m_fonts.clear();
    m_batches.clear();
}

int CellGlyphs::fontIndex(const QRawFont &font)
{
    for (std::size_t i = 0; i < m_fonts.size(); ++i)
        if (m_fonts[i] == font)
            return int(i);
    m_fonts.push_back(font);
    m_batches.emplace_back();
    return int(m_fonts.size() - 1);
}

// Lays `text` out on one line and keeps its glyphs relative to the baseline
// origin of the first character.
CellGlyphs::Entry CellGlyphs::shape(const QString &text)
{
    QTextLayout layout(text, m_font);
    layout.setCacheEnabled(false);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    const Entry entry{int(m_glyphs.size()), 0};
    if (!line.isValid())
        return entry;
    const QPointF baseline(0, line.ascent());
    int count = 0;
    for (const QGlyphRun &run : layout.glyphRuns()) {
        const int font = fontIndex(run.rawFont());
        const QList<quint32> indexes = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        for (qsizetype i = 0; i < indexes.size() && i < positions.size(); ++i) {
            m_glyphs.push_back({font, indexes[i], positions[i] - baseline});
            ++count;
        }
    }
    return {entry.first, count};
}

void CellGlyphs::queue(const Entry &entry, QPointF origin)
{
    for (int i = entry.first; i < entry.first + entry.count; ++i) {
        const Glyph &g = m_glyphs[std::size_t(i)];
        Batch &batch = m_batches[std::size_t(g.font)];
        batch.indexes.push_back(g.index);
        batch.positions.push_back(origin + g.offset);
    }
}

void CellGlyphs::add(char32_t codePoint, QPointF origin)
{
    auto it = m_characters.find(codePoint);
    if (it == m_characters.end())
        it = m_characters.emplace(codePoint, shape(QString::fromUcs4(&codePoint, 1))).first;
    queue(it->second, origin);
}

void CellGlyphs::add(const QString &cluster, QPointF origin)
{
    auto it = m_clusters.find(cluster);
    if (it == m_clusters.end())
        it = m_clusters.insert(cluster, shape(cluster));
    queue(*it, origin);
}

void CellGlyphs::draw(QPainter &painter)
{
    for (std::size_t f = 0; f < m_batches.size(); ++f) {
        Batch &batch = m_batches[f];
        if (batch.indexes.empty())
            continue;
        QGlyphRun run;
        run.setRawFont(m_fonts[f]);
        run.setRawData(batch.indexes.data(), batch.positions.data(), int(batch.indexes.size()));
        painter.drawGlyphRun(QPointF(0, 0), run);
        batch.indexes.clear();
        batch.positions.clear();
    }
}

} // namespace vesper

// Cached per-character glyphs; see cell_glyphs.h.
#include "control/paint/cell_glyphs.h"

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
    m_primary = -1;
    m_scriptFonts.clear();
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

namespace {

// Scripts whose characters take their glyph straight from the character map
// when shaped alone.
bool standsAlone(QChar::Script script)
{
    switch (script) {
    case QChar::Script_Common:
    case QChar::Script_Latin:
    case QChar::Script_Greek:
    case QChar::Script_Cyrillic:
    case QChar::Script_Armenian:
    case QChar::Script_Georgian:
    case QChar::Script_Han:
    case QChar::Script_Hangul:
    case QChar::Script_Hiragana:
    case QChar::Script_Katakana:
    case QChar::Script_Bopomofo:
        return true;
    default:
        return false;
    }
}

quint32 glyphFor(const QRawFont &font, char32_t codePoint)
{
    const QString text = QString::fromUcs4(&codePoint, 1);
    quint32 glyphs[2] = {0, 0};
    int count = 2;
    if (!font.glyphIndexesForChars(text.constData(), int(text.size()), glyphs, &count) || count != 1)
        return 0;
    return glyphs[0];
}

} // namespace

// The glyph of a character from the character map of the terminal font or
// of its script's fallback font; shaped when neither has it, which names the
// script's fallback font for the next character.
CellGlyphs::Entry CellGlyphs::lookUp(char32_t codePoint)
{
    const QChar::Script script = QChar::script(codePoint);
    if (!standsAlone(script))
        return shape(QString::fromUcs4(&codePoint, 1));
    if (m_primary < 0)
        m_primary = fontIndex(QRawFont::fromFont(m_font));
    const auto known = m_scriptFonts.find(int(script));
    for (const int font : {m_primary, known == m_scriptFonts.end() ? -1 : known->second}) {
        if (font < 0 || !m_fonts[std::size_t(font)].isValid())
            continue;
        if (const quint32 glyph = glyphFor(m_fonts[std::size_t(font)], codePoint)) {
            m_glyphs.push_back({font, glyph, QPointF()});
            return {int(m_glyphs.size()) - 1, 1};
        }
    }
    const Entry entry = shape(QString::fromUcs4(&codePoint, 1));
    if (entry.count == 1 && m_glyphs[std::size_t(entry.first)].font != m_primary)
        m_scriptFonts[int(script)] = m_glyphs[std::size_t(entry.first)].font;
    return entry;
}

void CellGlyphs::prepare(char32_t codePoint, QPainter &scratch, QPointF origin)
{
    add(codePoint, origin);
    draw(scratch);
}

void CellGlyphs::add(char32_t codePoint, QPointF origin)
{
    auto it = m_characters.find(codePoint);
    if (it == m_characters.end())
        it = m_characters.emplace(codePoint, lookUp(codePoint)).first;
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

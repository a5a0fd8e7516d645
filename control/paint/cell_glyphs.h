// Glyphs of single characters (or a character with its combining marks),
// shaped once per font and then placed on their cells: painting a screen of
// non-ASCII text costs a table lookup per cell and one glyph-run call per
// font used, instead of shaping every character on every frame. Shaping goes
// through the text layout, so characters the font lacks come from the same
// fallback fonts the string path would use. A character of a script whose
// letters stand alone (Latin, Greek, Cyrillic, Han, kana, Hangul, symbols)
// is looked up in the character map of the terminal font, or of the font
// shaping chose for that script before, instead of being shaped: screens of
// thousands of distinct ideographs then do not stall the first paints.
#pragma once

#include <QFont>
#include <QGlyphRun>
#include <QHash>
#include <QPointF>
#include <QRawFont>
#include <QString>

#include <unordered_map>
#include <vector>

class QPainter;

namespace vesper {

class CellGlyphs {
public:
    // Drops everything shaped when `font` differs from the last one.
    void useFont(const QFont &font);

    // Queues the glyphs of `codePoint` (or of `cluster`, a character with
    // its marks) with the baseline origin at `origin`.
    void add(char32_t codePoint, QPointF origin);
    void add(const QString &cluster, QPointF origin);

    // Draws the queued glyphs with the painter's pen and empties the queue.
    void draw(QPainter &painter);

    // Whether `codePoint` was looked up (and drawn) before: its glyph is in
    // the font engine's cache, and drawing it again costs little.
    bool knows(char32_t codePoint) const { return m_characters.count(codePoint) != 0; }
    // Looks `codePoint` up and draws it once on `scratch`, so that the paint
    // that needs it finds its glyph ready.
    void prepare(char32_t codePoint, QPainter &scratch, QPointF origin);

private:
    struct Glyph {
        int font;
        quint32 index;
        QPointF offset;
    };
    struct Entry {
        int first;
        int count;
    };
    Entry shape(const QString &text);
    Entry lookUp(char32_t codePoint);
    int fontIndex(const QRawFont &font);
    void queue(const Entry &entry, QPointF origin);

    QFont m_font;
    bool m_valid = false;
    std::unordered_map<char32_t, Entry> m_characters;
    QHash<QString, Entry> m_clusters;
    std::vector<Glyph> m_glyphs;
    std::vector<QRawFont> m_fonts;
    // The terminal font, and per script the font that shaping last took for
    // a character of it the terminal font lacks (-1: none yet).
    int m_primary = -1;
    std::unordered_map<int, int> m_scriptFonts;
    // Per font: the queued glyph indexes and positions.
    struct Batch {
        std::vector<quint32> indexes;
        std::vector<QPointF> positions;
    };
    std::vector<Batch> m_batches;
};

} // namespace vesper

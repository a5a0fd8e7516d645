// The text of consecutive lines of one paragraph of the terminal (a line
// together with the lines it soft-wraps into) as one QString, with the cell
// each UTF-16 unit came from. Searching, word and link detection read text
// through it, so that a word or a URL broken only by the right margin is
// found whole. Word and link detection read a bounded window of the
// paragraph around a cell: output without line feeds can make one paragraph
// of the whole scrollback.
#pragma once

#include <QString>

#include <vector>

namespace vesper {

class Screen;

// How far word and link lookups read on either side of a cell, whatever the
// length of its paragraph: a word or URL longer than this is cut or not
// offered, and a lookup costs the same on any output.
inline constexpr int kLookupRadiusCells = 8192;

struct TextPosition {
    int line = 0;   // absolute line number
    int column = 0; // cell
    bool operator==(const TextPosition &) const = default;
};

class WrappedText {
public:
    // The lines of the paragraph of `cell` within `radius` cells of it
    // either way (whole lines; at least `radius` cells where the paragraph
    // has them). Empty outside the store.
    static WrappedText window(const Screen &screen, TextPosition cell, int radius);
    // Lines [first, last] as they are (the caller keeps them in one
    // paragraph); empty outside the store.
    static WrappedText lines(const Screen &screen, int first, int last);

    int firstLine() const { return m_firstLine; }
    int lastLine() const { return m_lastLine; }
    bool isEmpty() const { return m_lastLine < m_firstLine; }
    // The paragraph goes on before the first line (after the last): what
    // touches that edge of the text may be part of something longer.
    bool cutBefore() const { return m_cutBefore; }
    bool cutAfter() const { return m_cutAfter; }
    const QString &text() const { return m_text; }

    // The cell of unit `unit`; the unit past the end maps to the cell after
    // the last character.
    TextPosition positionOf(qsizetype unit) const;
    // The cell just after the character holding unit `unit` (an exclusive
    // selection end): one cell on, or two for a wide character.
    TextPosition endOf(qsizetype unit) const;
    // The first unit whose cell is at or after `position`; size() past the end.
    qsizetype unitAt(TextPosition position) const;
    // The first unit of the character covering cell `position` (either half
    // of a wide one); size() when no character does.
    qsizetype unitCovering(TextPosition position) const;

private:
    void appendLine(const Screen &screen, int line);

    int m_firstLine = 0;
    int m_lastLine = -1;
    bool m_cutBefore = false;
    bool m_cutAfter = false;
    QString m_text;
    // Per unit: its line, its column and its character's width in cells.
    std::vector<int> m_lines;
    std::vector<int> m_columns;
    std::vector<signed char> m_widths;
};

} // namespace vesper

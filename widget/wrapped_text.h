// The text of one paragraph of the terminal: a line together with the lines
// it soft-wraps into, as one QString, with the cell each UTF-16 unit came
// from. Searching, word and link detection read text through it, so that a
// word or a URL broken only by the right margin is found whole.
#pragma once

#include <QString>

#include <vector>

namespace vesper {

class Screen;

struct TextPosition {
    int line = 0;   // absolute line number
    int column = 0; // cell
    bool operator==(const TextPosition &) const = default;
};

class WrappedText {
public:
    // The paragraph holding absolute line `line`: the lines before it that
    // wrap into it, it, and the lines it wraps into (empty outside the store).
    static WrappedText around(const Screen &screen, int line);

    int firstLine() const { return m_firstLine; }
    int lastLine() const { return m_lastLine; }
    bool isEmpty() const { return m_lastLine < m_firstLine; }
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
    QString m_text;
    // Per unit: its line, its column and its character's width in cells.
    std::vector<int> m_lines;
    std::vector<int> m_columns;
    std::vector<signed char> m_widths;
};

} // namespace vesper

// Text search over the lines of a Screen, one line at a time: a match
// starts on a line and may run on into the lines it soft-wraps into (a word
// the right margin broke is found), never across a line feed. Only the lines
// a match could touch are read, so a paragraph as long as the scrollback
// costs no more than its lines.
#pragma once

#include <QString>

#include <utility>
#include <vector>

#include "control/text/wrapped_text.h"

namespace vesper {

class Screen;

class LineSearch {
public:
    LineSearch(const Screen &screen, const QString &needle, Qt::CaseSensitivity cs);

    // The unit of `line`'s text where a match starts: forward, the first at
    // or after `from`; backward, the last at or before `from` (-1: anywhere
    // on the line). -1 when there is none.
    qsizetype find(int line, qsizetype from, bool backward);
    // The first unit of `line`'s text at or after cell `position`.
    qsizetype unitAt(int line, TextPosition position) const;
    // The cells of the match at `unit` of `line`: its first cell and the
    // cell after its last.
    std::pair<TextPosition, TextPosition> cellsOf(int line, qsizetype unit);
    // The screen changed: the texts read so far are stale.
    void forget() { m_texts.clear(); }

private:
    const QString &lineText(int line);

    const Screen &m_screen;
    QString m_needle;
    Qt::CaseSensitivity m_cs;
    // The texts of the lines read last: a line is read for its own matches
    // and again as the continuation of the line that wraps into it.
    std::vector<std::pair<int, QString>> m_texts;
};

} // namespace vesper

// Text search over the lines of a Screen, one line at a time: a match
// starts on a line and may run on into the lines it soft-wraps into (a word
// the right margin broke is found), never across a line feed. Only the lines
// a match could touch are read, so a paragraph as long as the scrollback
// costs no more than its lines.
//
// Most of a large store is packed scrollback: its lines are first tested on
// their packed UTF-8 text (Screen::packedLineText, no cells expanded, no
// QString), and only a line whose text, joined with the lines it wraps into,
// holds the needle's bytes is read and compared as QString.
#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <string>
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
    // False only when no match can start on `line`.
    bool mayStartOn(int line);
    bool bytesHoldKey(const char *text, std::size_t size) const;

    const Screen &m_screen;
    QString m_needle;
    Qt::CaseSensitivity m_cs;
    // The texts of the lines read last: a line is read for its own matches
    // and again as the continuation of the line that wraps into it.
    std::vector<std::pair<int, QString>> m_texts;
    // The needle's UTF-8 (ASCII-lowered when the case is ignored), when the
    // byte test can stand for the comparison; empty otherwise.
    std::string m_key;
    // Horspool's shift for each last byte of a window (both cases of a
    // letter when the case is ignored).
    std::array<std::uint32_t, 256> m_shift{};
    std::vector<char> m_bytes;
};

} // namespace vesper

// Line-by-line text search; see line_search.h.
#include "control/text/line_search.h"

#include "core/screen.h"

namespace vesper {

namespace {

constexpr std::size_t kRememberedLines = 16;

} // namespace

LineSearch::LineSearch(const Screen &screen, const QString &needle, Qt::CaseSensitivity cs)
    : m_screen(screen), m_needle(needle), m_cs(cs)
{
}

const QString &LineSearch::lineText(int line)
{
    for (const auto &[number, text] : m_texts)
        if (number == line)
            return text;
    if (m_texts.size() >= kRememberedLines)
        m_texts.erase(m_texts.begin());
    const std::string utf8 = m_screen.lineText(line);
    m_texts.emplace_back(line, QString::fromUtf8(utf8.data(), qsizetype(utf8.size())));
    return m_texts.back().second;
}

qsizetype LineSearch::find(int line, qsizetype from, bool backward)
{
    if (line < m_screen.firstLine() || line >= m_screen.endLine())
        return -1;
    QString text = lineText(line);
    const qsizetype own = text.size();
    if (backward && own == 0)
        return -1;
    // A match starting on this line may reach needle - 1 units into the
    // lines it wraps into.
    for (int next = line; text.size() - own < m_needle.size() - 1 && next + 1 < m_screen.endLine()
                          && m_screen.isLineWrapped(next);)
        text += lineText(++next);
    if (backward)
        return text.lastIndexOf(m_needle, from < 0 ? own - 1 : std::min(from, own - 1), m_cs);
    const qsizetype unit = text.indexOf(m_needle, from, m_cs);
    return unit < own ? unit : -1;
}

qsizetype LineSearch::unitAt(int line, TextPosition position) const
{
    return WrappedText::lines(m_screen, line, line).unitAt(position);
}

std::pair<TextPosition, TextPosition> LineSearch::cellsOf(int line, qsizetype unit)
{
    // The match's lines: this one and those its end reaches.
    int last = line;
    for (qsizetype end = lineText(line).size(); end < unit + m_needle.size() && last + 1 < m_screen.endLine()
                                                && m_screen.isLineWrapped(last);)
        end += lineText(++last).size();
    const WrappedText text = WrappedText::lines(m_screen, line, last);
    return {text.positionOf(unit), text.endOf(unit + m_needle.size() - 1)};
}

} // namespace vesper

// Line-by-line text search; see line_search.h.
#include "control/text/line_search.h"

#include <algorithm>

#include "core/screen.h"

namespace vesper {

namespace {

constexpr std::size_t kRememberedLines = 16;

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

} // namespace

LineSearch::LineSearch(const Screen &screen, const QString &needle, Qt::CaseSensitivity cs)
    : m_screen(screen), m_needle(needle), m_cs(cs)
{
    const QByteArray utf8 = needle.toUtf8();
    const bool ascii = std::all_of(utf8.begin(), utf8.end(), [](char c) { return (unsigned char)c < 0x80; });
    // Text that is not valid UTF-8 reads as U+FFFD, which the bytes do not
    // show; with the case ignored, non-ASCII letters fold in ways bytes do
    // not follow.  Those searches compare every line.
    if (utf8.isEmpty() || needle.contains(QChar::ReplacementCharacter) || (cs == Qt::CaseInsensitive && !ascii))
        return;
    m_key.assign(utf8.constData(), std::size_t(utf8.size()));
    const bool fold = cs == Qt::CaseInsensitive;
    if (fold)
        std::transform(m_key.begin(), m_key.end(), m_key.begin(), asciiLower);
    const std::size_t last = m_key.size() - 1;
    m_shift.fill(std::uint32_t(m_key.size()));
    for (std::size_t i = 0; i < last; ++i) {
        const auto c = (unsigned char)m_key[i];
        m_shift[c] = std::uint32_t(last - i);
        if (fold && c >= 'a' && c <= 'z')
            m_shift[c - 'a' + 'A'] = std::uint32_t(last - i);
    }
}

bool LineSearch::bytesHoldKey(const char *text, std::size_t size) const
{
    const std::size_t length = m_key.size();
    const bool fold = m_cs == Qt::CaseInsensitive;
    for (std::size_t at = 0; at + length <= size; at += m_shift[(unsigned char)text[at + length - 1]]) {
        std::size_t i = length;
        if (fold)
            while (i > 0 && asciiLower(text[at + i - 1]) == m_key[i - 1])
                --i;
        else
            while (i > 0 && text[at + i - 1] == m_key[i - 1])
                --i;
        if (i == 0)
            return true;
    }
    return false;
}

bool LineSearch::mayStartOn(int line)
{
    if (m_key.empty())
        return true;
    // The blanks after a line's text count up to the needle's length only.
    const int tailCells = int(std::min<std::size_t>(m_key.size(), 1 << 20));
    std::size_t used = 0;
    if (!m_screen.packedLineText(line, m_bytes, used, tailCells))
        return true;
    // A match starting on this line ends within the needle's length (in
    // bytes, the same in UTF-8 as in the text) of its end.
    const std::size_t own = used;
    for (int next = line; used - own + 1 < m_key.size() && next + 1 < m_screen.endLine()
                          && m_screen.isLineWrapped(next);)
        if (!m_screen.packedLineText(++next, m_bytes, used, tailCells))
            return true;
    const char *const text = m_bytes.data();
    // Non-ASCII text may fold onto ASCII letters (the Kelvin sign onto k):
    // the full comparison decides.
    if (m_cs == Qt::CaseInsensitive && std::any_of(text, text + used, [](char c) { return (unsigned char)c >= 0x80; }))
        return true;
    return bytesHoldKey(text, used);
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
    if (line < m_screen.firstLine() || line >= m_screen.endLine() || !mayStartOn(line))
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

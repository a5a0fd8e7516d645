// Link lookup; see terminal_link.h.
#include "control/text/terminal_link.h"

#include "core/screen.h"

namespace vesper {

namespace {

// The cells of the view that carry the OSC 8 link of (column, row): the run
// of cells with the same URI around it, in reading order across rows.
std::optional<TerminalLink> programLinkAt(const Screen &screen, int column, int row)
{
    const std::string_view uri = screen.viewLinkAt(column, row);
    if (uri.empty())
        return std::nullopt;
    const std::optional<QUrl> url = offeredUrl(QString::fromUtf8(uri.data(), qsizetype(uri.size())));
    if (!url)
        return std::nullopt;
    const int columns = screen.columns();
    const int cells = screen.rows() * columns;
    const auto sameLink = [&](int index) { return screen.viewLinkAt(index % columns, index / columns) == uri; };
    int first = row * columns + column;
    while (first > 0 && sameLink(first - 1))
        --first;
    int last = row * columns + column;
    while (last + 1 < cells && sameLink(last + 1))
        ++last;
    const int top = screen.viewTopLine();
    return TerminalLink{*url, {top + first / columns, first % columns}, {top + last / columns, last % columns + 1}};
}

bool inView(const Screen &screen, int line, int column)
{
    const int row = line - screen.viewTopLine();
    return row >= 0 && row < screen.rows() && column >= 0 && column < screen.columns();
}

} // namespace

std::optional<TerminalLink> linkAtCell(const Screen &screen, int line, int column)
{
    return LinkLookup().at(screen, line, column);
}

// Whether the window read last still holds the lookup radius around `line`
// (or the paragraph's end, where it is nearer).
bool LinkLookup::covers(const Screen &screen, int line) const
{
    if (!m_window || m_window->columns != screen.columns() || m_window->storeFirstLine != screen.firstLine()
        || m_window->storeEndLine != screen.endLine())
        return false;
    const WrappedText &text = m_window->text;
    const int reach = kLookupRadiusCells / std::max(screen.columns(), 1) + 1;
    return line >= text.firstLine() && line <= text.lastLine() && (!text.cutBefore() || line - reach >= text.firstLine())
           && (!text.cutAfter() || line + reach <= text.lastLine());
}

std::optional<TerminalLink> LinkLookup::at(const Screen &screen, int line, int column)
{
    if (!inView(screen, line, column))
        return std::nullopt;
    if (auto link = programLinkAt(screen, column, line - screen.viewTopLine()))
        return link;
    if (!covers(screen, line)) {
        // Twice the radius, so that the lines around this one are served too.
        Window window{WrappedText::window(screen, {line, column}, 2 * kLookupRadiusCells), {}, screen.columns(),
                      screen.firstLine(), screen.endLine()};
        const WrappedText &text = window.text;
        for (const UrlSpan &span : findUrls(text.text())) {
            // A URL at a cut edge may go on beyond it: too long, or the tail
            // of a longer word.
            const bool atCut = (text.cutBefore() && span.start == 0)
                               || (text.cutAfter() && span.start + span.length == text.text().size());
            if (!atCut && span.length <= kMaxDetectedUrlUnits)
                window.urls.push_back(span);
        }
        m_window = std::move(window);
    }
    const WrappedText &text = m_window->text;
    const qsizetype unit = text.unitCovering({line, column});
    for (const UrlSpan &span : m_window->urls) {
        if (unit < span.start)
            break;
        if (unit >= span.start + span.length)
            continue;
        const std::optional<QUrl> url = offeredUrl(QStringView(text.text()).mid(span.start, span.length));
        if (!url)
            return std::nullopt;
        return TerminalLink{*url, text.positionOf(span.start), text.endOf(span.start + span.length - 1)};
    }
    return std::nullopt;
}

} // namespace vesper

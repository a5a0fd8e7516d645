// Link lookup; see terminal_link.h.
#include "widget/terminal_link.h"

#include "core/screen.h"
#include "widget/url_detection.h"

namespace vesper {

namespace {

// The cells of the view that carry the OSC 8 link of (column, row): the run
// of cells with the same URI around it, in reading order across rows.
std::optional<TerminalLink> programLinkAt(const Screen &screen, int column, int row)
{
    const std::string_view uri = screen.viewLinkAt(column, row);
    if (uri.empty())
        return std::nullopt;
    const QString url = QString::fromUtf8(uri.data(), qsizetype(uri.size()));
    if (!isOfferedUrl(url))
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
    return TerminalLink{url, {top + first / columns, first % columns}, {top + last / columns, last % columns + 1}};
}

} // namespace

std::optional<TerminalLink> linkAtCell(const Screen &screen, int line, int column)
{
    const int row = line - screen.viewTopLine();
    if (row < 0 || row >= screen.rows() || column < 0 || column >= screen.columns())
        return std::nullopt;
    if (auto link = programLinkAt(screen, column, row))
        return link;
    const WrappedText paragraph = WrappedText::around(screen, line);
    const UrlSpan span = urlAt(paragraph.text(), paragraph.unitCovering({line, column}));
    if (span.length == 0)
        return std::nullopt;
    return TerminalLink{paragraph.text().mid(span.start, span.length), paragraph.positionOf(span.start),
                        paragraph.endOf(span.start + span.length - 1)};
}

} // namespace vesper

// TerminalControl links: while Ctrl is held, the link under the pointer (an
// OSC 8 link or a URL in the text) is underlined and the pointer becomes a
// pointing hand; Ctrl+click emits linkActivated and opens nothing. A link's
// URL, exactly as it is delivered and in a form that cannot disguise its
// host (displayedUrl), is the viewport's tooltip. Ctrl+click on a link is
// taken for the link even while a program asks for mouse reports (Ctrl+click
// elsewhere, and every plain click, still reach the program). The lookups
// share one LinkLookup, which the control tells when the text changes.
// linkAt hands the same lookup to a host (a context menu's "Open Link"), and
// linkHovered reports the link under the pointer whatever the modifiers, for
// a host that draws its own hover or status line.
#include "control/terminal_control.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

#include <algorithm>
#include <utility>

#include "control/text/terminal_link.h"

namespace vesper {

std::optional<TerminalLink> TerminalControl::linkUnder(QPoint point)
{
    if (!m_linkLookup)
        m_linkLookup = std::make_unique<LinkLookup>();
    const QPoint cell = linkCellAt(point);
    return m_linkLookup->at(m_screen, cell.y(), cell.x());
}

void TerminalControl::forgetLinkText()
{
    if (m_linkLookup)
        m_linkLookup->forget();
}

QPoint TerminalControl::linkCellAt(QPoint point) const
{
    if (!QRect(QPoint(0, 0), m_viewportSize).contains(point))
        return {-1, m_screen.viewTopLine() - 1};
    const CellPosition cell = cellAt(point);
    return {cell.column, cell.line};
}

// Resolves the link under the pointer again; true when it changed.
bool TerminalControl::resolveHoveredLink()
{
    std::optional<TerminalLink> link;
    if (m_linkModifierHeld && m_linkPointerInside)
        link = linkUnder(m_linkPointer);
    if (bool(link) == bool(m_hoveredLink) && (!link || *link == *m_hoveredLink))
        return false;
    m_hoveredLink = link ? std::make_unique<TerminalLink>(*link) : nullptr;
    emit cursorShapeRequest(m_hoveredLink ? Qt::PointingHandCursor : Qt::ArrowCursor);
    return true;
}

void TerminalControl::updateLinkHover()
{
    if (resolveHoveredLink())
        update();
}

void TerminalControl::trackLinkPointer(const QMouseEvent *event, QPoint point)
{
    m_linkPointer = point;
    m_linkPointerInside = true;
    m_linkModifierHeld = event->modifiers().testFlag(Qt::ControlModifier);
    updateLinkHover();
    scheduleLinkHoveredCheck();
}

// The link under the pointer is looked up once per event-loop pass however
// many moves arrived, and reported from there: a slot may delete the control.
void TerminalControl::scheduleLinkHoveredCheck()
{
    if (std::exchange(m_linkHoveredCheckPending, true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_linkHoveredCheckPending = false;
            const QUrl url = m_linkPointerInside ? linkAt(m_linkPointer) : QUrl();
            if (url != m_pointerLink) {
                m_pointerLink = url;
                emit linkHovered(url);
            }
        },
        Qt::QueuedConnection);
}

QUrl TerminalControl::linkAt(QPoint point)
{
    const QPoint cell = linkCellAt(point);
    return linkAtCell(cell.y(), cell.x());
}

QUrl TerminalControl::linkAtCell(int line, int column)
{
    // Output not parsed yet changes the text a lookup may have kept.
    if (!m_unparsed.empty()) {
        parseWaitingOutput();
        forgetLinkText();
    }
    if (!m_linkLookup)
        m_linkLookup = std::make_unique<LinkLookup>();
    const std::optional<TerminalLink> link = m_linkLookup->at(m_screen, line, column);
    return link ? link->url : QUrl();
}

void TerminalControl::trackLinkModifier(const QKeyEvent *event, bool pressed)
{
    if (event->key() != Qt::Key_Control)
        return;
    m_linkModifierHeld = pressed;
    updateLinkHover();
}

bool TerminalControl::takeLinkClick(const QMouseEvent *event, QPoint point, bool activate)
{
    if (event->button() != Qt::LeftButton || !event->modifiers().testFlag(Qt::ControlModifier))
        return false;
    const std::optional<TerminalLink> link = linkUnder(point);
    if (!link)
        return false;
    m_linkReleasePending = true;
    if (activate)
        emit linkActivated(link->url); // last: a slot may delete the control
    return true;
}

bool TerminalControl::takeLinkRelease(const QMouseEvent *event)
{
    if (!m_linkReleasePending || event->button() != Qt::LeftButton)
        return false;
    m_linkReleasePending = false;
    return true;
}

bool TerminalControl::keyRelease(QKeyEvent *event)
{
    trackLinkModifier(event, false);
    return reportKeyRelease(event);
}

void TerminalControl::pointerLeft()
{
    m_linkPointerInside = false;
    updateLinkHover();
    scheduleLinkHoveredCheck();
}

QString TerminalControl::linkToolTipAt(QPointF point)
{
    const std::optional<TerminalLink> link = linkUnder(point.toPoint());
    return link ? displayedUrl(link->url) : QString();
}

// Underlines the hovered link where it is now: output since the pointer
// last moved may have changed what lies under it.
void TerminalControl::paintLinkHover(QPainter &painter)
{
    resolveHoveredLink();
    if (!m_hoveredLink)
        return;
    const QFontMetricsF metrics(m_font);
    const int thickness = std::max(1, qRound(metrics.lineWidth()));
    const int top = m_screen.viewTopLine();
    for (int line = std::max(m_hoveredLink->start.line, top); line <= m_hoveredLink->end.line && line - top < m_rows; ++line) {
        const int row = line - top;
        const int from = line == m_hoveredLink->start.line ? m_hoveredLink->start.column : 0;
        const int to = line == m_hoveredLink->end.line ? m_hoveredLink->end.column : m_columns;
        const int y = std::min(row * m_cellHeight + m_fontAscent + qRound(metrics.underlinePos()),
                               (row + 1) * m_cellHeight - thickness);
        painter.fillRect(from * m_cellWidth, y, (to - from) * m_cellWidth, thickness, m_colours.foreground());
    }
}

} // namespace vesper

// TerminalWidget links: while Ctrl is held, the link under the pointer (an
// OSC 8 link or a URL in the text) is underlined and the pointer becomes a
// pointing hand; Ctrl+click emits linkActivated and opens nothing. A link's
// URL is the viewport's tooltip. Ctrl+click on a link is taken for the link
// even while a program asks for mouse reports (Ctrl+click elsewhere, and
// every plain click, still reach the program).
#include "widget/terminal_widget.h"

#include <QFontMetricsF>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QUrl>

#include <algorithm>

#include "widget/terminal_link.h"

namespace vesper {

namespace {

std::optional<TerminalLink> linkUnder(const Screen &screen, QPoint cell) { return linkAtCell(screen, cell.y(), cell.x()); }

} // namespace

QPoint TerminalWidget::linkCellAt(QPoint point) const
{
    if (!viewport()->rect().contains(point))
        return {-1, screen.viewTopLine() - 1};
    const CellPosition cell = cellAt(point);
    return {cell.column, cell.line};
}

// Resolves the link under the pointer again; true when it changed.
bool TerminalWidget::resolveHoveredLink()
{
    std::optional<TerminalLink> link;
    if (linkModifierHeld && linkPointerInside)
        link = linkUnder(screen, linkCellAt(linkPointer));
    if (bool(link) == bool(hoveredLink) && (!link || *link == *hoveredLink))
        return false;
    hoveredLink = link ? std::make_unique<TerminalLink>(*link) : nullptr;
    if (hoveredLink)
        viewport()->setCursor(Qt::PointingHandCursor);
    else
        viewport()->unsetCursor();
    return true;
}

void TerminalWidget::updateLinkHover()
{
    if (resolveHoveredLink())
        viewport()->update();
}

void TerminalWidget::trackLinkPointer(const QMouseEvent *event)
{
    linkPointer = event->position().toPoint();
    linkPointerInside = true;
    linkModifierHeld = event->modifiers().testFlag(Qt::ControlModifier);
    updateLinkHover();
}

void TerminalWidget::trackLinkModifier(const QKeyEvent *event, bool pressed)
{
    if (event->key() != Qt::Key_Control)
        return;
    linkModifierHeld = pressed;
    updateLinkHover();
}

bool TerminalWidget::takeLinkClick(const QMouseEvent *event, bool activate)
{
    if (event->button() != Qt::LeftButton || !event->modifiers().testFlag(Qt::ControlModifier))
        return false;
    const std::optional<TerminalLink> link = linkUnder(screen, linkCellAt(event->position().toPoint()));
    if (!link)
        return false;
    linkReleasePending = true;
    if (activate)
        emit linkActivated(QUrl(link->url)); // last: a slot may delete the widget
    return true;
}

bool TerminalWidget::takeLinkRelease(const QMouseEvent *event)
{
    if (!linkReleasePending || event->button() != Qt::LeftButton)
        return false;
    linkReleasePending = false;
    return true;
}

void TerminalWidget::keyReleaseEvent(QKeyEvent *event)
{
    trackLinkModifier(event, false);
    QAbstractScrollArea::keyReleaseEvent(event);
}

bool TerminalWidget::viewportEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::ToolTip: {
        const auto *help = static_cast<QHelpEvent *>(event);
        const std::optional<TerminalLink> link = linkUnder(screen, linkCellAt(help->pos()));
        if (link) {
            QToolTip::showText(help->globalPos(), link->url, viewport());
        } else {
            QToolTip::hideText();
            event->ignore();
        }
        return true;
    }
    case QEvent::Leave:
        linkPointerInside = false;
        updateLinkHover();
        break;
    default:
        break;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

// Underlines the hovered link where it is now: output since the pointer
// last moved may have changed what lies under it.
void TerminalWidget::paintLinkHover(QPainter &painter)
{
    resolveHoveredLink();
    if (!hoveredLink)
        return;
    const QFontMetricsF metrics(font);
    const int thickness = std::max(1, qRound(metrics.lineWidth()));
    const int top = screen.viewTopLine();
    for (int line = std::max(hoveredLink->start.line, top); line <= hoveredLink->end.line && line - top < rows; ++line) {
        const int row = line - top;
        const int from = line == hoveredLink->start.line ? hoveredLink->start.column : 0;
        const int to = line == hoveredLink->end.line ? hoveredLink->end.column : m_columns;
        const int y = std::min(row * m_cellHeight + fontAscent + qRound(metrics.underlinePos()),
                               (row + 1) * m_cellHeight - thickness);
        painter.fillRect(from * m_cellWidth, y, (to - from) * m_cellWidth, thickness, palette.foreground());
    }
}

} // namespace vesper

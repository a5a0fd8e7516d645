// TerminalWidget cursor: its style (the host's, or the program's DECSCUSR
// until that asks for 0), blinking at the platform's flash rate only while
// the widget is shown and focused, restarting solid on each key press and
// each output, and painting as a block, underline or bar, or as a hollow
// block outline while the widget is unfocused.
#include "widget/terminal_widget.h"

#include <QGuiApplication>
#include <QPainter>
#include <QStyleHints>
#include <QTimer>

#include <algorithm>

namespace vesper {

namespace {

bool isCursorStyle(int style)
{
    return style >= TerminalWidget::BlinkingBlock && style <= TerminalWidget::SteadyBar;
}

// DECSCUSR's odd styles blink.
bool blinks(TerminalWidget::CursorStyle style) { return style % 2 == 1; }

} // namespace

TerminalWidget::CursorStyle TerminalWidget::cursorStyle() const
{
    return isCursorStyle(programCursorStyle) ? CursorStyle(programCursorStyle) : hostCursorStyle;
}

void TerminalWidget::setCursorStyle(CursorStyle style)
{
    if (!isCursorStyle(style))
        return;
    const CursorStyle before = cursorStyle();
    hostCursorStyle = style;
    programCursorStyle = 0;
    cursorStyleUpdated(before);
}

void TerminalWidget::setProgramCursorStyle(int style)
{
    const CursorStyle before = cursorStyle();
    programCursorStyle = isCursorStyle(style) ? style : 0;
    cursorStyleUpdated(before);
}

void TerminalWidget::cursorStyleUpdated(CursorStyle before)
{
    restartCursorBlink();
    viewport()->update();
    const CursorStyle style = cursorStyle();
    if (style == before)
        return;
    // Last, and after the parse when a program changed it: a slot may delete
    // the widget.
    if (feeding)
        parserSignals.post([this, style] { emit cursorStyleChanged(style); });
    else
        emit cursorStyleChanged(style);
}

// Starts or stops the blink timer to match the style, focus, visibility and
// DECTCEM; a stopped blink leaves the cursor shown.
void TerminalWidget::updateCursorBlink()
{
    const int flashTime = QGuiApplication::styleHints()->cursorFlashTime();
    const bool run = blinks(cursorStyle()) && flashTime > 0 && cursorVisible && hasFocus() && isVisible();
    if (!run) {
        if (blinkTimer)
            blinkTimer->stop();
        if (!blinkShown) {
            blinkShown = true;
            viewport()->update();
        }
        return;
    }
    if (!blinkTimer) {
        blinkTimer = new QTimer(this);
        blinkTimer->setObjectName(QStringLiteral("cursorBlinkTimer"));
        connect(blinkTimer, &QTimer::timeout, this, &TerminalWidget::toggleCursorBlink);
    }
    blinkTimer->setInterval(flashTime / 2);
    if (!blinkTimer->isActive())
        blinkTimer->start();
}

void TerminalWidget::restartCursorBlink()
{
    if (!blinkShown) {
        blinkShown = true;
        viewport()->update();
    }
    if (blinkTimer && blinkTimer->isActive())
        blinkTimer->start(); // a full shown phase from now
    updateCursorBlink();
}

void TerminalWidget::toggleCursorBlink()
{
    blinkShown = !blinkShown;
    viewport()->update();
}

void TerminalWidget::showEvent(QShowEvent *event)
{
    QAbstractScrollArea::showEvent(event);
    updateCursorBlink();
}

void TerminalWidget::hideEvent(QHideEvent *event)
{
    QAbstractScrollArea::hideEvent(event);
    if (blinkTimer)
        blinkTimer->stop();
    blinkShown = true;
}

// The cell rectangle the cursor covers (two cells on a wide character), or
// an empty rectangle when it is outside the grid.
QRect TerminalWidget::cursorCellRect() const
{
    const int c = std::min(screen.cursorColumn(), m_columns - 1);
    const int r = screen.cursorRow();
    if (c < 0 || r < 0 || r >= rows)
        return {};
    const bool wide = c + 1 < m_columns && screen.viewCellAt(c + 1, r).wideContinuation;
    return cellRect(c, r, wide ? 2 : 1);
}

void TerminalWidget::paintCursor(QPainter &painter)
{
    if (!cursorVisible || screen.viewScrolled())
        return;
    const QRect rect = cursorCellRect();
    if (rect.isEmpty())
        return;

    if (!hasFocus()) {
        painter.setPen(palette.cursor());
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
        return;
    }
    if (!blinkShown)
        return;
    switch (cursorStyle()) {
    case BlinkingUnderline:
    case SteadyUnderline: {
        const int thickness = std::max(1, m_cellHeight / 8);
        painter.fillRect(rect.left(), rect.bottom() + 1 - thickness, rect.width(), thickness, palette.cursor());
        return;
    }
    case BlinkingBar:
    case SteadyBar:
        painter.fillRect(rect.left(), rect.top(), std::max(1, m_cellWidth / 4), rect.height(), palette.cursor());
        return;
    case BlinkingBlock:
    case SteadyBlock: break;
    }
    painter.fillRect(rect, palette.cursor());
    const Cell &cell = screen.viewCellAt(rect.left() / m_cellWidth, screen.cursorRow());
    const char32_t cp = cell.codePoint;
    if (cp == 0 || cp == kSpace || cell.attributes.hidden)
        return;
    painter.setPen(palette.background());
    painter.setFont(font);
    painter.drawText(rect.left(), rect.top() + fontAscent, QString::fromUcs4(&cp, 1));
}

} // namespace vesper

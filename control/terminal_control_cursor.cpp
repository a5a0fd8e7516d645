// TerminalControl cursor: its style (the host's, or the program's DECSCUSR
// until that asks for 0), blinking at the platform's flash rate only while
// the terminal is shown and focused, restarting solid on each key press and
// each output, and painting as a block, underline or bar, or as a hollow
// block outline while the terminal is unfocused.
#include "control/terminal_control.h"

#include <QGuiApplication>
#include <QPainter>
#include <QStyleHints>
#include <QTimer>

#include <algorithm>

namespace vesper {

namespace {

bool isCursorStyle(int style)
{
    return style >= TerminalControl::BlinkingBlock && style <= TerminalControl::SteadyBar;
}

// DECSCUSR's odd styles blink.
bool blinks(TerminalControl::CursorStyle style) { return style % 2 == 1; }

} // namespace

TerminalControl::CursorStyle TerminalControl::cursorStyle() const
{
    return isCursorStyle(m_programCursorStyle) ? CursorStyle(m_programCursorStyle) : m_hostCursorStyle;
}

void TerminalControl::setCursorStyle(CursorStyle style)
{
    if (!isCursorStyle(style))
        return;
    const CursorStyle before = cursorStyle();
    m_hostCursorStyle = style;
    m_programCursorStyle = 0;
    cursorStyleUpdated(before);
}

void TerminalControl::setProgramCursorStyle(int style)
{
    const CursorStyle before = cursorStyle();
    m_programCursorStyle = isCursorStyle(style) ? style : 0;
    cursorStyleUpdated(before);
}

void TerminalControl::cursorStyleUpdated(CursorStyle before)
{
    restartCursorBlink();
    update();
    const CursorStyle style = cursorStyle();
    if (style == before)
        return;
    // Last, and after the parse when a program changed it: a slot may delete
    // the control.
    if (m_feeding)
        m_parserSignals.post([this, style] { emit cursorStyleChanged(style); });
    else
        emit cursorStyleChanged(style);
}

// Starts or stops the blink timer to match the style, ?12, focus, visibility
// and DECTCEM; a stopped blink leaves the cursor shown.
void TerminalControl::updateCursorBlink()
{
    const int flashTime = QGuiApplication::styleHints()->cursorFlashTime();
    // ?12 turns the style's blinking over, as xterm's cursorBlinkXOR does.
    const bool blinking = blinks(cursorStyle()) != m_screen.modes().cursorBlink;
    const bool run = blinking && flashTime > 0 && m_screen.modes().cursorVisible && m_focused && m_visible;
    if (!run) {
        if (m_blinkTimer)
            m_blinkTimer->stop();
        if (!m_blinkShown) {
            m_blinkShown = true;
            update();
        }
        return;
    }
    if (!m_blinkTimer) {
        m_blinkTimer = new QTimer(this);
        m_blinkTimer->setObjectName(QStringLiteral("cursorBlinkTimer"));
        connect(m_blinkTimer, &QTimer::timeout, this, &TerminalControl::toggleCursorBlink);
    }
    m_blinkTimer->setInterval(flashTime / 2);
    if (!m_blinkTimer->isActive())
        m_blinkTimer->start();
}

void TerminalControl::restartCursorBlink()
{
    if (!m_blinkShown) {
        m_blinkShown = true;
        repaintChanges();
    }
    if (m_blinkTimer && m_blinkTimer->isActive())
        m_blinkTimer->start(); // a full shown phase from now
    updateCursorBlink();
}

void TerminalControl::toggleCursorBlink()
{
    m_blinkShown = !m_blinkShown;
    repaintChanges();
}

void TerminalControl::visibilityChanged(bool visible)
{
    m_visible = visible;
    if (visible) {
        updateCursorBlink();
        return;
    }
    if (m_blinkTimer)
        m_blinkTimer->stop();
    m_blinkShown = true;
}

// The cell rectangle the cursor covers (two cells on a wide character), or
// an empty rectangle when it is outside the grid.
QRect TerminalControl::cursorCellRect() const
{
    const int c = std::min(m_screen.cursorColumn(), m_columns - 1);
    const int r = m_screen.cursorRow();
    if (c < 0 || r < 0 || r >= m_rows)
        return {};
    const bool wide = c + 1 < m_columns && m_screen.viewCellAt(c + 1, r).wideContinuation();
    return cellRect(c, r, wide ? 2 : 1);
}

// Whether a paint now draws the cursor (an outline without focus, nothing
// in the hidden phase of a blink).
bool TerminalControl::cursorDrawn() const
{
    return m_screen.modes().cursorVisible && !m_screen.viewScrolled() && !cursorCellRect().isEmpty() && (!m_focused || m_blinkShown);
}

void TerminalControl::paintCursor(QPainter &painter)
{
    if (!cursorDrawn())
        return;
    const QRect rect = cursorCellRect();

    if (!m_focused) {
        painter.setPen(m_colours.cursor());
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
        return;
    }
    switch (cursorStyle()) {
    case BlinkingUnderline:
    case SteadyUnderline: {
        const int thickness = std::max(1, m_cellHeight / 8);
        painter.fillRect(rect.left(), rect.bottom() + 1 - thickness, rect.width(), thickness, m_colours.cursor());
        return;
    }
    case BlinkingBar:
    case SteadyBar:
        painter.fillRect(rect.left(), rect.top(), std::max(1, m_cellWidth / 4), rect.height(), m_colours.cursor());
        return;
    case BlinkingBlock:
    case SteadyBlock: break;
    }
    painter.fillRect(rect, m_colours.cursor());
    const Cell &cell = m_screen.viewCellAt(rect.left() / m_cellWidth, m_screen.cursorRow());
    const char32_t cp = cell.codePoint();
    if (cp == 0 || cp == kSpace || cell.attributes().hidden())
        return;
    painter.setPen(m_colours.background());
    painter.setFont(m_font);
    painter.drawText(rect.left(), rect.top() + m_fontAscent, QString::fromUcs4(&cp, 1));
}

} // namespace vesper

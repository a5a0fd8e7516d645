// TerminalControl repaints after output and view scrolling: the rows that
// differ from what the viewport shows are repainted, and when the view moved
// by whole rows the pixels of the others move with it first (a copy inside
// the window's backing store where the platform allows it, a repaint where
// it does not). Whenever the record of painted rows cannot vouch for a row,
// the row is repainted; whenever it cannot vouch for the frame, everything.
#include "control/terminal_control.h"

#include <QTimer>

#include <algorithm>

#include "control/paint/painted_rows.h"
#include "control/paint/run_fonts.h"

namespace vesper {

FrameLook TerminalControl::frameLook() const
{
    FrameLook look;
    look.viewport = m_viewportSize;
    look.cellWidth = m_cellWidth;
    look.cellHeight = m_cellHeight;
    look.columns = m_columns;
    look.rows = m_rows;
    look.font = m_font;
    look.colours = m_colours;
    look.selectionColor = m_selectionColor;
    look.focused = m_focused;
    look.cursorStyle = cursorStyle();
    look.crossRowOverlay = !m_preeditText.isEmpty() || m_hoveredLink || (m_linkModifierHeld && m_linkPointerInside);
    return look;
}

// The selected columns [from, to) of view row `row`; false when none.
bool TerminalControl::selectedColumns(int row, int &from, int &to) const
{
    return m_selection.columnsOn(m_screen.viewTopLine() + row, m_columns, from, to);
}

RowOverlay TerminalControl::rowOverlay(int row) const
{
    RowOverlay overlay;
    selectedColumns(row, overlay.selectionFrom, overlay.selectionTo);
    if (cursorDrawn()) {
        const QRect cell = cursorCellRect();
        if (cell.top() == row * m_cellHeight) {
            overlay.cursorFrom = cell.left() / m_cellWidth;
            overlay.cursorTo = overlay.cursorFrom + cell.width() / m_cellWidth;
        }
    }
    return overlay;
}

void TerminalControl::recordPaintedRows(const QRegion &region, int firstRow, int lastPainted, int lastRow)
{
    PaintedRows &painted = m_paintCache->painted;
    painted.beginPaint(frameLook(), m_screen.viewTopLine());
    for (int row = firstRow; row <= lastRow; ++row) {
        const QRect band(0, row * m_cellHeight, m_viewportSize.width(), m_cellHeight);
        if (row <= lastPainted && region.intersected(band) == QRegion(band))
            painted.recordRow(m_screen, row, rowOverlay(row));
        else
            painted.forgetRow(row);
    }
}

// Output's changes go out at the frame pacer's pace: a repaint that must
// wait is sent by a timer, which the passes meanwhile leave running.
void TerminalControl::repaintOutputChanges()
{
    if (m_frameRepaintTimer && m_frameRepaintTimer->isActive())
        return;
    const qint64 wait = m_framePacer.wait(m_frameClock.nsecsElapsed());
    if (wait == 0) {
        repaintChanges();
        return;
    }
    if (!m_frameRepaintTimer) {
        m_frameRepaintTimer = new QTimer(this);
        m_frameRepaintTimer->setSingleShot(true);
        m_frameRepaintTimer->setTimerType(Qt::PreciseTimer);
        connect(m_frameRepaintTimer, &QTimer::timeout, this, &TerminalControl::repaintChanges);
    }
    m_frameRepaintTimer->start(int((wait + 999'999) / 1'000'000));
}

void TerminalControl::repaintChanges()
{
    PaintedRows &painted = m_paintCache->painted;
    if (!m_visible) {
        painted.forget();
        update();
        return;
    }
    const FrameDamage damage = painted.compare(m_screen, frameLook(), [this](int row) { return rowOverlay(row); });
    if (damage.everything) {
        update();
        return;
    }
    const int width = m_viewportSize.width();
    if (damage.scroll != 0) {
        // The strip below the last row stays: it is never painted on.
        emit scrollRequest(-damage.scroll * m_cellHeight, QRect(0, 0, width, m_rows * m_cellHeight));
        painted.scroll(damage.scroll);
    }
    for (std::size_t i = 0; i < damage.rows.size();) {
        std::size_t end = i + 1;
        while (end < damage.rows.size() && damage.rows[end] == damage.rows[end - 1] + 1)
            ++end;
        emit updateRequest(QRect(0, damage.rows[i] * m_cellHeight, width, int(end - i) * m_cellHeight));
        i = end;
    }
}

} // namespace vesper

// TerminalWidget painting of runs that are not plain printable ASCII: each
// cell's character is placed on its cell from the glyph cache (wide ones
// spanning two cells), box-drawing and block characters are drawn as
// geometry, and the run's decorations are drawn as lines across its cells.
#include "widget/terminal_widget.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

#include "widget/box_drawing.h"
#include "widget/run_fonts.h"

namespace vesper {

void TerminalWidget::paintCellGlyphs(QPainter &painter, int row, const AttributeRun &run, const QColor &fg)
{
    RunFonts &fonts = m_paintCache->fonts;
    CellGlyphs &glyphs = fonts.cellGlyphs(run.attributes);
    const int baseline = row * m_cellHeight + m_fontAscent;
    const int end = run.startColumn + run.width;
    for (int column = run.startColumn; column < end; ++column) {
        const Cell &cell = m_screen.viewCellAt(column, row);
        const char32_t cp = cell.codePoint;
        if (cell.wideContinuation || cp == 0)
            continue;
        const std::u32string_view marks = m_screen.viewMarksAt(column, row);
        const QPointF origin(column * m_cellWidth, baseline);
        if (!marks.empty()) {
            // The character with its marks, shaped together so that the font
            // places the marks on it.
            QString cluster = QString::fromUcs4(&cp, 1);
            cluster += QString::fromUcs4(marks.data(), qsizetype(marks.size()));
            glyphs.add(cluster, origin);
        } else if (cp == kSpace) {
            continue;
        } else if (isBoxDrawing(cp)) {
            drawBoxCharacter(painter, cp, cellRect(column, row, 1), fg);
        } else {
            glyphs.add(cp, origin);
        }
    }
    glyphs.draw(painter);
    paintDecorations(painter, row, run, fg);
}

// Underline (single or double), strike-out and overline as lines across the
// run's cells, where the font puts them, kept inside the row.
void TerminalWidget::paintDecorations(QPainter &painter, int row, const AttributeRun &run, const QColor &fg)
{
    const CellAttributes &a = run.attributes;
    if (!a.underline && !a.doubleUnderline && !a.strikethrough && !a.overline)
        return;
    const QFontMetricsF metrics(m_font);
    const int thickness = std::max(1, qRound(metrics.lineWidth()));
    const int top = row * m_cellHeight;
    const int baseline = top + m_fontAscent;
    const int left = run.startColumn * m_cellWidth;
    const int width = run.width * m_cellWidth;
    if (a.doubleUnderline) {
        // Two lines with a gap of one line width, the lower one at the cell's
        // bottom at the latest.
        const int y = std::min(baseline + qRound(metrics.underlinePos()), top + m_cellHeight - 3 * thickness);
        painter.fillRect(left, y, width, thickness, fg);
        painter.fillRect(left, y + 2 * thickness, width, thickness, fg);
    } else if (a.underline) {
        const int y = std::min(baseline + qRound(metrics.underlinePos()), top + m_cellHeight - thickness);
        painter.fillRect(left, y, width, thickness, fg);
    }
    if (a.overline)
        painter.fillRect(left, top, width, thickness, fg);
    if (a.strikethrough)
        painter.fillRect(left, baseline - qRound(metrics.strikeOutPos()), width, thickness, fg);
}

} // namespace vesper

// TerminalWidget painting: the background of the event rectangle, each row
// as runs of equal attributes (optional fill, then text), the selection
// overlay, and the cursor last, so each layer covers the one before.
#include "widget/terminal_widget.h"

#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

#include "widget/run_fonts.h"

namespace vesper {

namespace {

QString runText(const RowRuns &row, const AttributeRun &run)
{
    // A view on the row buffer: no copy for the text call.
    return QString::fromRawData(reinterpret_cast<const QChar *>(row.text.data() + run.textStart), run.textLength);
}

// Dim text is drawn half-way between its colour and its background.
QColor dimmed(const QColor &fg, const QColor &bg)
{
    return QColor::fromRgbF((fg.redF() + bg.redF()) / 2, (fg.greenF() + bg.greenF()) / 2,
                            (fg.blueF() + bg.blueF()) / 2);
}

bool hasLines(const CellAttributes &a) { return a.underline || a.doubleUnderline || a.strikethrough || a.overline; }

} // namespace

QRect TerminalWidget::cellRect(int column, int row, int n) const
{
    return QRect(column * m_cellWidth, row * m_cellHeight, n * m_cellWidth, m_cellHeight);
}

void TerminalWidget::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    const QRect area = event->rect();
    painter.fillRect(area, m_palette.background());
    painter.setFont(m_font);
    m_paintCache->fonts.useBase(m_font);
    const int firstRow = std::max(area.top() / m_cellHeight, 0);
    const int lastRow = std::min(area.bottom() / m_cellHeight, m_rows - 1);
    for (int row = firstRow; row <= lastRow; ++row)
        paintRow(painter, row);
    paintSelection(painter, firstRow, lastRow);
    paintLinkHover(painter);
    paintCursor(painter);
    paintPreedit(painter);
    m_screen.clearDirtyRows();
}

void TerminalWidget::paintRow(QPainter &painter, int row)
{
    RowRuns &runs = m_paintCache->row;
    splitRowIntoRuns(m_screen, row, runs);
    RunFonts &fonts = m_paintCache->fonts;
    const QColor background = m_palette.background();
    const QColor foreground = m_palette.foreground();
    const int baseline = row * m_cellHeight + m_fontAscent;

    for (const AttributeRun &run : runs.runs) {
        const CellAttributes &a = run.attributes;
        QColor fg = m_palette.color(a.fg, foreground, a.bold);
        QColor bg = m_palette.color(a.bg, background, false);
        if (a.reverse)
            std::swap(fg, bg);
        if (bg != background)
            painter.fillRect(cellRect(run.startColumn, row, run.width), bg);
        // Hidden text is its background: no glyphs, no lines.
        if (a.hidden || (run.blank && !hasLines(a)))
            continue;
        if (a.dim)
            fg = dimmed(fg, bg);

        painter.setPen(fg);
        // Fast path: one call for printable ASCII in a font whose advances
        // all equal the cell width, so glyphs land on their cells. Placing
        // cached glyphs on the cells draws what the string would, without
        // shaping it again every frame. Decorations are lines across the run.
        if (m_uniformAdvance && run.printableAscii && run.textLength == run.width) {
            if (AsciiGlyphs *glyphs = fonts.asciiGlyphs(a)) {
                glyphs->draw(painter, run.startColumn * m_cellWidth, baseline, runs.text.data() + run.textStart,
                             run.textLength, m_cellWidth);
            } else {
                CellAttributes plain = a;
                plain.underline = plain.strikethrough = false;
                painter.setFont(fonts.forAttributes(plain));
                painter.drawText(run.startColumn * m_cellWidth, baseline, runText(runs, run));
            }
            if (hasLines(a))
                paintDecorations(painter, row, run, fg);
            continue;
        }
        // Everything else goes cell by cell through the glyph cache.
        paintCellGlyphs(painter, row, run, fg);
    }
}

void TerminalWidget::paintSelection(QPainter &painter, int firstRow, int lastRow)
{
    if (!m_selectionActive || !selectionEndsDiffer())
        return;
    const bool startIsLower = m_selectionStartLine < m_selectionEndLine
                              || (m_selectionStartLine == m_selectionEndLine && m_selectionStartColumn <= m_selectionEndColumn);
    const int loLine = startIsLower ? m_selectionStartLine : m_selectionEndLine;
    const int loColumn = startIsLower ? m_selectionStartColumn : m_selectionEndColumn;
    const int hiLine = startIsLower ? m_selectionEndLine : m_selectionStartLine;
    const int hiColumn = startIsLower ? m_selectionEndColumn : m_selectionStartColumn;

    const int top = m_screen.viewTopLine();
    for (int row = firstRow; row <= lastRow; ++row) {
        const int line = top + row;
        if (line < loLine || line > hiLine)
            continue;
        int from = line == loLine ? loColumn : 0;
        int to = line == hiLine ? hiColumn : m_columns;
        if (to <= from)
            continue;
        from = std::clamp(from, 0, m_columns);
        to = std::clamp(to, 0, m_columns);
        if (to <= from)
            continue;
        painter.fillRect(cellRect(from, row, to - from), m_selectionColor);
    }
}

} // namespace vesper

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
    painter.fillRect(area, palette.background());
    painter.setFont(font);
    paintCache->fonts.useBase(font);
    const int firstRow = std::max(area.top() / m_cellHeight, 0);
    const int lastRow = std::min(area.bottom() / m_cellHeight, rows - 1);
    for (int row = firstRow; row <= lastRow; ++row)
        paintRow(painter, row);
    paintSelection(painter, firstRow, lastRow);
    paintLinkHover(painter);
    paintCursor(painter);
    paintPreedit(painter);
    screen.clearDirtyRows();
}

void TerminalWidget::paintRow(QPainter &painter, int row)
{
    RowRuns &runs = paintCache->row;
    splitRowIntoRuns(screen, row, runs);
    RunFonts &fonts = paintCache->fonts;
    const QColor background = palette.background();
    const QColor foreground = palette.foreground();
    const int baseline = row * m_cellHeight + fontAscent;

    for (const AttributeRun &run : runs.runs) {
        const CellAttributes &a = run.attributes;
        QColor fg = palette.color(a.fg, foreground, a.bold);
        QColor bg = palette.color(a.bg, background, false);
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
        if (uniformAdvance && run.printableAscii && run.textLength == run.width) {
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
    if (!selectionActive || !selectionEndsDiffer())
        return;
    const bool startIsLower = selectionStartLine < selectionEndLine
                              || (selectionStartLine == selectionEndLine && selectionStartColumn <= selectionEndColumn);
    const int loLine = startIsLower ? selectionStartLine : selectionEndLine;
    const int loColumn = startIsLower ? selectionStartColumn : selectionEndColumn;
    const int hiLine = startIsLower ? selectionEndLine : selectionStartLine;
    const int hiColumn = startIsLower ? selectionEndColumn : selectionStartColumn;

    const int top = screen.viewTopLine();
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

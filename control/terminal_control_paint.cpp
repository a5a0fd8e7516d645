// TerminalControl painting: the background of the event region, each row in
// it as runs of equal attributes (optional fill, then text), the selection
// overlay, and the cursor last, so each layer covers the one before.
#include "control/terminal_control.h"

#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QMetaObject>
#include <QPainter>
#include <QRegion>

#include <algorithm>

#include "control/paint/paint_budget.h"
#include "control/paint/run_fonts.h"

namespace vesper {

qint64 paintBudgetMs = 6;

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

bool hasLines(const CellAttributes &a) { return a.underline() || a.doubleUnderline() || a.strikethrough() || a.overline(); }

} // namespace

QRect TerminalControl::cellRect(int column, int row, int n) const
{
    return QRect(column * m_cellWidth, row * m_cellHeight, n * m_cellWidth, m_cellHeight);
}

void TerminalControl::paint(QPainter &painter, const QRegion &region, PaintOptions options)
{
    // A change repaints only the rows it left stale: the region may be a few
    // bands, and rows outside it are not painted at all.
    const int width = m_viewportSize.width();
    const QRect rowsArea(0, 0, width, m_rows * m_cellHeight);
    for (const QRect &r : region.subtracted(rowsArea))
        painter.fillRect(r, m_colours.background());
    painter.setFont(m_font);
    m_paintCache->fonts.useBase(m_font);
    m_paintCache->asciiCells.beginPaint(m_font, m_cellWidth, m_cellHeight, m_fontAscent);
    m_paintCache->characterCells.beginPaint(m_font, m_cellWidth, m_cellHeight, m_fontAscent);
    m_paintCache->cellsUsable = painter.deviceTransform().type() <= QTransform::TxTranslate;
    // A frame can be too much to draw at once: a screen of ideographs whose
    // glyphs the font engine has not rendered yet takes tens of
    // milliseconds. On a surface whose pixels persist (the shell says so), a
    // paint stops before a row that would overrun its budget (one costs
    // about what the row before did, once the glyphs it shows for the first
    // time are drawn ahead, as many as fit) and the rows it did not reach
    // follow in the next event-loop pass, so that input and timers are
    // served in between. A grab or a render onto another device is painted
    // in full.
    const bool mayStop = options.mayStop;
    // What the event-loop pass has left, and at least enough for a few rows.
    const qint64 budget = std::min(paintBudgetMs * 1'000'000, std::max<qint64>(m_loopPass.left(), 1'500'000));
    QElapsedTimer clock;
    clock.start();
    const QRect area = region.boundingRect();
    const int firstRow = std::max(area.top() / m_cellHeight, 0);
    const int lastRow = std::min(area.bottom() / m_cellHeight, m_rows - 1);
    int lastPainted = lastRow;
    for (int row = firstRow; row <= lastRow; ++row) {
        const QRegion band = region.intersected(QRect(0, row * m_cellHeight, width, m_cellHeight));
        if (band.isEmpty())
            continue;
        const qint64 rowStart = clock.nsecsElapsed();
        splitRowIntoRuns(m_screen, row, m_paintCache->row);
        if (mayStop && !glyphsReady(row, budget, clock)) {
            lastPainted = row - 1;
            break;
        }
        for (const QRect &r : band)
            painter.fillRect(r, m_colours.background());
        paintRuns(painter, row);
        // Stops before a row like this one would overrun the budget.
        const qint64 spent = clock.nsecsElapsed();
        if (mayStop && row < lastRow && spent + (spent - rowStart) >= budget) {
            lastPainted = row;
            break;
        }
    }
    paintSelection(painter, firstRow, lastPainted);
    paintLinkHover(painter);
    paintCursor(painter);
    paintPreedit(painter);
    m_paintCache->asciiCells.endPaint();
    m_paintCache->characterCells.endPaint();
    recordPaintedRows(region, firstRow, lastPainted, lastRow);
    if (lastPainted < lastRow)
        QMetaObject::invokeMethod(this, &TerminalControl::repaintChanges, Qt::QueuedConnection);
    m_framePacer.painted(m_frameClock.nsecsElapsed() - clock.nsecsElapsed(), clock.nsecsElapsed(), lastPainted == lastRow);
    m_loopPass.spend(clock.nsecsElapsed());
}

void TerminalControl::paintRow(QPainter &painter, int row)
{
    splitRowIntoRuns(m_screen, row, m_paintCache->row);
    paintRuns(painter, row);
}

// Paints the runs of `row` as split into the paint cache's row buffer.
void TerminalControl::paintRuns(QPainter &painter, int row)
{
    const RowRuns &runs = m_paintCache->row;
    RunFonts &fonts = m_paintCache->fonts;
    const QColor background = m_colours.background();
    const QColor foreground = m_colours.foreground();
    const int baseline = row * m_cellHeight + m_fontAscent;

    for (const AttributeRun &run : runs.runs) {
        const CellAttributes &a = run.attributes;
        QColor fg = m_colours.color(a.fg, foreground, a.bold());
        QColor bg = m_colours.color(a.bg, background, false);
        if (a.reverse())
            std::swap(fg, bg);
        if (m_paintingSelection) {
            bg = m_palette.selection_background();
            fg = m_palette.selection_foreground().isValid() ? m_palette.selection_foreground() : fg;
        }
        if (bg != background)
            painter.fillRect(cellRect(run.startColumn, row, run.width), bg);
        // Hidden text is its background: no glyphs, no lines.
        if (a.hidden() || (run.blank && !hasLines(a)))
            continue;
        if (a.dim())
            fg = dimmed(fg, bg);

        painter.setPen(fg);
        // Fast path: one call for printable ASCII in a font whose advances
        // all equal the cell width, so glyphs land on their cells. Placing
        // cached glyphs on the cells draws what the string would, without
        // shaping it again every frame. Decorations are lines across the run.
        if (m_uniformAdvance && run.printableAscii && run.textLength == run.width) {
            if (AsciiGlyphs *glyphs = fonts.asciiGlyphs(a)) {
                const char16_t *text = runs.text.data() + run.textStart;
                if (!(m_paintCache->cellsUsable && fg.alpha() == 255 && bg.alpha() == 255
                      && m_paintCache->asciiCells.draw(painter, run.startColumn * m_cellWidth, row * m_cellHeight,
                                                       text, run.textLength, *glyphs,
                                                       (a.bold() ? 1 : 0) | (a.italic() ? 2 : 0), fg.rgb(), bg.rgb())))
                    glyphs->draw(painter, run.startColumn * m_cellWidth, baseline, text, run.textLength, m_cellWidth);
            } else {
                CellAttributes plain = a;
                plain.set(CellAttributes::Underline, false);
                plain.set(CellAttributes::Strikethrough, false);
                painter.setFont(fonts.forAttributes(plain));
                painter.drawText(run.startColumn * m_cellWidth, baseline, runText(runs, run));
            }
            if (hasLines(a))
                paintDecorations(painter, row, run, fg);
            continue;
        }
        // Everything else goes cell by cell through the glyph cache.
        paintCellGlyphs(painter, row, run, fg, bg);
    }
}

void TerminalControl::paintSelection(QPainter &painter, int firstRow, int lastRow)
{
    for (int row = firstRow; row <= lastRow; ++row) {
        int from = 0;
        int to = 0;
        if (!selectedColumns(row, from, to))
            continue;
        const QRect cells = cellRect(from, row, to - from);
        // A palette's selection colours paint the selected cells again,
        // opaquely; otherwise the translucent selection colour covers them.
        if (!m_palette.selection_background().isValid()) {
            painter.fillRect(cells, m_selectionColor);
            continue;
        }
        painter.save();
        painter.setClipRect(cells, Qt::IntersectClip);
        painter.fillRect(cells, m_palette.selection_background());
        m_paintingSelection = true;
        paintRow(painter, row);
        m_paintingSelection = false;
        painter.restore();
    }
}

} // namespace vesper

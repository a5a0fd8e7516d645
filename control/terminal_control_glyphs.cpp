// TerminalControl painting of runs that are not plain printable ASCII: a
// character alone in its cell (or two, when wide) is copied from finished
// cells where it can be, otherwise placed on its cell from the glyph cache;
// box-drawing and block characters are drawn as geometry, and the run's
// decorations as lines across its cells.
#include "control/terminal_control.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

#include "control/paint/box_drawing.h"
#include "control/paint/character_cells.h"
#include "control/paint/run_fonts.h"

namespace vesper {

namespace {

// A cell that shows one character's glyph by itself (when it has no marks):
// not the right half of a wide one, a blank, or box drawing (geometry).
bool drawnAlone(const Cell &cell)
{
    const char32_t cp = cell.codePoint();
    return !cell.wideContinuation() && cp != 0 && cp != kSpace && !isBoxDrawing(cp);
}

} // namespace

// Whether `row` (split into the paint cache's row buffer) may be painted
// within `budget` as far as its glyphs go. A character whose glyph the font
// engine has not drawn yet costs tens of microseconds to look up and
// rasterise, a row of new ideographs milliseconds, more than the row before
// it foretells; and the first glyphs a fallback font gives cost far more than
// the ones after them. So the row's new glyphs are drawn ahead, one by one
// with an eye on the clock, as many as fit (at least one, so that paints
// progress); when they do not all fit the row waits for the next paint, which
// finds them ready.
bool TerminalControl::glyphsReady(int row, qint64 budget, const QElapsedTimer &clock)
{
    auto &fresh = m_paintCache->newGlyphs;
    fresh.clear();
    RunFonts &fonts = m_paintCache->fonts;
    for (const AttributeRun &run : m_paintCache->row.runs) {
        if (run.printableAscii || run.blank || run.attributes.hidden())
            continue;
        CellGlyphs &glyphs = fonts.cellGlyphs(run.attributes);
        for (int column = run.startColumn; column < run.startColumn + run.width; ++column) {
            const Cell &cell = m_screen.viewCellAt(column, row);
            const char32_t cp = cell.codePoint();
            if (drawnAlone(cell) && !glyphs.knows(cp) && m_screen.viewMarksAt(column, row).empty())
                fresh.emplace_back(&glyphs, cp);
        }
    }
    if (fresh.empty())
        return true;
    QImage &scratch = m_paintCache->glyphScratch;
    if (scratch.width() != 2 * m_cellWidth || scratch.height() != m_cellHeight)
        scratch = QImage(2 * m_cellWidth, m_cellHeight, QImage::Format_RGB32);
    QPainter painter(&scratch);
    painter.setPen(Qt::white);
    qint64 &cost = m_paintCache->newGlyphNanoseconds;
    for (const auto &[glyphs, cp] : fresh) {
        if (glyphs->knows(cp))
            continue; // the row holds it more than once
        const qint64 start = clock.nsecsElapsed();
        glyphs->prepare(cp, painter, QPointF(0, m_fontAscent));
        const qint64 end = clock.nsecsElapsed();
        // The next glyph is foretold by the ones before it.
        cost += (end - start - cost) / 8;
        if (end + cost > budget)
            return false;
    }
    return clock.nsecsElapsed() < budget;
}

void TerminalControl::paintCellGlyphs(QPainter &painter, int row, const AttributeRun &run, const QColor &fg,
                                     const QColor &bg)
{
    RunFonts &fonts = m_paintCache->fonts;
    const CellAttributes &a = run.attributes;
    CellGlyphs &glyphs = fonts.cellGlyphs(a);
    const int baseline = row * m_cellHeight + m_fontAscent;
    const int end = run.startColumn + run.width;
    // Characters alone in their cells come from finished cells where the
    // painter copies pixels and the colours are opaque; the others are
    // drawn over the composed run, as glyphs or geometry.
    CharacterCells &finished = m_paintCache->characterCells;
    const bool composed = m_paintCache->cellsUsable && fg.alpha() == 255 && bg.alpha() == 255
                          && finished.beginRun((a.bold() ? 1 : 0) | (a.italic() ? 2 : 0), fg.rgb(), bg.rgb(), run.width);
    if (composed) {
        for (int column = run.startColumn; column < end; ++column) {
            const Cell &cell = m_screen.viewCellAt(column, row);
            const char32_t cp = cell.codePoint();
            if (!drawnAlone(cell) || !m_screen.viewMarksAt(column, row).empty())
                continue;
            // A wide character whose right half was overwritten keeps its
            // whole glyph, drawn over the next cell as before.
            const int width = column + 1 < end && m_screen.viewCellAt(column + 1, row).wideContinuation() ? 2 : 1;
            if (vesper::cellWidth(cp) == width)
                finished.put(column - run.startColumn, width, cp, glyphs);
        }
        finished.drawRun(painter, run.startColumn * m_cellWidth, row * m_cellHeight);
    }
    for (int column = run.startColumn; column < end; ++column) {
        if (composed && finished.holds(column - run.startColumn))
            continue;
        const Cell &cell = m_screen.viewCellAt(column, row);
        const char32_t cp = cell.codePoint();
        if (cell.wideContinuation() || cp == 0)
            continue;
        const CellMarks marks = m_screen.viewMarksAt(column, row);
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

// The underline in its style (single, double, curly, dotted, dashed) and
// colour (SGR 58; else the text's), strike-out and overline as lines across
// the run's cells, where the font puts them, kept inside the row.
void TerminalControl::paintDecorations(QPainter &painter, int row, const AttributeRun &run, const QColor &fg)
{
    const CellAttributes &a = run.attributes;
    if (!a.underline() && !a.doubleUnderline() && !a.strikethrough() && !a.overline())
        return;
    const QFontMetricsF metrics(m_font);
    const int thickness = std::max(1, qRound(metrics.lineWidth()));
    const int top = row * m_cellHeight;
    const int baseline = top + m_fontAscent;
    const int left = run.startColumn * m_cellWidth;
    const int width = run.width * m_cellWidth;
    const UnderlineStyle style = underlineStyleOf(a, run.decoration.underline);
    if (style != UnderlineStyle::None) {
        const QColor colour = run.decoration.underlineColor == kDefaultColor
                                  ? fg
                                  : m_colours.color(run.decoration.underlineColor, fg);
        m_paintCache->underlines.paint(painter, style, left, width, top,
                                       m_fontAscent + qRound(metrics.underlinePos()), m_cellWidth, m_cellHeight,
                                       thickness, colour);
    }
    if (a.overline())
        painter.fillRect(left, top, width, thickness, fg);
    if (a.strikethrough())
        painter.fillRect(left, baseline - qRound(metrics.strikeOutPos()), width, thickness, fg);
}

} // namespace vesper

// Cells of printable ASCII cut from glyphs drawn one per slot; see
// ascii_cells.h.
#include "control/paint/ascii_cells.h"

#include <QPainter>

#include <algorithm>
#include <cstring>
#include <utility>

#include "control/paint/ascii_glyphs.h"

namespace vesper {

namespace {
constexpr char16_t kFirstPrintable = AsciiGlyphs::kFirstPrintable;
// The slots of all colour pairs together stay below this: a screen in a few
// colours is the common case, and slots of many colours would crowd the
// processor's cache out.
constexpr std::size_t kBudgetBytes = 4u << 20;

// One pixel line of `count` cells: cell i from slot slotOf(i) of `source`,
// `stride` pixels apart. A cell's line is a few pixels: with the width known
// at compile time the copy is a move or two instead of a call.
template <int Width, typename SlotOf>
void copyLines(quint32 *out, const quint32 *source, int stride, int count, SlotOf slotOf)
{
    for (int i = 0; i < count; ++i)
        std::memcpy(out + std::ptrdiff_t(i) * Width, source + std::ptrdiff_t(slotOf(i)) * stride,
                    Width * sizeof(quint32));
}

template <typename SlotOf>
void copyCellLines(quint32 *out, const quint32 *source, int stride, int count, int width, SlotOf slotOf)
{
    switch (width) {
    case 6: return copyLines<6>(out, source, stride, count, slotOf);
    case 7: return copyLines<7>(out, source, stride, count, slotOf);
    case 8: return copyLines<8>(out, source, stride, count, slotOf);
    case 9: return copyLines<9>(out, source, stride, count, slotOf);
    case 10: return copyLines<10>(out, source, stride, count, slotOf);
    case 11: return copyLines<11>(out, source, stride, count, slotOf);
    case 12: return copyLines<12>(out, source, stride, count, slotOf);
    default: break;
    }
    for (int i = 0; i < count; ++i)
        std::memcpy(out + std::ptrdiff_t(i) * width, source + std::ptrdiff_t(slotOf(i)) * stride,
                    std::size_t(width) * sizeof(quint32));
}
} // namespace

void AsciiCells::beginPaint(const QFont &font, int cellWidth, int cellHeight, int ascent)
{
    m_colours.beginPaint();
    m_scratchPainter.reset();
    if (cellWidth == m_cellWidth && cellHeight == m_cellHeight && ascent == m_ascent && font == m_font)
        return;
    m_font = font;
    m_cellWidth = cellWidth;
    m_cellHeight = cellHeight;
    m_ascent = ascent;
    m_pad = std::max(2, cellWidth / 2);
    m_colours.clear();
    for (bool &measured : m_measured)
        measured = false;
}

// The slots of a colour pair, made for a pair also seen in an earlier
// paint while the budget allows; null otherwise.
AsciiCells::Colours *AsciiCells::cachedColours(int variant, QRgb fg, QRgb bg)
{
    if (Colours *found = m_colours.find(variant, fg, bg))
        return found;
    if (!m_colours.earned(variant, fg, bg))
        return nullptr;
    const std::size_t bytes = std::size_t(kCharacters) * std::size_t(slotWidth()) * std::size_t(m_cellHeight) * 4;
    if (!m_colours.makeRoom(bytes, kBudgetBytes))
        return nullptr;
    Colours colours;
    colours.pixels = QImage(kCharacters * slotWidth(), m_cellHeight, QImage::Format_RGB32);
    if (colours.pixels.isNull())
        return nullptr;
    return &m_colours.add(variant, fg, bg, std::move(colours));
}

void AsciiCells::renderMissing(Colours &colours, const char16_t *text, int count, AsciiGlyphs &glyphs, QRgb fg,
                               QRgb bg)
{
    if (colours.rendered.all())
        return;
    QPainter painter;
    for (int i = 0; i < count; ++i) {
        const int index = text[i] - kFirstPrintable;
        if (colours.rendered.test(std::size_t(index)))
            continue;
        if (!painter.isActive()) {
            painter.begin(&colours.pixels);
            painter.setPen(QColor::fromRgb(fg));
        }
        colours.rendered.set(std::size_t(index));
        const int slot = index * slotWidth();
        painter.fillRect(slot, 0, slotWidth(), m_cellHeight, QColor::fromRgb(bg));
        glyphs.draw(painter, slot + m_pad, m_ascent, text + i, 1, m_cellWidth);
    }
}

void AsciiCells::endPaint() { m_scratchPainter.reset(); }

// The run's glyphs in slots of their own, all in one call, by a painter
// kept open for the paint (many short runs in colours of their own).
void AsciiCells::renderScratch(const char16_t *text, int count, AsciiGlyphs &glyphs, QRgb fg, QRgb bg)
{
    const int width = count * slotWidth();
    if (m_scratch.width() < width || m_scratch.height() != m_cellHeight) {
        m_scratchPainter.reset();
        m_scratch = QImage(std::max({width, m_scratch.width(), 64 * slotWidth()}), m_cellHeight, QImage::Format_RGB32);
    }
    if (!m_scratchPainter)
        m_scratchPainter = std::make_unique<QPainter>(&m_scratch);
    m_scratchPainter->fillRect(0, 0, width, m_cellHeight, QColor::fromRgb(bg));
    m_scratchPainter->setPen(QColor::fromRgb(fg));
    glyphs.draw(*m_scratchPainter, m_pad, m_ascent, text, count, slotWidth());
}

bool AsciiCells::inkInsideCells(int variant, AsciiGlyphs &glyphs, const char16_t *text, int count)
{
    if (!m_measured[variant]) {
        m_measured[variant] = true;
        const QRectF cell(0, -m_ascent, m_cellWidth, m_cellHeight);
        for (int i = 0; i < kCharacters; ++i) {
            const QRectF ink = glyphs.inkOf(char16_t(kFirstPrintable + i));
            m_inside[variant].set(std::size_t(i), ink.isEmpty() || cell.contains(ink));
        }
    }
    for (int i = 0; i < count; ++i)
        if (!m_inside[variant].test(std::size_t(text[i] - kFirstPrintable)))
            return false;
    return true;
}

bool AsciiCells::draw(QPainter &painter, int left, int top, const char16_t *text, int count, AsciiGlyphs &glyphs,
                      int variant, QRgb fg, QRgb bg)
{
    if (m_cellWidth <= 0 || count <= 0)
        return true;
    Colours *colours = cachedColours(variant, fg, bg);
    if (colours)
        renderMissing(*colours, text, count, glyphs, fg, bg);
    else if (inkInsideCells(variant, glyphs, text, count))
        return false;
    else
        renderScratch(text, count, glyphs, fg, bg);

    const int width = count * m_cellWidth;
    if (m_run.width() < width || m_run.height() != m_cellHeight)
        m_run = QImage(std::max(width, m_run.width()), m_cellHeight, QImage::Format_RGB32);
    const QImage &source = colours ? colours->pixels : m_scratch;
    for (int y = 0; y < m_cellHeight; ++y) {
        auto *out = reinterpret_cast<quint32 *>(m_run.scanLine(y));
        const auto *line = reinterpret_cast<const quint32 *>(source.constScanLine(y)) + m_pad;
        if (colours)
            copyCellLines(out, line, slotWidth(), count, m_cellWidth, [text](int i) { return text[i] - kFirstPrintable; });
        else
            copyCellLines(out, line, slotWidth(), count, m_cellWidth, [](int i) { return i; });
    }
    painter.drawImage(QPoint(left, top), m_run, QRect(0, 0, width, m_cellHeight));
    return true;
}

} // namespace vesper

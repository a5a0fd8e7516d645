// Cached opaque cells of printable ASCII; see ascii_cells.h.
#include "widget/ascii_cells.h"

#include <QPainter>

#include <algorithm>
#include <cstring>
#include <utility>

#include "widget/ascii_glyphs.h"

namespace vesper {

namespace {
constexpr char16_t kFirstPrintable = 0x20;
// The cells of all colour pairs together stay below this: a screen in a few
// colours is the common case, and cells of many colours would crowd the
// processor's cache out.
constexpr std::size_t kBudgetBytes = 4u << 20;
// Colour pairs remembered as asked for, per variant.
constexpr std::size_t kSeenLimit = 4096;

std::uint64_t pairKey(QRgb fg, QRgb bg) { return (std::uint64_t(fg) << 32) | bg; }

// One pixel line of each cell of `text` from the cells' line `source`.
// The line of a cell is a few pixels: with the width known at compile time
// the copy is a move or two instead of a call.
template <int Width>
void copyLines(quint32 *out, const quint32 *source, const char16_t *text, int count)
{
    for (int i = 0; i < count; ++i)
        std::memcpy(out + std::ptrdiff_t(i) * Width, source + std::ptrdiff_t(text[i] - kFirstPrintable) * Width,
                    Width * sizeof(quint32));
}

void copyCellLines(quint32 *out, const quint32 *source, const char16_t *text, int count, int width)
{
    switch (width) {
    case 6: return copyLines<6>(out, source, text, count);
    case 7: return copyLines<7>(out, source, text, count);
    case 8: return copyLines<8>(out, source, text, count);
    case 9: return copyLines<9>(out, source, text, count);
    case 10: return copyLines<10>(out, source, text, count);
    case 11: return copyLines<11>(out, source, text, count);
    case 12: return copyLines<12>(out, source, text, count);
    default: break;
    }
    for (int i = 0; i < count; ++i)
        std::memcpy(out + std::ptrdiff_t(i) * width, source + std::ptrdiff_t(text[i] - kFirstPrintable) * width,
                    std::size_t(width) * sizeof(quint32));
}
} // namespace

void AsciiCells::beginPaint(const QFont &font, int cellWidth, int cellHeight, int ascent)
{
    ++m_paint;
    if (cellWidth == m_cellWidth && cellHeight == m_cellHeight && ascent == m_ascent && font == m_font)
        return;
    m_font = font;
    m_cellWidth = cellWidth;
    m_cellHeight = cellHeight;
    m_ascent = ascent;
    for (int v = 0; v < 4; ++v) {
        m_colours[v].clear();
        m_seen[v].clear();
    }
    m_bytes = 0;
}

// Frees the cells of colours that neither this paint nor the one before
// used, once per paint; false when that frees nothing.
bool AsciiCells::makeRoom()
{
    if (std::exchange(m_roomMadeInPaint, m_paint) == m_paint)
        return false;
    const std::size_t before = m_bytes;
    for (auto &map : m_colours) {
        for (auto it = map.begin(); it != map.end();) {
            if (it->second.lastPaint + 1 < m_paint) {
                m_bytes -= std::size_t(it->second.cells.sizeInBytes());
                it = map.erase(it);
            } else {
                ++it;
            }
        }
    }
    return m_bytes < before;
}

AsciiCells::Colours *AsciiCells::coloursFor(int variant, QRgb fg, QRgb bg)
{
    const std::uint64_t key = pairKey(fg, bg);
    if (auto found = m_colours[variant].find(key); found != m_colours[variant].end()) {
        found->second.lastPaint = m_paint;
        return &found->second;
    }
    auto &seen = m_seen[variant];
    if (seen.size() > kSeenLimit)
        seen.clear();
    const auto [asked, fresh] = seen.emplace(key, m_paint);
    if (fresh || asked->second == m_paint)
        return nullptr;
    const std::size_t bytes = std::size_t(kCharacters) * std::size_t(m_cellWidth) * std::size_t(m_cellHeight) * 4;
    if (m_bytes + bytes > kBudgetBytes && !makeRoom())
        return nullptr;
    if (m_bytes + bytes > kBudgetBytes)
        return nullptr;
    Colours colours;
    colours.cells = QImage(kCharacters * m_cellWidth, m_cellHeight, QImage::Format_RGB32);
    if (colours.cells.isNull())
        return nullptr;
    colours.lastPaint = m_paint;
    m_bytes += std::size_t(colours.cells.sizeInBytes());
    seen.erase(asked);
    return &m_colours[variant].emplace(key, std::move(colours)).first->second;
}

// Renders the characters of `text` that these colours lack, each clipped
// to its own cell.
void AsciiCells::render(Colours &colours, const char16_t *text, int count, AsciiGlyphs &glyphs, QRgb fg, QRgb bg)
{
    if (colours.rendered.all())
        return;
    QPainter painter;
    for (int i = 0; i < count; ++i) {
        const int index = text[i] - kFirstPrintable;
        if (colours.rendered.test(std::size_t(index)))
            continue;
        if (!painter.isActive()) {
            painter.begin(&colours.cells);
            painter.setPen(QColor::fromRgb(fg));
        }
        colours.rendered.set(std::size_t(index));
        const QRect cell(index * m_cellWidth, 0, m_cellWidth, m_cellHeight);
        painter.setClipRect(cell);
        painter.fillRect(cell, QColor::fromRgb(bg));
        glyphs.draw(painter, cell.left(), m_ascent, text + i, 1, m_cellWidth);
    }
}

bool AsciiCells::draw(QPainter &painter, int left, int top, const char16_t *text, int count, AsciiGlyphs &glyphs,
                      int variant, QRgb fg, QRgb bg)
{
    if (m_cellWidth <= 0 || count <= 0)
        return false;
    Colours *colours = coloursFor(variant, fg, bg);
    if (!colours)
        return false;
    render(*colours, text, count, glyphs, fg, bg);

    const int width = count * m_cellWidth;
    if (m_run.width() < width || m_run.height() != m_cellHeight)
        m_run = QImage(std::max(width, m_run.width()), m_cellHeight, QImage::Format_RGB32);
    for (int y = 0; y < m_cellHeight; ++y)
        copyCellLines(reinterpret_cast<quint32 *>(m_run.scanLine(y)),
                      reinterpret_cast<const quint32 *>(colours->cells.constScanLine(y)), text, count, m_cellWidth);
    painter.drawImage(QPoint(left, top), m_run, QRect(0, 0, width, m_cellHeight));
    return true;
}

} // namespace vesper

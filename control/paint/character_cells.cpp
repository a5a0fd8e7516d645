// Cells of characters beyond printable ASCII cut from glyphs drawn one per
// slot; see character_cells.h.
#include "control/paint/character_cells.h"

#include <QPainter>

#include <algorithm>
#include <cstring>
#include <utility>

#include "control/paint/cell_glyphs.h"

namespace vesper {

namespace {
// All slots together stay below this: a screen of a few thousand distinct
// ideographs in two or three colour pairs fits.
constexpr std::size_t kBudgetBytes = 16u << 20;
constexpr int kSlotsPerPage = 64;
} // namespace

std::size_t CharacterCells::Pages::bytes() const
{
    std::size_t total = 0;
    for (const QImage &image : images)
        total += std::size_t(image.sizeInBytes());
    return total;
}

void CharacterCells::beginPaint(const QFont &font, int cellWidth, int cellHeight, int ascent)
{
    m_pairs.beginPaint();
    m_current = nullptr;
    if (cellWidth == m_cellWidth && cellHeight == m_cellHeight && ascent == m_ascent && font == m_font)
        return;
    m_font = font;
    m_cellWidth = cellWidth;
    m_cellHeight = cellHeight;
    m_ascent = ascent;
    m_pairs.clear();
}

void CharacterCells::endPaint()
{
    m_current = nullptr;
    m_pairs.forEach([](Pages &pages) { pages.painter.reset(); });
}

// The slots of a pair seen in an earlier paint; null for a pair seen for
// the first time.
CharacterCells::Pages *CharacterCells::pagesFor(int variant, QRgb fg, QRgb bg)
{
    if (Pages *found = m_pairs.find(variant, fg, bg))
        return found;
    if (!m_pairs.earned(variant, fg, bg))
        return nullptr;
    return &m_pairs.add(variant, fg, bg, Pages());
}

bool CharacterCells::beginRun(int variant, QRgb fg, QRgb bg, int cells)
{
    m_current = nullptr;
    m_runFilled.clear();
    if (m_cellWidth <= 0 || m_cellHeight <= 0 || cells <= 0)
        return false;
    Pages *pages = pagesFor(variant, fg, bg);
    if (!pages)
        return false;
    const int width = cells * m_cellWidth;
    if (m_run.width() < width || m_run.height() != m_cellHeight)
        m_run = QImage(std::max(width, m_run.width()), m_cellHeight, QImage::Format_RGB32);
    if (m_run.isNull())
        return false;
    m_runFilled.assign(std::size_t(cells), false);
    m_current = pages;
    m_currentFg = fg;
    m_currentBg = bg;
    m_runCells = cells;
    return true;
}

bool CharacterCells::put(int column, int width, char32_t codePoint, CellGlyphs &glyphs)
{
    Pages *pages = m_current;
    if (!pages || column < 0 || column >= m_runCells)
        return false;
    width = std::clamp(width, 1, std::min(2, m_runCells - column));
    auto slot = pages->slotIndex.find(codePoint);
    if (slot == pages->slotIndex.end()) {
        const int index = pages->used;
        const int page = index / kSlotsPerPage;
        if (page == int(pages->images.size())) {
            const std::size_t bytes = std::size_t(kSlotsPerPage) * std::size_t(slotWidth()) * std::size_t(m_cellHeight) * 4;
            if (!m_pairs.makeRoom(bytes, kBudgetBytes))
                return false;
            QImage image(kSlotsPerPage * slotWidth(), m_cellHeight, QImage::Format_RGB32);
            if (image.isNull())
                return false;
            pages->painter.reset();
            pages->images.push_back(std::move(image));
            m_pairs.grew(bytes);
        }
        if (!pages->painter) {
            pages->painter = std::make_unique<QPainter>(&pages->images.back());
            pages->painter->setPen(QColor::fromRgb(m_currentFg));
        }
        // The character drawn by itself on the background, clipped to its
        // slot: ink that leaves the two cells is cut, as at the frame's cells.
        QPainter &painter = *pages->painter;
        const QRect area((index % kSlotsPerPage) * slotWidth(), 0, slotWidth(), m_cellHeight);
        painter.setClipRect(area);
        painter.fillRect(area, QColor::fromRgb(m_currentBg));
        glyphs.add(codePoint, QPointF(area.left(), m_ascent));
        glyphs.draw(painter);
        ++pages->used;
        slot = pages->slotIndex.emplace(codePoint, index).first;
    }
    const int index = slot->second;
    const QImage &image = pages->images[std::size_t(index / kSlotsPerPage)];
    const uchar *from = image.constBits() + std::ptrdiff_t((index % kSlotsPerPage) * slotWidth()) * 4;
    uchar *to = m_run.bits() + std::ptrdiff_t(column * m_cellWidth) * 4;
    const std::size_t bytes = std::size_t(width) * std::size_t(m_cellWidth) * 4;
    for (int y = 0; y < m_cellHeight; ++y)
        std::memcpy(to + y * m_run.bytesPerLine(), from + y * image.bytesPerLine(), bytes);
    for (int i = column; i < column + width; ++i)
        m_runFilled[std::size_t(i)] = true;
    return true;
}

void CharacterCells::drawRun(QPainter &painter, int left, int top)
{
    if (!m_current)
        return;
    // Cells without a character (blanks, or characters left to the caller)
    // show the background.
    uchar *bits = m_run.bits();
    const qsizetype stride = m_run.bytesPerLine();
    for (int column = 0; column < m_runCells; ++column) {
        if (m_runFilled[std::size_t(column)])
            continue;
        for (int y = 0; y < m_cellHeight; ++y)
            std::fill_n(reinterpret_cast<quint32 *>(bits + y * stride) + column * m_cellWidth, m_cellWidth,
                        quint32(m_currentBg));
    }
    painter.drawImage(QPoint(left, top), m_run, QRect(0, 0, m_runCells * m_cellWidth, m_cellHeight));
    m_current = nullptr;
}

} // namespace vesper

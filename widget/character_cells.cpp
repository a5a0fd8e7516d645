// Cells of characters beyond printable ASCII cut from glyphs drawn one per
// slot; see character_cells.h.
#include "widget/character_cells.h"

#include <QPainter>

#include <algorithm>
#include <cstring>
#include <utility>

#include "widget/cell_glyphs.h"

namespace vesper {

namespace {
// All slots together stay below this: a screen of a few thousand distinct
// ideographs in two or three colour pairs fits.
constexpr std::size_t kBudgetBytes = 16u << 20;
constexpr int kSlotsPerPage = 64;
// Colour pairs remembered as seen, per variant.
constexpr std::size_t kSeenLimit = 4096;

std::uint64_t pairKey(QRgb fg, QRgb bg) { return (std::uint64_t(fg) << 32) | bg; }
} // namespace

// The slots of one colour pair: pages of kSlotsPerPage slots side by side,
// filled in order, with a painter open on the last page during a paint.
struct CharacterCells::Pages {
    std::vector<QImage> images;
    std::unordered_map<char32_t, int> slotIndex; // by character
    int used = 0;
    std::uint64_t lastPaint = 0;
    std::unique_ptr<QPainter> painter;
};

CharacterCells::CharacterCells() = default;
CharacterCells::~CharacterCells() = default;

void CharacterCells::beginPaint(const QFont &font, int cellWidth, int cellHeight, int ascent)
{
    ++m_paint;
    m_current = nullptr;
    if (cellWidth == m_cellWidth && cellHeight == m_cellHeight && ascent == m_ascent && font == m_font)
        return;
    m_font = font;
    m_cellWidth = cellWidth;
    m_cellHeight = cellHeight;
    m_ascent = ascent;
    for (int v = 0; v < 4; ++v) {
        m_pages[v].clear();
        m_seen[v].clear();
    }
    m_bytes = 0;
}

void CharacterCells::endPaint()
{
    m_current = nullptr;
    for (auto &map : m_pages)
        for (auto &[key, pages] : map)
            pages->painter.reset();
}

// Frees the slots of pairs that neither this paint nor the one before used,
// once per paint.
void CharacterCells::makeRoom()
{
    if (std::exchange(m_roomMadeInPaint, m_paint) == m_paint)
        return;
    for (auto &map : m_pages) {
        for (auto it = map.begin(); it != map.end();) {
            if (it->second->lastPaint + 1 < m_paint) {
                for (const QImage &image : it->second->images)
                    m_bytes -= std::size_t(image.sizeInBytes());
                it = map.erase(it);
            } else {
                ++it;
            }
        }
    }
}

// The slots of a pair seen in an earlier paint (one that scrolls by once is
// not worth them); null for a pair seen for the first time.
CharacterCells::Pages *CharacterCells::pagesFor(int variant, QRgb fg, QRgb bg)
{
    const std::uint64_t key = pairKey(fg, bg);
    if (auto found = m_pages[variant].find(key); found != m_pages[variant].end()) {
        found->second->lastPaint = m_paint;
        return found->second.get();
    }
    auto &seen = m_seen[variant];
    if (seen.size() > kSeenLimit)
        seen.clear();
    const auto [asked, fresh] = seen.emplace(key, m_paint);
    if (fresh || asked->second == m_paint)
        return nullptr;
    seen.erase(asked);
    auto pages = std::make_unique<Pages>();
    pages->lastPaint = m_paint;
    return m_pages[variant].emplace(key, std::move(pages)).first->second.get();
}

bool CharacterCells::beginRun(int variant, QRgb fg, QRgb bg, int cells)
{
    m_current = nullptr;
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
            if (m_bytes + bytes > kBudgetBytes)
                makeRoom();
            if (m_bytes + bytes > kBudgetBytes)
                return false;
            QImage image(kSlotsPerPage * slotWidth(), m_cellHeight, QImage::Format_RGB32);
            if (image.isNull())
                return false;
            pages->painter.reset();
            pages->images.push_back(std::move(image));
            m_bytes += bytes;
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

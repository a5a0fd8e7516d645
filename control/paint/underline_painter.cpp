#include "control/paint/underline_painter.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace vesper {

namespace {

constexpr std::size_t kMaxTiles = 32;

// The height a style's line takes: a wave needs room to swing.
int lineHeight(UnderlineStyle style, int thickness)
{
    switch (style) {
    case UnderlineStyle::Double: return 3 * thickness;
    case UnderlineStyle::Curly: return 3 * thickness + 2;
    default: return thickness;
    }
}

// The tile's width: one period of the pattern.  A wave and a dash repeat
// once per cell so that each cell looks alike; dots every two thicknesses.
int tileWidth(UnderlineStyle style, int cellWidth, int thickness)
{
    return style == UnderlineStyle::Dotted ? 2 * thickness : cellWidth;
}

} // namespace

const QImage &UnderlinePainter::tile(UnderlineStyle style, int cellWidth, int thickness, const QColor &color)
{
    for (const Tile &t : m_tiles)
        if (t.style == style && t.cellWidth == cellWidth && t.thickness == thickness && t.color == color.rgba())
            return t.image;
    if (m_tiles.size() >= kMaxTiles)
        m_tiles.clear();
    const int width = tileWidth(style, cellWidth, thickness);
    const int height = lineHeight(style, thickness);
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    switch (style) {
    case UnderlineStyle::Curly: {
        // One period of a sine across the cell, drawn over three periods so
        // that the tile's edges carry the neighbours' antialiasing too.
        p.setRenderHint(QPainter::Antialiasing);
        const qreal middle = height / 2.0;
        const qreal amplitude = (height - thickness) / 2.0;
        QPainterPath path;
        for (int x = -width; x <= 2 * width; ++x) {
            const QPointF point(x, middle - amplitude * std::sin(2 * M_PI * x / width));
            if (x == -width)
                path.moveTo(point);
            else
                path.lineTo(point);
        }
        p.setPen(QPen(color, thickness, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
        p.drawPath(path);
        break;
    }
    case UnderlineStyle::Dotted: p.fillRect(0, 0, thickness, height, color); break;
    case UnderlineStyle::Dashed: {
        // A dash over the middle half of the cell: gaps fall on cell edges.
        const int dash = std::max(1, (width + 1) / 2);
        p.fillRect((width - dash) / 2, 0, dash, height, color);
        break;
    }
    default: p.fillRect(0, 0, width, height, color); break;
    }
    p.end();
    m_tiles.push_back({style, cellWidth, thickness, color.rgba(), image});
    return m_tiles.back().image;
}

void UnderlinePainter::paint(QPainter &painter, UnderlineStyle style, int left, int width, int top,
                             int underlinePosition, int cellWidth, int cellHeight, int thickness, const QColor &color)
{
    if (style == UnderlineStyle::None || width <= 0)
        return;
    const int height = lineHeight(style, thickness);
    const int y = top + std::max(0, std::min(underlinePosition, cellHeight - height));
    switch (style) {
    case UnderlineStyle::Single: painter.fillRect(left, y, width, thickness, color); return;
    case UnderlineStyle::Double:
        // Two lines with a gap of one line width.
        painter.fillRect(left, y, width, thickness, color);
        painter.fillRect(left, y + 2 * thickness, width, thickness, color);
        return;
    default: break;
    }
    // The texture repeats from x = 0, so the pattern stays on the grid
    // wherever the run starts (runs start on cell edges).
    QBrush pattern(tile(style, cellWidth, thickness, color));
    pattern.setTransform(QTransform::fromTranslate(0, y));
    painter.fillRect(QRect(left, y, width, height), pattern);
}

} // namespace vesper

// Box drawing and block elements as geometry; see box_drawing.h.
//
// A line character is four arms (left, up, right, down), each absent, light,
// heavy or double. Arms are drawn as whole-pixel rectangles from the cell
// edge towards the centre; where they stop depends on the arms across them,
// so that corners close, T-junctions of double lines keep their gap, and a
// line crossing a double line runs through it. Horizontal arms are drawn in
// cell coordinates and vertical arms by the same code in transposed
// coordinates, so both directions follow one set of rules.
#include "control/paint/box_drawing.h"

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QRect>

#include <algorithm>
#include <array>

namespace vesper {

namespace {

enum Weight { None = 0, Light = 1, Heavy = 2, Double = 3 };

struct Arms {
    int left = None;
    int up = None;
    int right = None;
    int down = None;
};

// The arms of U+2500..U+257F as left, up, right, down digits; "" for the
// characters drawn otherwise (dashes, arcs, diagonals).
constexpr std::array<const char *, 0x80> kArms = {
    "1010", "2020", "0101", "0202", "",     "",     "",     "",     // 2500
    "",     "",     "",     "",     "0011", "0021", "0012", "0022", // 2508
    "1001", "2001", "1002", "2002", "0110", "0120", "0210", "0220", // 2510
    "1100", "2100", "1200", "2200", "0111", "0121", "0211", "0112", // 2518
    "0212", "0221", "0122", "0222", "1101", "2101", "1201", "1102", // 2520
    "1202", "2201", "2102", "2202", "1011", "2011", "1021", "2021", // 2528
    "1012", "2012", "1022", "2022", "1110", "2110", "1120", "2120", // 2530
    "1210", "2210", "1220", "2220", "1111", "2111", "1121", "2121", // 2538
    "1211", "1112", "1212", "2211", "1221", "2112", "1122", "2221", // 2540
    "2122", "2212", "1222", "2222", "",     "",     "",     "",     // 2548
    "3030", "0303", "0031", "0013", "0033", "3001", "1003", "3003", // 2550
    "0130", "0310", "0330", "3100", "1300", "3300", "0131", "0313", // 2558
    "0333", "3101", "1303", "3303", "3031", "1013", "3033", "3130", // 2560
    "1310", "3330", "3131", "1313", "3333", "",     "",     "",     // 2568
    "",     "",     "",     "",     "1000", "0100", "0010", "0001", // 2570
    "2000", "0200", "0020", "0002", "1020", "0102", "2010", "0201", // 2578
};

struct Band {
    int start;
    int end;
};

// A band of `thickness` pixels centred in `size`, the same in every cell.
Band centred(int size, int thickness)
{
    const int start = (size - thickness) / 2;
    return {start, start + thickness};
}

struct Strokes {
    int light;
    int thickness(int weight) const { return weight == Heavy ? 2 * light : light; }
};

// Draws the left and right arms of `a` in a w x h cell at the origin; up and
// down are the arms across them.
void drawHorizontalArms(QPainter &painter, const QColor &color, int w, int h, const Arms &a, const Strokes &s)
{
    const bool crossDouble = a.up == Double || a.down == Double;
    const int crossThickness = std::max(a.up ? s.thickness(a.up) : 0, a.down ? s.thickness(a.down) : 0);
    // The line(s) across, left and right of each other (the same band unless double).
    Band leftLine{0, 0};
    Band rightLine{0, 0};
    if (crossDouble) {
        const Band all = centred(w, 3 * s.light);
        leftLine = {all.start, all.start + s.light};
        rightLine = {all.end - s.light, all.end};
    } else if (crossThickness > 0) {
        leftLine = rightLine = centred(w, crossThickness);
    }
    const int mid = w / 2;

    for (const bool isLeft : {true, false}) {
        const int weight = isLeft ? a.left : a.right;
        if (weight == None)
            continue;
        const bool opposite = (isLeft ? a.right : a.left) != None;
        if (weight != Double) {
            const Band y = centred(h, s.thickness(weight));
            int inner; // where the arm ends near the centre
            if (crossDouble) {
                if (opposite) // runs through the double line
                    inner = mid;
                else if (a.up && a.down) // stops at the near line
                    inner = isLeft ? leftLine.end : rightLine.start;
                else // a corner: reaches the far line
                    inner = isLeft ? rightLine.end : leftLine.start;
            } else if (crossThickness > 0) {
                inner = isLeft ? leftLine.end : leftLine.start;
            } else {
                const Band own = centred(w, s.thickness(weight));
                inner = isLeft ? own.end : own.start;
            }
            const int x0 = isLeft ? 0 : inner;
            const int x1 = isLeft ? inner : w;
            painter.fillRect(QRect(x0, y.start, x1 - x0, y.end - y.start), color);
            continue;
        }
        const Band all = centred(h, 3 * s.light);
        const Band lines[2] = {{all.start, all.start + s.light}, {all.end - s.light, all.end}};
        for (int k = 0; k < 2; ++k) {
            // The upper line meets an arm going up, the lower one an arm going down.
            const bool near = (k == 0 ? a.up : a.down) != None;
            const bool far = (k == 0 ? a.down : a.up) != None;
            int inner;
            if (isLeft)
                inner = near ? leftLine.end : (far ? rightLine.end : mid);
            else
                inner = near ? rightLine.start : (far ? leftLine.start : mid);
            const int x0 = isLeft ? 0 : inner;
            const int x1 = isLeft ? inner : w;
            painter.fillRect(QRect(x0, lines[k].start, x1 - x0, lines[k].end - lines[k].start), color);
        }
    }
}

void drawArms(QPainter &painter, const QColor &color, const QRect &cell, const Arms &a, const Strokes &s)
{
    painter.save();
    painter.setTransform(QTransform::fromTranslate(cell.left(), cell.top()), true);
    drawHorizontalArms(painter, color, cell.width(), cell.height(), a, s);
    painter.restore();
    // Vertical arms: the same rules with x and y exchanged.
    painter.save();
    painter.setTransform(QTransform(0, 1, 1, 0, cell.left(), cell.top()), true);
    drawHorizontalArms(painter, color, cell.height(), cell.width(), Arms{a.up, a.left, a.down, a.right}, s);
    painter.restore();
}

// `count` dashes along the cell (transposed for vertical ones).
void drawDashes(QPainter &painter, const QColor &color, const QRect &cell, bool vertical, int count, int thickness)
{
    const int length = vertical ? cell.height() : cell.width();
    const int across = vertical ? cell.width() : cell.height();
    const Band band = centred(across, thickness);
    const int gap = std::max(1, length / (2 * count));
    for (int i = 0; i < count; ++i) {
        const int from = i * length / count;
        const int to = std::max(from + 1, (i + 1) * length / count - gap);
        const QRect r = vertical ? QRect(band.start, from, band.end - band.start, to - from)
                                 : QRect(from, band.start, to - from, band.end - band.start);
        painter.fillRect(r.translated(cell.topLeft()), color);
    }
}

// A rounded corner joining the centres of two edges: dx, dy say which.
void drawArc(QPainter &painter, const QColor &color, const QRect &cell, int dx, int dy, const Strokes &s)
{
    const Band vx = centred(cell.width(), s.light);
    const Band hy = centred(cell.height(), s.light);
    const qreal cx = (vx.start + vx.end) / 2.0;
    const qreal cy = (hy.start + hy.end) / 2.0;
    const qreal r = std::min(cell.width(), cell.height()) / 2.0;
    QPainterPath path;
    path.moveTo(cx, dy > 0 ? cell.height() : 0);
    path.lineTo(cx, cy + dy * r);
    path.quadTo(cx, cy, cx + dx * r, cy);
    path.lineTo(dx > 0 ? cell.width() : 0, cy);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(cell.topLeft());
    painter.setPen(QPen(color, s.light, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
    painter.restore();
}

void drawDiagonals(QPainter &painter, const QColor &color, const QRect &cell, bool rising, bool falling, const Strokes &s)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setClipRect(cell);
    painter.setPen(QPen(color, s.light, Qt::SolidLine, Qt::SquareCap));
    const QRectF r(cell);
    if (rising)
        painter.drawLine(r.bottomLeft(), r.topRight());
    if (falling)
        painter.drawLine(r.topLeft(), r.bottomRight());
    painter.restore();
}

// Block elements, in eighths of the cell; the same boundaries in every cell
// so that halves and quadrants of neighbours meet exactly.
void drawBlock(QPainter &painter, char32_t cp, const QRect &cell, const QColor &color)
{
    const int w = cell.width();
    const int h = cell.height();
    const auto x = [w](int eighths) { return (w * eighths + 4) / 8; };
    const auto y = [h](int eighths) { return (h * eighths + 4) / 8; };
    const auto fill = [&](int x0, int y0, int x1, int y1) {
        painter.fillRect(QRect(cell.left() + x0, cell.top() + y0, x1 - x0, y1 - y0), color);
    };
    enum { UL = 1, UR = 2, LL = 4, LR = 8 };
    const auto quadrants = [&](int q) {
        if (q & UL) fill(0, 0, x(4), y(4));
        if (q & UR) fill(x(4), 0, w, y(4));
        if (q & LL) fill(0, y(4), x(4), h);
        if (q & LR) fill(x(4), y(4), w, h);
    };
    if (cp == 0x2580) {
        fill(0, 0, w, y(4));
    } else if (cp >= 0x2581 && cp <= 0x2588) {
        fill(0, y(8 - int(cp - 0x2580)), w, h); // lower eighths up to the full block
    } else if (cp >= 0x2589 && cp <= 0x258F) {
        fill(0, 0, x(8 - int(cp - 0x2588)), h); // left seven eighths down to one
    } else if (cp == 0x2590) {
        fill(x(4), 0, w, h);
    } else if (cp >= 0x2591 && cp <= 0x2593) {
        QColor shade = color;
        shade.setAlphaF(color.alphaF() * (cp - 0x2590) / 4.0);
        painter.fillRect(cell, shade);
    } else if (cp == 0x2594) {
        fill(0, 0, w, y(1));
    } else if (cp == 0x2595) {
        fill(x(7), 0, w, h);
    } else {
        static constexpr int kQuadrants[] = {LL, LR, UL, UL | LL | LR, UL | LR, UL | UR | LL, UL | UR | LR, UR,
                                             UR | LL, UR | LL | LR};
        quadrants(kQuadrants[cp - 0x2596]);
    }
}

} // namespace

void drawBoxCharacter(QPainter &painter, char32_t cp, const QRect &cell, const QColor &color)
{
    if (cp >= 0x2580) {
        drawBlock(painter, cp, cell, color);
        return;
    }
    const Strokes s{std::max(1, (std::min(cell.width(), cell.height()) + 4) / 8)};
    switch (cp) {
    case 0x2504: drawDashes(painter, color, cell, false, 3, s.light); return;
    case 0x2505: drawDashes(painter, color, cell, false, 3, s.thickness(Heavy)); return;
    case 0x2506: drawDashes(painter, color, cell, true, 3, s.light); return;
    case 0x2507: drawDashes(painter, color, cell, true, 3, s.thickness(Heavy)); return;
    case 0x2508: drawDashes(painter, color, cell, false, 4, s.light); return;
    case 0x2509: drawDashes(painter, color, cell, false, 4, s.thickness(Heavy)); return;
    case 0x250A: drawDashes(painter, color, cell, true, 4, s.light); return;
    case 0x250B: drawDashes(painter, color, cell, true, 4, s.thickness(Heavy)); return;
    case 0x254C: drawDashes(painter, color, cell, false, 2, s.light); return;
    case 0x254D: drawDashes(painter, color, cell, false, 2, s.thickness(Heavy)); return;
    case 0x254E: drawDashes(painter, color, cell, true, 2, s.light); return;
    case 0x254F: drawDashes(painter, color, cell, true, 2, s.thickness(Heavy)); return;
    case 0x256D: drawArc(painter, color, cell, 1, 1, s); return;
    case 0x256E: drawArc(painter, color, cell, -1, 1, s); return;
    case 0x256F: drawArc(painter, color, cell, -1, -1, s); return;
    case 0x2570: drawArc(painter, color, cell, 1, -1, s); return;
    case 0x2571: drawDiagonals(painter, color, cell, true, false, s); return;
    case 0x2572: drawDiagonals(painter, color, cell, false, true, s); return;
    case 0x2573: drawDiagonals(painter, color, cell, true, true, s); return;
    default: break;
    }
    const char *digits = kArms[cp - 0x2500];
    drawArms(painter, color, cell, Arms{digits[0] - '0', digits[1] - '0', digits[2] - '0', digits[3] - '0'}, s);
}

} // namespace vesper

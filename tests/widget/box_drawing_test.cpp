// Box drawing and block elements drawn as geometry. For every line character
// at several cell sizes, each arm meets the cell edge exactly where the
// straight line of its weight does (so neighbours join) and no pixel reaches
// an edge without an arm; blocks that complement each other tile the cell;
// and through the widget, lines run unbroken across cells and rows.
#include <QPainter>

#include <gtest/gtest.h>

#include "tests/widget/widget_test_support.h"
#include "control/paint/box_drawing.h"

namespace {

using namespace widget_test;
using vesper::drawBoxCharacter;

constexpr QRgb kInk = 0xff000000;

QImage drawn(char32_t cp, QSize cell)
{
    QImage image(cell, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    drawBoxCharacter(painter, cp, QRect(QPoint(0, 0), cell), QColor(kInk));
    return image;
}

// The inked pixels along one edge of the cell, as a string of '#' and '.'.
std::string edge(const QImage &image, char side)
{
    std::string out;
    const bool vertical = side == 'L' || side == 'R';
    const int n = vertical ? image.height() : image.width();
    for (int i = 0; i < n; ++i) {
        const QPoint p = side == 'L' ? QPoint(0, i)
                         : side == 'R' ? QPoint(image.width() - 1, i)
                         : side == 'U' ? QPoint(i, 0)
                                       : QPoint(i, image.height() - 1);
        out += image.pixel(p) == kInk ? '#' : '.';
    }
    return out;
}

// Weights of the left, up, right and down arms, as in the character names.
struct Line {
    char32_t cp;
    const char *arms;
};

const Line kLines[] = {
    {0x2500, "1010"}, {0x2503, "0202"}, {0x250C, "0011"}, {0x250D, "0021"}, {0x2512, "1002"}, {0x2517, "0220"},
    {0x251C, "0111"}, {0x251E, "0211"}, {0x2521, "0221"}, {0x2529, "2201"}, {0x252C, "1011"}, {0x2535, "2110"},
    {0x253C, "1111"}, {0x2540, "1211"}, {0x2546, "1122"}, {0x254B, "2222"}, {0x2550, "3030"}, {0x2551, "0303"},
    {0x2552, "0031"}, {0x2553, "0013"}, {0x2554, "0033"}, {0x2557, "3003"}, {0x255A, "0330"}, {0x255D, "3300"},
    {0x255E, "0131"}, {0x255F, "0313"}, {0x2560, "0333"}, {0x2563, "3303"}, {0x2564, "3031"}, {0x2565, "1013"},
    {0x2566, "3033"}, {0x2569, "3330"}, {0x256A, "3131"}, {0x256B, "1313"}, {0x256C, "3333"}, {0x2574, "1000"},
    {0x2579, "0200"}, {0x257C, "1020"}, {0x257F, "0201"},
};

TEST(BoxDrawing, ArmsMeetTheEdgesWhereStraightLinesDo)
{
    const char32_t horizontal[] = {0, 0x2500, 0x2501, 0x2550};
    const char32_t vertical[] = {0, 0x2502, 0x2503, 0x2551};
    for (const QSize cell : {QSize(8, 17), QSize(9, 18), QSize(12, 24), QSize(17, 34)}) {
        for (const Line &line : kLines) {
            const QImage image = drawn(line.cp, cell);
            const char sides[] = {'L', 'U', 'R', 'D'};
            for (int k = 0; k < 4; ++k) {
                const int weight = line.arms[k] - '0';
                const bool across = sides[k] == 'L' || sides[k] == 'R';
                std::string expected(std::size_t(across ? cell.height() : cell.width()), '.');
                if (weight)
                    expected = edge(drawn((across ? horizontal : vertical)[weight], cell), sides[k]);
                EXPECT_EQ(edge(image, sides[k]), expected)
                    << std::hex << uint32_t(line.cp) << " side " << sides[k] << " cell " << cell.width() << "x"
                    << cell.height();
            }
        }
    }
}

TEST(BoxDrawing, DoubleCornersKeepTheirGapAndLinesCrossThem)
{
    const QSize cell(12, 24);
    // The centre pixel: a gap in double crossings, ink where a line runs through.
    const struct {
        char32_t cp;
        bool centreInked;
    } cases[] = {{0x256C, false}, {0x2566, false}, {0x2554, false}, {0x256A, true}, {0x256B, true}, {0x253C, true}};
    for (const auto &c : cases) {
        const QImage image = drawn(c.cp, cell);
        EXPECT_EQ(image.pixel(cell.width() / 2, cell.height() / 2) == kInk, c.centreInked) << std::hex << uint32_t(c.cp);
    }
}

TEST(BoxDrawing, BlocksTileTheCell)
{
    const QSize cell(9, 19);
    const auto inked = [&](std::initializer_list<char32_t> cps) {
        QImage image(cell, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        for (const char32_t cp : cps) // translucent ink: overlaps show as darker pixels
            drawBoxCharacter(painter, cp, QRect(QPoint(0, 0), cell), QColor(0, 0, 0, 128));
        painter.end();
        std::map<QRgb, int> counts;
        for (int y = 0; y < cell.height(); ++y)
            for (int x = 0; x < cell.width(); ++x)
                ++counts[image.pixel(x, y)];
        return counts;
    };
    const int all = cell.width() * cell.height();
    // Pairs (and sets) that cover every pixel exactly once.
    for (const auto &set : {std::initializer_list<char32_t>{0x2580, 0x2584}, {0x258C, 0x2590}, {0x2594, 0x2587},
                            {0x2589, 0x2595}, {0x2598, 0x259D, 0x2596, 0x2597}, {0x259A, 0x259E}, {0x2599, 0x259D},
                            {0x259B, 0x2597}, {0x259C, 0x2596}, {0x259F, 0x2598}, {0x2588}, {0x2592}}) {
        const auto counts = inked(set);
        EXPECT_EQ(counts.size(), 1u) << std::hex << uint32_t(*set.begin()) << ": one shade everywhere";
        EXPECT_EQ(counts.begin()->second, all);
        EXPECT_NE(counts.begin()->first, QColor(Qt::white).rgb());
    }
    // Eighths grow in steps.
    int previous = 0;
    for (char32_t cp = 0x2581; cp <= 0x2588; ++cp) {
        const auto counts = inked({cp});
        const int white = counts.count(QColor(Qt::white).rgb()) ? counts.at(QColor(Qt::white).rgb()) : 0;
        EXPECT_GT(all - white, previous) << std::hex << uint32_t(cp);
        previous = all - white;
    }
}

TEST(BoxDrawing, LinesRunUnbrokenAcrossCellsAndRowsInTheWidget)
{
    for (const int pixelSize : {11, 14, 23}) {
        auto w = makeWidget(12, 4);
        QFont f = testFont();
        f.setPixelSize(pixelSize);
        w->setTerminalFont(f);
        w->resize(12 * w->cellWidth(), 4 * w->cellHeight());
        QApplication::processEvents();
        // ┌────┐ over │    │ over └────┘, the cursor parked out of the way.
        feed(*w, "\xe2\x94\x8c\xe2\x94\x80\xe2\x94\x80\xe2\x94\x80\xe2\x94\x80\xe2\x94\x90\r\n"
                 "\xe2\x94\x82    \xe2\x94\x82\r\n"
                 "\xe2\x94\x94\xe2\x94\x80\xe2\x94\x80\xe2\x94\x80\xe2\x94\x80\xe2\x94\x98\x1b[4;12H");
        const QImage image = grabViewport(*w);
        const QColor fg = vesper::Palette().foreground();
        const int cw = w->cellWidth();
        const int ch = w->cellHeight();
        // The top line's middle pixel row, from the corner's centre to the other's.
        int lineY = -1;
        for (int y = 0; y < ch && lineY < 0; ++y)
            if (QColor(image.pixel(3 * cw, y)) == fg)
                lineY = y;
        ASSERT_GE(lineY, 0) << pixelSize;
        const int across = 5 * cw + (cw - 1) / 2 - (cw / 2 + 1);
        EXPECT_EQ(countColor(image, QRect(cw / 2 + 1, lineY, across, 1), fg), across) << pixelSize;
        // The left side, from the top corner down to the bottom corner.
        int lineX = -1;
        for (int x = 0; x < cw && lineX < 0; ++x)
            if (QColor(image.pixel(x, ch + ch / 2)) == fg)
                lineX = x;
        ASSERT_GE(lineX, 0) << pixelSize;
        const int down = 2 * ch + (ch - 1) / 2 - (ch / 2 + 1);
        EXPECT_EQ(countColor(image, QRect(lineX, ch / 2 + 1, 1, down), fg), down) << pixelSize;
    }
}

} // namespace

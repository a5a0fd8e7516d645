// Finished cells against glyphs drawn straight into the frame: a run
// composed from slots must show, pixel for pixel, what drawing each
// character's glyph on the run's background shows, cut at its cells.
#include <gtest/gtest.h>

#include <QPainter>

#include <string>

#include "tests/widget/widget_test_support.h"
#include "control/paint/cell_glyphs.h"
#include "control/paint/character_cells.h"

namespace {

constexpr int kCellWidth = 10;
constexpr int kCellHeight = 20;
constexpr int kAscent = 15;

struct Character {
    char32_t codePoint;
    int width;
};

// The run drawn glyph by glyph, each clipped to its cells.
QImage straight(const std::vector<Character> &run, int cells, QRgb fg, QRgb bg)
{
    QImage image(cells * kCellWidth, kCellHeight, QImage::Format_RGB32);
    image.fill(bg);
    QPainter painter(&image);
    painter.setPen(QColor::fromRgb(fg));
    vesper::CellGlyphs glyphs;
    glyphs.useFont(widget_test::testFont());
    int column = 0;
    for (const Character &c : run) {
        if (c.codePoint != U' ') {
            painter.setClipRect(column * kCellWidth, 0, c.width * kCellWidth, kCellHeight);
            glyphs.add(c.codePoint, QPointF(column * kCellWidth, kAscent));
            glyphs.draw(painter);
        }
        column += c.width;
    }
    return image;
}

// The run composed from finished cells in the given paint; false when the
// cells would not take the run.
bool composed(vesper::CharacterCells &cells, vesper::CellGlyphs &glyphs, const std::vector<Character> &run,
              int width, QRgb fg, QRgb bg, QImage &out)
{
    out = QImage(width * kCellWidth, kCellHeight, QImage::Format_RGB32);
    out.fill(Qt::magenta);
    QPainter painter(&out);
    cells.beginPaint(widget_test::testFont(), kCellWidth, kCellHeight, kAscent);
    if (!cells.beginRun(0, fg, bg, width)) {
        cells.endPaint();
        return false;
    }
    int column = 0;
    for (const Character &c : run) {
        if (c.codePoint != U' ') {
            EXPECT_TRUE(cells.put(column, c.width, c.codePoint, glyphs));
        }
        column += c.width;
    }
    cells.drawRun(painter, 0, 0);
    cells.endPaint();
    return true;
}

TEST(CharacterCells, ShowWhatGlyphsOnTheBackgroundShow)
{
    widget_test::application();
    struct Case {
        const char *name;
        std::vector<Character> run;
        QRgb fg, bg;
    };
    const Case cases[] = {
        {"ideographs", {{U'\u4e2d', 2}, {U'\u6587', 2}, {U'\u5b57', 2}}, qRgb(230, 230, 230), qRgb(0, 0, 0)},
        {"mixed widths and blanks", {{U'a', 1}, {U'\u00e9', 1}, {U' ', 1}, {U'\uac00', 2}, {U'\u03bb', 1}},
         qRgb(0, 0, 0), qRgb(255, 255, 255)},
        {"coloured pair", {{U'\u3042', 2}, {U'\u0436', 1}, {U'\u2192', 1}}, qRgb(250, 200, 0), qRgb(20, 40, 120)},
        {"repeated character", {{U'\u6f22', 2}, {U'\u6f22', 2}, {U'x', 1}, {U'\u6f22', 2}}, qRgb(0, 255, 0),
         qRgb(0, 0, 0)},
    };
    vesper::CharacterCells cells;
    vesper::CellGlyphs glyphs;
    glyphs.useFont(widget_test::testFont());
    for (const Case &c : cases) {
        int width = 0;
        for (const Character &ch : c.run)
            width += ch.width;
        QImage first;
        // A pair seen for the first time gets no slots; from the next paint on
        // it has them, and the slots made there serve the paint after it.
        EXPECT_FALSE(composed(cells, glyphs, c.run, width, c.fg, c.bg, first)) << c.name;
        for (int paint = 0; paint < 2; ++paint) {
            QImage image;
            ASSERT_TRUE(composed(cells, glyphs, c.run, width, c.fg, c.bg, image)) << c.name;
            EXPECT_EQ(image, straight(c.run, width, c.fg, c.bg)) << c.name << ", paint " << paint;
        }
    }
}

// Slots stay within their budget: a pair that keeps asking for new
// characters is refused at some point, while the characters it has stay
// served; pairs left unused for two paints give their room back.
TEST(CharacterCells, StayWithinTheirBudget)
{
    widget_test::application();
    vesper::CharacterCells cells;
    vesper::CellGlyphs glyphs;
    glyphs.useFont(widget_test::testFont());
    struct Run {
        QRgb bg;
        int count; // ideographs from U+4E00 on
    };
    // One paint of the runs; per run the characters refused, -1 when the
    // pair had no slots at all.
    auto paint = [&](std::initializer_list<Run> runs) {
        std::vector<int> refused;
        cells.beginPaint(widget_test::testFont(), kCellWidth, kCellHeight, kAscent);
        for (const Run &run : runs) {
            if (!cells.beginRun(0, qRgb(255, 255, 255), run.bg, 2 * run.count)) {
                refused.push_back(-1);
                continue;
            }
            int n = 0;
            for (int i = 0; i < run.count; ++i)
                n += cells.put(2 * i, 2, U'\u4e00' + char32_t(i), glyphs) ? 0 : 1;
            QImage sink(2 * run.count * kCellWidth, kCellHeight, QImage::Format_RGB32);
            QPainter painter(&sink);
            cells.drawRun(painter, 0, 0);
            refused.push_back(n);
        }
        cells.endPaint();
        return refused;
    };
    const QRgb black = qRgb(0, 0, 0), blue = qRgb(0, 0, 80);
    EXPECT_EQ(paint({{black, 1}, {blue, 1}}), std::vector<int>({-1, -1}));
    // 16 MiB of slots of 20x20 pixels are about 10,000 characters.
    const int refused = paint({{black, 12000}})[0];
    EXPECT_GT(refused, 0);
    EXPECT_LT(refused, 4000);
    EXPECT_EQ(paint({{black, 2000}}), std::vector<int>({0})) << "characters with slots are still served";
    // A second pair finds no room while the first is in use...
    EXPECT_GT(paint({{black, 10}, {blue, 3000}})[1], 0);
    // ...and all it asks for once the first has been left unused.
    paint({{blue, 10}});
    EXPECT_EQ(paint({{blue, 3000}}), std::vector<int>({0}));
}

} // namespace

// Renditions on grabbed pixels, as a table of attributes against what the
// cells must show: the strongest colour (dim is half-way to the background,
// hidden is the background only), and the decoration lines that span all the
// cells (single and double underline, overline), on the ASCII path and on the
// per-cell path of other characters; and combining marks drawn on their
// base character.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "tests/widget/widget_test_support.h"

namespace {

using namespace widget_test;
using vesper::Palette;

const Palette kPalette;
const QColor kBackground = kPalette.background();
const QColor kForeground = kPalette.foreground();
const QColor kRed = kPalette.color(1, kForeground);
const QColor kBlue = kPalette.color(4, kBackground);

QColor mid(const QColor &a, const QColor &b)
{
    return QColor((a.red() + b.red() + 1) / 2, (a.green() + b.green() + 1) / 2, (a.blue() + b.blue() + 1) / 2);
}

int distance(QRgb p, const QColor &c)
{
    return std::abs(qRed(p) - c.red()) + std::abs(qGreen(p) - c.green()) + std::abs(qBlue(p) - c.blue());
}

// The pixel of `rect` farthest from `background`: a glyph's solid core.
QColor strongest(const QImage &image, const QRect &rect, const QColor &background)
{
    QRgb best = background.rgb();
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if (distance(image.pixel(x, y), background) > distance(best, background))
                best = image.pixel(x, y);
    return QColor(best);
}

// Offsets from the cells' top of the groups of adjacent pixel rows that are
// `colour` across the whole width: the decoration lines.
std::vector<int> lineGroups(const QImage &image, const QRect &cells, const QColor &colour)
{
    std::vector<int> groups;
    bool inLine = false;
    for (int y = cells.top(); y <= cells.bottom(); ++y) {
        const bool full = countColor(image, QRect(cells.left(), y, cells.width(), 1), colour) == cells.width();
        if (full && !inLine)
            groups.push_back(y - cells.top());
        inLine = full;
    }
    return groups;
}

struct AttributeCase {
    const char *name;
    const char *bytes;   // four cells from the top left
    QColor strongest;    // the strongest colour the cells show
    QColor background;   // what the cells are filled with
    int lines;           // decoration lines across the four cells
    bool topLine;        // one of them on the cells' top row
};

void PrintTo(const AttributeCase &c, std::ostream *os) { *os << c.name; }

const AttributeCase kCases[] = {
    {"plain", "MMMM", kForeground, kBackground, 0, false},
    {"dim", "\x1b[2mMMMM", mid(kForeground, kBackground), kBackground, 0, false},
    {"dim colour on a colour", "\x1b[2;31;44mMMMM", mid(kRed, kBlue), kBlue, 0, false},
    {"dim reverse", "\x1b[2;7mMMMM", mid(kBackground, kForeground), kForeground, 0, false},
    {"dim wide", "\x1b[2m\xe4\xb8\xad\xe4\xb8\xad", mid(kForeground, kBackground), kBackground, 0, false},
    {"hidden", "\x1b[8mMMMM", kBackground, kBackground, 0, false},
    {"hidden keeps its background", "\x1b[8;4;9;53;44mMMMM", kBlue, kBlue, 0, false},
    {"hidden reverse", "\x1b[8;7mMMMM", kForeground, kForeground, 0, false},
    {"hidden wide", "\x1b[8;21m\xe4\xb8\xad\xe4\xb8\xad", kBackground, kBackground, 0, false},
    {"underline", "\x1b[4m....", kForeground, kBackground, 1, false},
    {"double underline", "\x1b[21m....", kForeground, kBackground, 2, false},
    {"double underline beside underline", "\x1b[4;21m....", kForeground, kBackground, 2, false},
    {"overline", "\x1b[53m....", kForeground, kBackground, 1, true},
    {"overline and underline", "\x1b[53;4m....", kForeground, kBackground, 2, true},
    {"dim underline", "\x1b[2;4m....", mid(kForeground, kBackground), kBackground, 1, false},
    {"double underline, other characters", "\x1b[21m\xc2\xb7\xc2\xb7\xc2\xb7\xc2\xb7", kForeground, kBackground,
     2, false},
    {"overline, other characters", "\x1b[53m\xc2\xb7\xc2\xb7\xc2\xb7\xc2\xb7", kForeground, kBackground, 1, true},
};

class Attributes : public ::testing::TestWithParam<AttributeCase> {};

TEST_P(Attributes, CellsShowTheRendition)
{
    const AttributeCase &c = GetParam();
    auto w = makeWidget(20, 4);
    feed(*w, c.bytes);
    feed(*w, "\x1b[0m\x1b[4;20H");
    const QImage image = grabViewport(*w);
    const QRect cells = cellRect(*w, 0, 0, 4);
    const QColor shown = strongest(image, cells, c.background);
    EXPECT_LE(distance(shown.rgb(), c.strongest), 6) << shown.name().toStdString();
    if (c.strongest == c.background) {
        EXPECT_EQ(countColor(image, cells, c.background), cells.width() * cells.height());
    }
    const std::vector<int> lines =
        c.strongest == c.background ? std::vector<int>() : lineGroups(image, cells, c.strongest);
    EXPECT_EQ(int(lines.size()), c.lines);
    EXPECT_EQ(!lines.empty() && lines.front() == 0, c.topLine);
}

INSTANTIATE_TEST_SUITE_P(Table, Attributes, ::testing::ValuesIn(kCases), [](const auto &info) {
    std::string n = info.param.name;
    for (char &ch : n)
        if (!std::isalnum(static_cast<unsigned char>(ch)))
            ch = '_';
    return n;
});

// Pixels of the foreground in the upper half of cell `column` of row 0.
int upperInk(vesper::TerminalWidget &w, int column)
{
    const QRect cell = cellRect(w, column, 0);
    const QImage image = grabViewport(w);
    int n = 0;
    for (int y = cell.top(); y < cell.top() + cell.height() / 2; ++y)
        for (int x = cell.left(); x <= cell.right(); ++x)
            n += distance(image.pixel(x, y), kBackground) > 60 ? 1 : 0;
    return n;
}

TEST(TerminalWidgetMarks, CombiningMarksAreDrawnOnTheirCharacter)
{
    auto w = makeWidget(20, 4);
    // e, e with a combining acute, a space, then bold ASCII on the row (the
    // row's runs differ).
    feed(*w, "ee\xcc\x81 \x1b[1mA\x1b[0m\x1b[4;20H");
    const int plain = upperInk(*w, 0);
    EXPECT_GT(upperInk(*w, 1), plain) << "the acute is drawn above the e";
    EXPECT_EQ(upperInk(*w, 4), 0) << "the row beyond is blank";
    EXPECT_EQ(w->lineAt(w->viewTopLine()).left(5), QString::fromUtf8("ee\xcc\x81 A"));
}

} // namespace

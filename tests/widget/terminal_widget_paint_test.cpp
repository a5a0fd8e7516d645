// Painting checked on grabbed viewport pixels: run colours, background fills,
// reverse video, bold brightening, underlined blanks, the selection overlay
// and the cursor in its focused, unfocused, hidden, scrolled-back and
// double-width forms.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/widget/widget_test_support.h"

namespace {

using namespace widget_test;
using vesper::Palette;

const Palette kPalette;
const QColor kBackground = kPalette.background();
const QColor kForeground = kPalette.foreground();
const QColor kCursor = QColor(0, 200, 0); // distinct from every text colour used here

struct PaintFixture : ::testing::Test {
    void SetUp() override
    {
        w = makeWidget(20, 4);
        Palette p;
        p.set_cursor(kCursor);
        w->setTerminalPalette(p);
    }
    void focus()
    {
        w->activateWindow();
        w->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([&] { return w->hasFocus(); }));
    }
    // Moves the cursor to the last row so it stays out of the cells checked.
    void feedAway(const char *bytes)
    {
        feed(*w, bytes);
        feed(*w, "\x1b[0m\x1b[4;20H");
    }
    int count(int column, int row, const QColor &c, int n = 1)
    {
        return countColor(grabViewport(*w), cellRect(*w, column, row, n), c);
    }
    int area(int n = 1) const { return n * w->cellWidth() * w->cellHeight(); }
    std::unique_ptr<vesper::TerminalWidget> w;
};

TEST_F(PaintFixture, BlankScreenIsBackgroundOnly)
{
    feedAway("");
    const QImage image = grabViewport(*w);
    const QRect top(0, 0, image.width(), 3 * w->cellHeight());
    EXPECT_EQ(countColor(image, top, kBackground), top.width() * top.height());
}

TEST_F(PaintFixture, RunsTakeTheirOwnForegroundColours)
{
    feedAway("\x1b[31mMM\x1b[32mM\x1b[38;2;255;128;0mM\x1b[38;5;21mM");
    const QColor red = kPalette.color(1, kForeground);
    const QColor green = kPalette.color(2, kForeground);
    EXPECT_GT(count(0, 0, red), 0);
    EXPECT_GT(count(1, 0, red), 0);
    EXPECT_EQ(count(2, 0, red), 0);
    EXPECT_GT(count(2, 0, green), 0);
    EXPECT_GT(count(3, 0, QColor(255, 128, 0)), 0);
    EXPECT_GT(count(4, 0, QColor(0, 0, 255)), 0);
    EXPECT_EQ(count(0, 0, kForeground), 0);
}

TEST_F(PaintFixture, BackgroundRunsAreFilledAndBlankRunsDrawNoText)
{
    feedAway("\x1b[44m  \x1b[0m \x1b[4m  ");
    const QColor blue = kPalette.color(4, kBackground);
    EXPECT_EQ(count(0, 0, blue, 2), area(2));
    EXPECT_EQ(count(2, 0, kBackground), area());
    // Underlined spaces draw their underline in the foreground colour.
    EXPECT_GT(count(3, 0, kForeground, 2), 0);
}

TEST_F(PaintFixture, UnderlineSpansTheSpacesOfAWordRun)
{
    feedAway("\x1b[4;32mM M\x1b[0m M");
    const QColor green = kPalette.color(2, kForeground);
    EXPECT_GT(count(1, 0, green), 0) << "the underline crosses the space inside the run";
    EXPECT_EQ(count(3, 0, green), 0);
    EXPECT_GT(count(4, 0, kForeground), 0);
}

// The longest horizontal stretch of `color` pixels on one pixel row of the
// given cells: a decoration line spans them all, glyphs of '.' do not.
int longestLine(const QImage &image, const QRect &cells, const QColor &color, int fromY, int toY)
{
    int best = 0;
    for (int y = fromY; y <= toY; ++y)
        best = std::max(best, countColor(image, QRect(cells.left(), y, cells.width(), 1), color));
    return best;
}

TEST_F(PaintFixture, DecorationsStayOnTheirOwnRuns)
{
    feedAway("\x1b[1;31m....\x1b[0m\x1b[9;32m....\x1b[0m\x1b[4;33m....\x1b[0m\x1b[3;34m....");
    const QImage image = grabViewport(*w);
    const int width = 4 * w->cellWidth();
    const int top = 0;
    const int bottom = w->cellHeight() - 1;
    EXPECT_LT(longestLine(image, cellRect(*w, 0, 0, 4), kPalette.color(9, kForeground), top, bottom), width / 2)
        << "bold run is not struck";
    EXPECT_GE(longestLine(image, cellRect(*w, 4, 0, 4), kPalette.color(2, kForeground), top, bottom), width - 1)
        << "strike-out run is struck";
    EXPECT_GE(longestLine(image, cellRect(*w, 8, 0, 4), kPalette.color(3, kForeground), top, bottom), width - 1)
        << "underlined run is underlined";
    EXPECT_LT(longestLine(image, cellRect(*w, 12, 0, 4), kPalette.color(4, kForeground), top, bottom), width / 2)
        << "italic run has no line";
}

TEST_F(PaintFixture, ReverseVideoSwapsDefaultColours)
{
    feedAway("\x1b[7mM");
    const int fg = count(0, 0, kForeground);
    EXPECT_GT(fg, area() / 2);
    EXPECT_GT(count(0, 0, kBackground), 0) << "the glyph is drawn in the background colour";
}

TEST_F(PaintFixture, BoldBrightensOnlyTheFirstEightColours)
{
    feedAway("\x1b[1;31mM\x1b[0m\x1b[1;38;5;196mM\x1b[0m\x1b[31mM");
    const QColor dark = kPalette.color(1, kForeground);
    const QColor bright = kPalette.color(9, kForeground);
    EXPECT_GT(count(0, 0, bright), 0);
    EXPECT_EQ(count(0, 0, dark), 0);
    EXPECT_GT(count(1, 0, QColor(255, 0, 0)), 0);
    EXPECT_GT(count(2, 0, dark), 0);
}

TEST_F(PaintFixture, SelectionOverlayCoversOrderedEndsOnly)
{
    feedAway("");
    const int line = w->viewTopLine() + 1;
    w->setSelection(line, 7, line, 2);
    const QImage image = grabViewport(*w);
    const QColor sel = w->selectionColor();
    const double a = sel.alphaF();
    const QColor blended(qRound(sel.red() * a + kBackground.red() * (1 - a)),
                         qRound(sel.green() * a + kBackground.green() * (1 - a)),
                         qRound(sel.blue() * a + kBackground.blue() * (1 - a)));
    const QRgb inside = image.pixel(cellRect(*w, 4, 1).center());
    EXPECT_NEAR(qRed(inside), blended.red(), 2);
    EXPECT_NEAR(qGreen(inside), blended.green(), 2);
    EXPECT_NEAR(qBlue(inside), blended.blue(), 2);
    EXPECT_EQ(countColor(image, cellRect(*w, 2, 1, 5), kBackground), 0);
    EXPECT_EQ(countColor(image, cellRect(*w, 1, 1), kBackground), area());
    EXPECT_EQ(countColor(image, cellRect(*w, 7, 1), kBackground), area());
    EXPECT_EQ(countColor(image, cellRect(*w, 0, 0, 20), kBackground), area(20));
}

TEST_F(PaintFixture, SelectionBeyondTheColumnsIsClamped)
{
    feedAway("");
    const int line = w->viewTopLine();
    w->setSelection(line, 18, line, 500);
    const QImage image = grabViewport(*w);
    EXPECT_EQ(countColor(image, cellRect(*w, 18, 0, 2), kBackground), 0);
    const QRect strip(20 * w->cellWidth(), 0, image.width() - 20 * w->cellWidth(), w->cellHeight());
    EXPECT_EQ(countColor(image, strip, kBackground), strip.width() * strip.height());
}

TEST_F(PaintFixture, FocusedCursorIsABlockShowingItsCharacter)
{
    focus();
    feed(*w, "M\r");
    EXPECT_GT(count(0, 0, kCursor), area() / 2);
    EXPECT_GT(count(0, 0, kBackground), 0);
    EXPECT_EQ(count(1, 0, kCursor), 0);
}

TEST_F(PaintFixture, UnfocusedCursorIsAnOutline)
{
    w->clearFocus();
    ASSERT_FALSE(w->hasFocus());
    feed(*w, "\x1b[31mM\r");
    const QImage image = grabViewport(*w);
    const QRect cell = cellRect(*w, 0, 0);
    EXPECT_EQ(QColor(image.pixel(cell.topLeft())), kCursor);
    EXPECT_EQ(QColor(image.pixel(cell.bottomRight())), kCursor);
    EXPECT_GT(countColor(image, cell, kPalette.color(1, kForeground)), 0) << "the character keeps its colour";
    EXPECT_LT(countColor(image, cell, kCursor), area() / 2);
}

TEST_F(PaintFixture, WideCharacterCursorCoversBothCells)
{
    focus();
    feed(*w, "\xe4\xb8\xad\r");
    const QImage onLeft = grabViewport(*w);
    const QRect right = cellRect(*w, 1, 0);
    EXPECT_EQ(QColor(onLeft.pixel(right.right(), right.top())), kCursor);

    feed(*w, "\x1b[2G");
    const QImage onRight = grabViewport(*w);
    const QRect left = cellRect(*w, 0, 0);
    EXPECT_NE(QColor(onRight.pixel(left.left(), left.top())), kCursor);
    EXPECT_EQ(countColor(onRight, right, kCursor), area()) << "a one-cell block without a character";
}

TEST_F(PaintFixture, HiddenOrScrolledBackCursorIsNotDrawn)
{
    focus();
    feed(*w, "\x1b[?25l");
    EXPECT_EQ(count(0, 0, kCursor, 20), 0);
    feed(*w, "\x1b[?25h");
    EXPECT_GT(count(0, 0, kCursor), 0);

    feed(*w, "\r\n\r\n\r\n\r\n\r\n");
    QTest::keyClick(w.get(), Qt::Key_PageUp, Qt::ShiftModifier);
    EXPECT_EQ(countColor(grabViewport(*w), w->viewport()->rect(), kCursor), 0);
    QTest::keyClick(w.get(), Qt::Key_PageDown, Qt::ShiftModifier);
    EXPECT_GT(countColor(grabViewport(*w), w->viewport()->rect(), kCursor), 0);
}

} // namespace

// A program's OSC 4/10/11/12 colours are painted, outlive a new host palette
// until the program resets them, and the queries answer what is painted.
TEST_F(PaintFixture, ProgramColoursPaintOverTheHostsPalette)
{
    QByteArray replies;
    QObject::connect(w.get(), &vesper::TerminalWidget::dataReady, [&](const QByteArray &bytes) { replies += bytes; });
    const QColor red(255, 0, 0), green(0, 255, 0), blue(0, 0, 255);
    feedAway("\x1b]11;#ff0000\a\x1b]4;1;#00ff00\a\x1b]4;100;#0000ff\a\x1b[41m \x1b[48;5;100m \x1b]12;#ffffff\a");
    EXPECT_EQ(count(0, 0, green), area());
    EXPECT_EQ(count(1, 0, blue), area());
    EXPECT_EQ(count(5, 1, red), area()) << "the default background";

    Palette host;
    host.set_background(QColor(1, 2, 3));
    host.set_ansi(1, QColor(9, 9, 9));
    w->setTerminalPalette(host);
    EXPECT_EQ(count(0, 0, green), area()) << "the program's colours stay";
    EXPECT_EQ(count(5, 1, red), area());
    feed(*w, "\x1b]11;?\a\x1b]104;1\a\x1b]111\a\x1b]4;1;?\x1b\\\x1b]11;?\a");
    QCoreApplication::processEvents();
    EXPECT_EQ(replies, QByteArray("\x1b]11;rgb:ffff/0000/0000\a\x1b]4;1;rgb:0909/0909/0909\x1b\\"
                                  "\x1b]11;rgb:0101/0202/0303\a"));
    EXPECT_EQ(count(0, 0, QColor(9, 9, 9)), area()) << "reset to the host's";
    EXPECT_EQ(count(5, 1, QColor(1, 2, 3)), area());
    EXPECT_EQ(count(1, 0, blue), area()) << "an index not reset keeps its colour";
}

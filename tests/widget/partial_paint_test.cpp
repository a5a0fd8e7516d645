// Partial repaints checked against full ones: a shown widget paints after
// every step (moving scrolled pixels and repainting only changed rows), and
// the pixels it holds on the window afterwards must equal those of a second
// widget taken through the same steps and painted once, in full.
#include <gtest/gtest.h>

#include <QPaintEvent>
#include <QScreen>
#include <QScrollBar>
#include <QTest>

#include <functional>
#include <string>
#include <vector>

#include "tests/widget/widget_test_support.h"
#include "control/paint/paint_budget.h"

namespace {

using namespace widget_test;
using vesper::TerminalWidget;
using Step = std::function<void(TerminalWidget &)>;

// Distinct numbered lines in changing colours, so that a row painted at the
// wrong place shows.
std::string lines(int from, int count)
{
    std::string out;
    for (int i = from; i < from + count; ++i)
        out += "\r\n\x1b[3" + std::to_string(1 + i % 6) + "mline " + std::to_string(i) + "\x1b[0m " + std::string(std::size_t(i % 5), '#');
    return out;
}

// Six rows of distinct ideographs in three colours from `first` on.
std::string ideographs(char32_t first)
{
    std::string out = "\x1b[H";
    for (int i = 0; i < 6 * 9; ++i) {
        const char32_t cp = first + char32_t(i);
        if (i % 9 == 0)
            out += "\x1b[3" + std::to_string(1 + i % 3) + "m" + (i ? "\r\n" : "");
        out += {char(0xE0 | (cp >> 12)), char(0x80 | ((cp >> 6) & 0x3F)), char(0x80 | (cp & 0x3F))};
    }
    return out + "\x1b[0m";
}

Step bytes(std::string text)
{
    return [text = std::move(text)](TerminalWidget &w) { w.feed(QByteArray::fromStdString(text)); };
}

Step scrollBarBy(int delta)
{
    return [delta](TerminalWidget &w) { w.verticalScrollBar()->setValue(w.verticalScrollBar()->value() + delta); };
}

Step selectRows(int firstRow, int lastRow)
{
    return [=](TerminalWidget &w) { w.setSelection(w.viewTopLine() + firstRow, 2, w.viewTopLine() + lastRow, 7); };
}

Step resizeGrid(int columns, int rows)
{
    return [=](TerminalWidget &w) { w.resize(columns * w.cellWidth(), rows * w.cellHeight()); };
}

Step setPalette()
{
    return [](TerminalWidget &w) {
        vesper::Palette p;
        p.set_background(QColor(30, 30, 60));
        p.set_ansi(2, QColor(250, 200, 0));
        w.setTerminalPalette(p);
    };
}

struct Scenario {
    const char *name;
    std::vector<Step> steps;
    bool lastPaintPartial; // the last step repaints less than the viewport
};

// The viewport's pixels as the window holds them (what the screen shows),
// not a fresh rendering.
QImage shownViewport(TerminalWidget &w)
{
    QWidget *view = w.viewport();
    const QPoint at = view->mapTo(view->window(), QPoint(0, 0));
    return view->screen()
        ->grabWindow(view->window()->winId(), at.x(), at.y(), view->width(), view->height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// The area of the paint events a viewport receives.
struct PaintedArea : QObject {
    QRegion region;
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            region += static_cast<QPaintEvent *>(event)->region();
            ++paints;
        }
        return false;
    }
};

std::string firstDifference(const QImage &a, const QImage &b, int cellHeight)
{
    if (a.size() != b.size())
        return QStringLiteral("sizes %1x%2 and %3x%4").arg(a.width()).arg(a.height()).arg(b.width()).arg(b.height()).toStdString();
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                return QStringLiteral("pixel (%1, %2), row %3").arg(x).arg(y).arg(y / cellHeight).toStdString();
    return {};
}

class PartialPaint : public ::testing::TestWithParam<Scenario> {
protected:
    void TearDown() override { vesper::paintBudgetMs = kDefaultBudget; }
    // Runs the steps on a shown widget and on a fresh one, lets the shown
    // one finish painting, and compares its pixels with a full paint.
    void compareWithFullPaint(int waitPerStepMs, PaintedArea &last)
    {
        const Scenario &s = GetParam();
        auto shown = makeWidget(20, 6);
        auto fresh = makeWidget(20, 6);
        PaintedArea all;
        shown->viewport()->installEventFilter(&all);
        const auto fullPaint = [&fresh] {
            return fresh->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        };
        // Paints arrive on the window's update timer, and output that follows
        // a frame closely a frame later: wait until they stop.
        const auto waitForPaints = [&all] {
            for (int quiet = 0, attempts = 0; quiet < 3 && attempts < 200; ++attempts) {
                const int before = all.paints;
                QTest::qWait(10);
                quiet = all.paints == before ? quiet + 1 : 0;
            }
        };
        for (std::size_t i = 0; i < s.steps.size(); ++i) {
            if (i + 1 == s.steps.size())
                shown->viewport()->installEventFilter(&last);
            s.steps[i](*shown);
            s.steps[i](*fresh);
            if (waitPerStepMs > 0)
                QTest::qWait(waitPerStepMs);
            else if (i + 1 < s.steps.size())
                waitForPaints(); // each step's frame is painted before the next step
        }
        // The frame pacer's pause grows with what a frame costs (a loaded
        // machine, a sanitizer) and may outlast a quiet spell: the last step
        // waits until the window shows what a full paint does (or time runs
        // out), and then until paints stop.
        (void)QTest::qWaitFor([&] { return shownViewport(*shown) == fullPaint(); }, 5000); // compared below
        waitForPaints();
        const QImage expected = fullPaint();
        const QImage actual = shownViewport(*shown);
        EXPECT_EQ(firstDifference(actual, expected, shown->cellHeight()), "");
        if (qEnvironmentVariableIsSet("PARTIAL_PAINT_DUMP")) {
            actual.save(QStringLiteral("%1/%2-shown.png").arg(qEnvironmentVariable("PARTIAL_PAINT_DUMP"), s.name));
            expected.save(QStringLiteral("%1/%2-fresh.png").arg(qEnvironmentVariable("PARTIAL_PAINT_DUMP"), s.name));
        }
        lastViewport = shown->viewport()->rect();
    }
    const qint64 kDefaultBudget = vesper::paintBudgetMs;
    QRect lastViewport;
};

TEST_P(PartialPaint, ShowsWhatAFullPaintShows)
{
    PaintedArea last;
    compareWithFullPaint(0, last);
    const QRect all = lastViewport;
    const bool partial = !last.region.isEmpty() && last.region.boundingRect() != all
                         && !(QRegion(all) - last.region).isEmpty();
    if (GetParam().lastPaintPartial) {
        EXPECT_TRUE(partial) << "painted " << last.region.boundingRect().height() << " of " << all.height()
                             << " pixel lines";
    }
}

// With no paint budget every paint of the window stops after one row and the
// rest follows pass by pass, while the steps go on changing the screen under
// a half-painted frame; a grab still paints in full.
TEST_P(PartialPaint, ShowsWhatAFullPaintShowsWhenPaintedOneRowPerPass)
{
    vesper::paintBudgetMs = 0;
    PaintedArea last;
    compareWithFullPaint(6, last);
}

const std::string kFill = "\x1b[H\x1b[2J" + lines(0, 12);

const Scenario kScenarios[] = {
    {"ScrollByOneRow", {bytes(kFill), bytes(lines(12, 1))}, true},
    {"ScrollBySeveralRows", {bytes(kFill), bytes(lines(12, 3))}, true},
    {"ScrollByMoreRowsThanTheScreen", {bytes(kFill), bytes(lines(12, 9))}, false},
    {"ScrollTwiceBeforeOnePaint", {bytes(kFill), [](TerminalWidget &w) {
         w.feed(QByteArray::fromStdString(lines(12, 1)));
         w.feed(QByteArray::fromStdString(lines(13, 2)));
     }}, true},
    {"ScrollWithinMargins", {bytes(kFill), bytes("\x1b[2;4r\x1b[4;1H\nin margins\n\x1b[7mreverse\x1b[0m")}, true},
    {"ReverseIndexAtTheTop", {bytes(kFill), bytes("\x1b[H\x1bM\x1bMtop")}, false},
    {"InsertAndDeleteLines", {bytes(kFill), bytes("\x1b[3;1H\x1b[2Linserted\x1b[5;1H\x1b[M")}, false},
    {"CursorMovesAndWritesInPlace", {bytes(kFill), bytes("\x1b[2;5Hxy\x1b[5;1H\x1b[44mzz\x1b[0m")}, true},
    {"EraseDisplay", {bytes(kFill), bytes("\x1b[2J\x1b[3;3Hafter")}, false},
    {"CombiningMarkJoinsAPaintedCell", {bytes(kFill + "\r\ne"), bytes("\xcc\x81")}, true},
    {"WideCharactersOverwritten", {bytes(kFill + "\r\n\xe4\xb8\xad\xe6\x96\x87"), bytes("\x1b[3D ab")}, true},
    {"SelectionScrollsWithItsText", {bytes(kFill), selectRows(1, 3), bytes(lines(12, 2))}, true},
    {"SelectionChangesBetweenFeeds", {bytes(kFill), selectRows(1, 3), bytes(lines(12, 1)), selectRows(0, 1), bytes("x")}, false},
    {"SelectionClearedByAClick", {bytes(kFill), selectRows(2, 2), [](TerminalWidget &w) { w.clearSelection(); }}, false},
    {"ViewScrolledBackAndForward", {bytes(kFill + lines(12, 20)), scrollBarBy(-3), scrollBarBy(1)}, true},
    {"OutputReturnsTheViewToTheLiveScreen", {bytes(kFill + lines(12, 20)), scrollBarBy(-2), bytes(lines(40, 1))}, false},
    {"AlternateScreen", {bytes(kFill), bytes("\x1b[?1049h\x1b[H" + lines(50, 8)), bytes(lines(60, 1)), bytes("\x1b[?1049l")}, false},
    {"ScrollOnTheAlternateScreen", {bytes("\x1b[?1049h\x1b[H" + lines(50, 8)), bytes(lines(60, 1))}, false},
    {"ResizeBetweenFeeds", {bytes(kFill), resizeGrid(16, 5), bytes(lines(12, 2))}, false},
    {"PaletteChangeBetweenFeeds", {bytes(kFill), setPalette(), bytes(lines(12, 1))}, false},
    {"CursorHiddenAndShown", {bytes(kFill), bytes("\x1b[?25l" + lines(12, 1)), bytes("\x1b[?25h")}, false},
    // Glyphs the font engine has not drawn yet: a paint short of time draws
    // them ahead and leaves their rows for a later paint.
    {"ScreenOfNewIdeographs", {bytes(kFill), bytes(ideographs(0x4E00)), bytes(ideographs(0x5E00))}, false},
};

INSTANTIATE_TEST_SUITE_P(Scenarios, PartialPaint, ::testing::ValuesIn(kScenarios),
                         [](const ::testing::TestParamInfo<Scenario> &info) { return std::string(info.param.name); });

} // namespace

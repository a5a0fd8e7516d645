// TerminalWidget frame: the grid that follows the viewport, the scroll bar
// over the scrollback, key handling and view resets, the parser's replies and
// modes, feed (including a feed re-entered from a dataReady receiver) and the
// text accessors.
#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>

#include "core/screen.h"
#include "tests/widget/widget_test_support.h"

namespace {

using namespace widget_test;
using vesper::TerminalWidget;

QByteArray lines(int count)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes += "line " + QByteArray::number(i) + "\r\n";
    return bytes;
}

QList<QByteArray> sent(const QSignalSpy &spy)
{
    QList<QByteArray> out;
    for (const QList<QVariant> &args : spy)
        out << args.at(0).toByteArray();
    return out;
}

TEST(TerminalWidgetGrid, FollowsViewportAndClampsToOneCell)
{
    auto w = makeWidget(20, 5);
    EXPECT_EQ(w->columns(), 20);
    EXPECT_EQ(w->terminalRows(), 5);

    QSignalSpy resized(w.get(), &TerminalWidget::resized);
    // A few pixels more give no new cell: nothing is emitted.
    w->resize(20 * w->cellWidth() + w->cellWidth() / 2, 5 * w->cellHeight() + 1);
    QApplication::processEvents();
    EXPECT_EQ(resized.count(), 0);

    w->resize(30 * w->cellWidth(), 7 * w->cellHeight());
    QApplication::processEvents();
    ASSERT_EQ(resized.count(), 1);
    EXPECT_EQ(resized.at(0).at(0).toInt(), 30);
    EXPECT_EQ(resized.at(0).at(1).toInt(), 7);
    EXPECT_EQ(w->lineAt(w->firstLine()).size(), 30);

    w->resize(w->cellWidth() / 2, 0);
    QApplication::processEvents();
    EXPECT_EQ(w->columns(), 1);
    EXPECT_EQ(w->terminalRows(), 1);
}

// The largest size the toolkit allows gives the capped grid, not a grid the
// size of the window.  Run in a child process: an allocation failure thrown
// from the resize event aborts, and that must fail this test only.
TEST(TerminalWidgetGrid, LargestWidgetSizeStopsAtTheGridCap)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            auto w = makeWidget(20, 5);
            w->resize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
            QApplication::processEvents();
            w->feed(QByteArray("\x1b[9999;9999Hend"));
            const bool capped = w->columns() == vesper::kMaxGridColumns && w->terminalRows() == vesper::kMaxGridRows;
            std::_Exit(capped ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

// A new widget is sized to its viewport before it is shown; that must not
// leave blank scrollback, a scroll bar or a cursor pushed down the screen.
TEST(TerminalWidgetGrid, NewWidgetStartsAtTheTopWithoutScrollback)
{
    for (const auto &[columns, rows] : {std::pair{20, 5}, std::pair{60, 30}}) {
        auto w = makeWidget(columns, rows);
        EXPECT_EQ(w->scrollbackSize(), 0) << rows;
        EXPECT_FALSE(w->verticalScrollBar()->isVisible()) << rows;
        EXPECT_EQ(w->columns(), columns);
        EXPECT_EQ(w->terminalRows(), rows);
        feed(*w, "first");
        EXPECT_TRUE(screenRow(*w, 0).startsWith("first")) << rows;
    }
}

TEST(TerminalWidgetScrollBar, AppearsWithScrollbackAndNarrowsTheGrid)
{
    auto w = makeWidget(40, 24);
    QScrollBar *bar = w->verticalScrollBar();
    EXPECT_FALSE(bar->isVisible());
    QSignalSpy resized(w.get(), &TerminalWidget::resized);

    w->feed(lines(24 + 30 - 1));
    // The scroll area shows the bar on its next event-loop pass.
    QApplication::processEvents();
    EXPECT_EQ(w->scrollbackSize(), 30);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 30);
    EXPECT_EQ(bar->value(), 30);
    EXPECT_EQ(bar->pageStep(), 24);

    // The bar takes viewport width: the grid loses the covered columns and
    // announces the final size once, from the next pass of the event loop.
    const int expectedColumns = w->viewport()->width() / w->cellWidth();
    EXPECT_LT(expectedColumns, 40);
    EXPECT_EQ(w->columns(), expectedColumns);
    QApplication::processEvents();
    ASSERT_EQ(resized.count(), 1);
    EXPECT_EQ(resized.at(0).at(0).toInt(), expectedColumns);
    EXPECT_EQ(resized.at(0).at(1).toInt(), 24);
}

TEST(TerminalWidgetScrollBar, MovingTheBarMovesTheView)
{
    auto w = makeWidget(40, 10);
    w->feed(lines(40));
    const int top = w->viewTopLine();
    QScrollBar *bar = w->verticalScrollBar();
    bar->setValue(bar->maximum() - 3);
    EXPECT_EQ(w->viewTopLine(), top - 3);
    EXPECT_TRUE(w->screenText().startsWith(w->lineAt(top - 3)));

    // Output returns the view to the live screen and the bar to its end.
    w->feed("x");
    EXPECT_EQ(w->viewTopLine(), top);
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST(TerminalWidgetScrollBar, ShrunkScrollbackKeepsTheOldRangeUntilTheNextFeed)
{
    auto w = makeWidget(40, 10);
    w->feed(lines(40));
    const int before = w->verticalScrollBar()->maximum();
    w->setScrollbackSize(5);
    EXPECT_EQ(w->scrollbackSize(), 5);
    EXPECT_EQ(w->verticalScrollBar()->maximum(), before);
    w->feed("y");
    EXPECT_EQ(w->verticalScrollBar()->maximum(), 5);
}

TEST(TerminalWidgetKeys, ShiftPageUpAndDownScrollTheViewAndSendNothing)
{
    auto w = makeWidget(40, 10);
    QSignalSpy data(w.get(), &TerminalWidget::dataReady);

    // Nothing to scroll: nothing changes.
    const int start = w->viewTopLine();
    QTest::keyClick(w.get(), Qt::Key_PageUp, Qt::ShiftModifier);
    EXPECT_EQ(w->viewTopLine(), start);

    w->feed(lines(30));
    const int live = w->viewTopLine();
    QTest::keyClick(w.get(), Qt::Key_PageUp, Qt::ShiftModifier);
    EXPECT_EQ(w->viewTopLine(), live - 5);
    EXPECT_EQ(w->verticalScrollBar()->value(), w->verticalScrollBar()->maximum() - 5);
    QTest::keyClick(w.get(), Qt::Key_PageDown, Qt::ShiftModifier);
    EXPECT_EQ(w->viewTopLine(), live);
    EXPECT_EQ(data.count(), 0);
}

TEST(TerminalWidgetKeys, OneRowScreenScrollsOneLine)
{
    auto w = makeWidget(40, 1);
    w->feed(lines(3));
    const int live = w->viewTopLine();
    QTest::keyClick(w.get(), Qt::Key_PageUp, Qt::ShiftModifier);
    EXPECT_EQ(w->viewTopLine(), live - 1);
}

TEST(TerminalWidgetKeys, SendingKeyReturnsToLiveScreenFirst)
{
    auto w = makeWidget(40, 10);
    w->feed(lines(30));
    const int live = w->viewTopLine();
    QTest::keyClick(w.get(), Qt::Key_PageUp, Qt::ShiftModifier);

    // A lone modifier produces nothing and leaves the view alone.
    QTest::keyClick(w.get(), Qt::Key_Shift, Qt::ShiftModifier);
    EXPECT_EQ(w->viewTopLine(), live - 5);

    int topAtEmission = -1;
    QObject::connect(w.get(), &TerminalWidget::dataReady, w.get(), [&] { topAtEmission = w->viewTopLine(); });
    QTest::keyClick(w.get(), Qt::Key_A, Qt::NoModifier, 10);
    EXPECT_EQ(topAtEmission, live);
    EXPECT_EQ(w->verticalScrollBar()->value(), w->verticalScrollBar()->maximum());
}

TEST(TerminalWidgetModes, PrivateModesSteerKeysAndPaste)
{
    auto w = makeWidget(40, 10);
    QSignalSpy data(w.get(), &TerminalWidget::dataReady);

    QTest::keyClick(w.get(), Qt::Key_Up);
    feed(*w, "\x1b[1h");  // not private: ignored
    QTest::keyClick(w.get(), Qt::Key_Up);
    feed(*w, "\x1b[?1h");
    QTest::keyClick(w.get(), Qt::Key_Up);
    w->paste("p");
    feed(*w, "\x1b[?2004h");
    w->paste("p");
    feed(*w, "\x1b" "c");  // a full reset ends every mode: the program that asked is gone
    w->paste("p");
    QTest::keyClick(w.get(), Qt::Key_Up);
    feed(*w, "\x1b[?2004l\x1b[?1l");
    w->paste("p");
    QTest::keyClick(w.get(), Qt::Key_Up);

    const QList<QByteArray> expected = {"\x1b[A", "\x1b[A", "\x1bOA", "p", "\x1b[200~p\x1b[201~",
                                        "p",       "\x1b[A", "p",     "\x1b[A"};
    EXPECT_EQ(sent(data), expected);
}

TEST(TerminalWidgetFeed, DeviceAttributesReplyLeavesAsOneDataReady)
{
    auto w = makeWidget(40, 10);
    QSignalSpy data(w.get(), &TerminalWidget::dataReady);
    feed(*w, "\x1b[c");
    EXPECT_EQ(sent(data), QList<QByteArray>{"\x1b[?1;2c"});
    w->feed(QByteArray());
    EXPECT_EQ(data.count(), 1);
}

// Programs learn the widget's colours and cell size from the core.
TEST(TerminalWidgetFeed, ColourAndPixelReportsComeFromTheWidget)
{
    auto w = makeWidget(40, 10);
    vesper::Palette palette = w->terminalPalette();
    palette.set_background(QColor(0x10, 0x20, 0x30));
    palette.set_ansi(1, QColor(0xAB, 0xCD, 0xEF));
    w->setTerminalPalette(palette);
    QSignalSpy data(w.get(), &TerminalWidget::dataReady);
    feed(*w, "\x1b]11;?\x07\x1b]4;1;?\x1b\\\x1b[16t");
    const QByteArray cell = QByteArray("\x1b[6;") + QByteArray::number(w->cellHeight()) + ';' +
                            QByteArray::number(w->cellWidth()) + 't';
    EXPECT_EQ(sent(data).join(), QByteArray("\x1b]11;rgb:1010/2020/3030\x07\x1b]4;1;rgb:abab/cdcd/efef\x1b\\") + cell);
}

// A receiver that answers a reply synchronously feeds the widget from inside
// the parser; those bytes are parsed after the running feed's own, in order.
TEST(TerminalWidgetFeed, ReentrantFeedIsQueuedInOrder)
{
    auto w = makeWidget(40, 10);
    int answers = 0;
    QObject::connect(w.get(), &TerminalWidget::dataReady, w.get(), [&](const QByteArray &reply) {
        if (reply.startsWith("\x1b[?1;2c") && answers++ < 2)
            w->feed(answers == 1 ? QByteArray("X\x1b[c") : QByteArray("Y"));
    });
    w->feed("A\x1b[cB\x1b[31mC");
    EXPECT_EQ(answers, 2);
    EXPECT_TRUE(screenRow(*w, 0).startsWith("ABCXY")) << screenRow(*w, 0).toStdString();
    // The parser is back in its ground state: the next feed prints normally.
    w->feed("Z");
    EXPECT_TRUE(screenRow(*w, 0).startsWith("ABCXYZ")) << screenRow(*w, 0).toStdString();
}

TEST(TerminalWidgetFeed, ReentrantOutputSyncsTheScrollBar)
{
    auto w = makeWidget(40, 10);
    bool answered = false;
    QObject::connect(w.get(), &TerminalWidget::dataReady, w.get(), [&] {
        if (!answered) {
            answered = true;
            w->feed(lines(25));
        }
    });
    feed(*w, "\x1b[c");
    // 25 line feeds from the top row of a 10-row screen scroll 16 lines off.
    EXPECT_EQ(w->scrollbackSize(), 16);
    EXPECT_EQ(w->verticalScrollBar()->maximum(), 16);
    EXPECT_EQ(w->verticalScrollBar()->value(), 16);
}

// Output that costs more than one pass's time is parsed over several
// event-loop passes; readers see all of it at once, bytes fed meanwhile keep
// their place behind it, and the replies and the scroll bar follow.
TEST(TerminalWidgetFeed, OutputLongerThanOnePassKeepsItsOrder)
{
    auto w = makeWidget(40, 10);
    QSignalSpy data(w.get(), &TerminalWidget::dataReady);
    QByteArray storm;
    for (int i = 0; i < 20000; ++i)
        storm += "\x1b[2J\x1b[Hx\x1b[399b\x1b[5n";
    w->feed(storm);
    w->feed("\x1b[2J\x1b[H" + lines(25) + "end");
    EXPECT_EQ(screenRow(*w, 9).trimmed(), "end");
    EXPECT_EQ(w->scrollbackSize(), 16);
    ASSERT_TRUE(QTest::qWaitFor([&] { return data.count() >= 20000; }, 20000));
    // The bar follows from the event loop once the last pass has run.
    EXPECT_TRUE(QTest::qWaitFor([&] { return w->verticalScrollBar()->maximum() == 16; }, 5000))
        << w->verticalScrollBar()->maximum();
}

TEST(TerminalWidgetText, ScreenAndSessionText)
{
    auto w = makeWidget(6, 3);
    feed(*w, "one\r\ntwo\r\nthree\r\nfour");
    // The bar appeared: the grid may have narrowed, so compare trimmed rows.
    const QStringList screen = w->screenText().split('\n');
    ASSERT_EQ(screen.size(), 3);
    EXPECT_EQ(screen[0].trimmed(), "two");
    EXPECT_EQ(screen[2].trimmed(), "four");
    const QStringList session = w->sessionText().split('\n');
    ASSERT_EQ(session.size(), 4);
    EXPECT_EQ(session[0].trimmed(), "one");

    QTest::keyClick(w.get(), Qt::Key_PageUp, Qt::ShiftModifier);
    EXPECT_EQ(w->screenText().split('\n')[0].trimmed(), "one");
    EXPECT_EQ(w->sessionText().split('\n'), session);
}

} // namespace

namespace {

TEST(TerminalWidgetLayout, SizeHintsAndScrollbackLimit)
{
    auto w = widget_test::makeWidget(20, 5);
    const int bar = w->verticalScrollBar()->sizeHint().width();
    EXPECT_EQ(w->sizeHint(), QSize(80 * w->cellWidth() + bar, 24 * w->cellHeight()));
    w->setFrameStyle(QFrame::Box | QFrame::Plain);
    w->setLineWidth(3);
    EXPECT_EQ(w->sizeHint(), QSize(80 * w->cellWidth() + bar + 6, 24 * w->cellHeight() + 6));
    const QSize least = w->minimumSizeHint();
    EXPECT_GE(least.width(), 2 * w->cellWidth());
    EXPECT_LE(least.width(), 10 * w->cellWidth() + bar + 6);
    EXPECT_GE(least.height(), w->cellHeight());
    EXPECT_LE(least.height(), 5 * w->cellHeight() + 6);
    // A larger font asks for more room.
    QFont big = w->terminalFont();
    big.setPixelSize(28);
    w->setTerminalFont(big);
    EXPECT_EQ(w->sizeHint().height(), 24 * w->cellHeight() + 6);

    // The limit reads back as set; the size stays the lines held.
    EXPECT_EQ(w->scrollbackLimit(), 5000);
    w->setScrollbackSize(7);
    EXPECT_EQ(w->scrollbackLimit(), 7);
    EXPECT_EQ(w->scrollbackSize(), 0);
    w->setScrollbackSize(-3);
    EXPECT_EQ(w->scrollbackLimit(), -1);
}

} // namespace

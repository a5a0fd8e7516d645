// The cursor's styles on grabbed pixels (block, underline, bar, and the
// outline of every style while unfocused), the host's style and the signal,
// blinking (hides, comes back solid on keys and output, no timer while
// unfocused or hidden), and input methods (commits are typed, the preedit is
// shown and not sent, the queries).
#include <QInputMethodEvent>
#include <QTimer>

#include <gtest/gtest.h>

#include "tests/widget/widget_test_support.h"

namespace {

using namespace widget_test;
using vesper::Palette;
using vesper::TerminalWidget;

const QColor kCursor = QColor(0, 200, 0);

struct CursorFixture : ::testing::Test {
    void SetUp() override
    {
        w = makeWidget(20, 4);
        Palette p;
        p.set_cursor(kCursor);
        w->setTerminalPalette(p);
        feed(*w, "\x1b[2;3H");
    }
    void focus()
    {
        w->activateWindow();
        w->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([&] { return w->hasFocus(); }));
    }
    QImage cursorCell() { return grabViewport(*w).copy(cellRect(*w, 2, 1)); }
    int cursorPixels() { return countColor(cursorCell(), cursorCell().rect(), kCursor); }
    QTimer *blinkTimer() { return w->findChild<QTimer *>(QStringLiteral("cursorBlinkTimer")); }
    bool blinking()
    {
        QTimer *t = blinkTimer();
        return t && t->isActive();
    }
    std::unique_ptr<TerminalWidget> w;
};

TEST_F(CursorFixture, StylesHaveTheirShapes)
{
    focus();
    QSignalSpy changes(w.get(), &TerminalWidget::cursorStyleChanged);
    EXPECT_EQ(w->cursorStyle(), TerminalWidget::SteadyBlock);
    const int area = w->cellWidth() * w->cellHeight();
    EXPECT_EQ(cursorPixels(), area);

    w->setCursorStyle(TerminalWidget::SteadyUnderline);
    EXPECT_EQ(w->cursorStyle(), TerminalWidget::SteadyUnderline);
    QImage cell = cursorCell();
    const int last = cell.height() - 1;
    EXPECT_EQ(countColor(cell, QRect(0, last, cell.width(), 1), kCursor), cell.width()) << "bottom row";
    EXPECT_EQ(countColor(cell, QRect(0, 0, cell.width(), last / 2), kCursor), 0) << "upper half";

    w->setCursorStyle(TerminalWidget::SteadyBar);
    cell = cursorCell();
    EXPECT_EQ(countColor(cell, QRect(0, 0, 1, cell.height()), kCursor), cell.height()) << "left column";
    EXPECT_EQ(countColor(cell, QRect(cell.width() / 2, 0, cell.width() / 2, cell.height()), kCursor), 0);
    w->setCursorStyle(TerminalWidget::SteadyBar);

    ASSERT_EQ(changes.count(), 2) << "a signal per change, none for the same style";
    EXPECT_EQ(changes.at(1).at(0).value<TerminalWidget::CursorStyle>(), TerminalWidget::SteadyBar);

    // Unfocused, every style is a hollow block.
    w->clearFocus();
    cell = cursorCell();
    EXPECT_EQ(QColor(cell.pixel(cell.width() - 1, 0)), kCursor);
    EXPECT_EQ(QColor(cell.pixel(cell.width() - 1, last)), kCursor);
    EXPECT_EQ(QColor(cell.pixel(cell.width() / 2, last / 2)), QColor(Palette().background()));
}

TEST_F(CursorFixture, BlinkingHidesAndComesBackOnKeysAndOutput)
{
    focus();
    EXPECT_FALSE(blinking()) << "steady styles need no timer";
    w->setCursorStyle(TerminalWidget::BlinkingBar);
    ASSERT_TRUE(blinking());
    ASSERT_TRUE(QTest::qWaitFor([&] { return cursorPixels() == 0; }, 5000)) << "the blink hides the cursor";
    QTest::keyClick(w.get(), Qt::Key_A);
    EXPECT_GT(cursorPixels(), 0) << "a key press shows it at once";
    ASSERT_TRUE(QTest::qWaitFor([&] { return cursorPixels() == 0; }, 5000));
    feed(*w, "\x1b[2;3H");
    EXPECT_GT(cursorPixels(), 0) << "output shows it at once";

    w->clearFocus();
    EXPECT_FALSE(blinking()) << "no timer while unfocused";
    focus();
    EXPECT_TRUE(blinking());
    feed(*w, "\x1b[?25l");
    EXPECT_FALSE(blinking()) << "no timer for a hidden cursor";
    feed(*w, "\x1b[?25h");
    EXPECT_TRUE(blinking());
    w->hide();
    EXPECT_FALSE(blinking()) << "no timer while hidden";
}

// ?12 turns the style's blinking over (xterm's cursorBlinkXOR): a steady
// style blinks, a blinking one stands; DECSTR and RIS end it.
TEST_F(CursorFixture, BlinkModeTurnsTheStylesBlinkingOver)
{
    focus();
    feed(*w, "\x1b[?12h");
    EXPECT_TRUE(blinking()) << "the host's steady block blinks";
    feed(*w, "\x1b[?12l");
    EXPECT_FALSE(blinking());
    feed(*w, "\x1b[1 q\x1b[?12h");
    EXPECT_FALSE(blinking()) << "a blinking block stands";
    feed(*w, "\x1b[2 q");
    EXPECT_TRUE(blinking());
    feed(*w, "\x1b" "c");
    EXPECT_FALSE(blinking()) << "RIS";
}

TEST_F(CursorFixture, InputMethodCommitsAreTypedAndPreeditIsOnlyShown)
{
    focus();
    EXPECT_TRUE(w->testAttribute(Qt::WA_InputMethodEnabled));
    QSignalSpy data(w.get(), &TerminalWidget::dataReady);

    QInputMethodEvent preedit(QStringLiteral("\u306b\u307b"), {});
    QApplication::sendEvent(w.get(), &preedit);
    EXPECT_EQ(data.count(), 0) << "a preedit is not typed";
    const QImage shown = grabViewport(*w);
    const QRect preeditArea = cellRect(*w, 2, 1, 4);
    EXPECT_GT(countColor(shown, preeditArea, Palette().foreground()), w->cellWidth()) << "preedit text and underline";

    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("\u65e5\u672c"));
    QApplication::sendEvent(w.get(), &commit);
    ASSERT_EQ(data.count(), 1);
    EXPECT_EQ(data.at(0).at(0).toByteArray(), QByteArray("\xe6\x97\xa5\xe6\x9c\xac"));
    EXPECT_EQ(countColor(grabViewport(*w), preeditArea, Palette().foreground()), 0) << "the preedit is gone";

    EXPECT_TRUE(w->inputMethodQuery(Qt::ImEnabled).toBool());
    EXPECT_EQ(w->inputMethodQuery(Qt::ImFont).value<QFont>().family(), w->terminalFont().family());
    const QRect rect = w->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    EXPECT_EQ(rect, cellRect(*w, 2, 1).translated(w->viewport()->pos()));
    feed(*w, "\x1b[4;7H");
    EXPECT_EQ(w->inputMethodQuery(Qt::ImCursorRectangle).toRect(), cellRect(*w, 6, 3).translated(w->viewport()->pos()));
}

// A composition of a million characters is kept only in part and drawn only
// as far as the row has room, elided, so it cannot stall each paint.
TEST_F(CursorFixture, AHugePreeditIsBoundedAndDrawnOnlyWhereItFits)
{
    focus();
    feed(*w, "\x1b[2;3H");
    QInputMethodEvent preedit(QString(1 << 20, QChar(0x65e5)), {});
    QApplication::sendEvent(w.get(), &preedit);
    EXPECT_EQ(w->inputMethodQuery(Qt::ImCursorPosition).toInt(), 64 << 10);
    const QImage shown = grabViewport(*w);
    EXPECT_GT(countColor(shown, cellRect(*w, 2, 1, 4), Palette().foreground()), 0);
    EXPECT_EQ(countColor(shown, QRect(0, 2 * w->cellHeight(), shown.width(), shown.height()), Palette().foreground()), 0)
        << "nothing below the cursor row";
}

} // namespace

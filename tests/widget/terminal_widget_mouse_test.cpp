// Mouse, wheel and focus reports through the widget's own event handlers:
// clicks, drags and motion in each tracking mode, Shift keeping the mouse for
// local selection, clamping to the grid, the wheel as reports, as cursor keys
// on the alternate screen or as scrollback scrolling, high-resolution wheel
// steps, and focus reports.
#include <QMouseEvent>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include "tests/widget/widget_test_support.h"

namespace {

using namespace widget_test;
using vesper::TerminalWidget;

struct MouseFixture : ::testing::Test {
    void SetUp() override
    {
        w = makeWidget(20, 5);
        data = std::make_unique<QSignalSpy>(w.get(), &TerminalWidget::dataReady);
    }
    QWidget *vp() { return w->viewport(); }
    void mouse(QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QMouseEvent event(type, QPointF(pos), QPointF(vp()->mapToGlobal(pos)), button, buttons, mods);
        QApplication::sendEvent(vp(), &event);
    }
    void press(int column, int row, Qt::MouseButton b = Qt::LeftButton, Qt::KeyboardModifiers mods = {})
    {
        mouse(QEvent::MouseButtonPress, cellCenter(*w, column, row), b, b, mods);
    }
    void release(int column, int row, Qt::MouseButton b = Qt::LeftButton, Qt::KeyboardModifiers mods = {})
    {
        mouse(QEvent::MouseButtonRelease, cellCenter(*w, column, row), b, Qt::NoButton, mods);
    }
    void move(QPoint pos, Qt::MouseButtons held = Qt::NoButton, Qt::KeyboardModifiers mods = {})
    {
        mouse(QEvent::MouseMove, pos, Qt::NoButton, held, mods);
    }
    void wheel(int angle, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        const QPoint pos = cellCenter(*w, 2, 1);
        QWheelEvent event(QPointF(pos), QPointF(vp()->mapToGlobal(pos)), QPoint(), QPoint(0, angle), Qt::NoButton,
                          mods, Qt::NoScrollPhase, false);
        QApplication::sendEvent(vp(), &event);
    }
    // Everything emitted since the last call, concatenated.
    QByteArray sent()
    {
        QByteArray all;
        for (const QList<QVariant> &args : *data)
            all += args.at(0).toByteArray();
        data->clear();
        return all;
    }
    std::unique_ptr<TerminalWidget> w;
    std::unique_ptr<QSignalSpy> data;
};

TEST_F(MouseFixture, NoModeMeansLocalSelectionAndNoBytes)
{
    feed(*w, "hello world");
    press(0, 0);
    move(cellCenter(*w, 4, 0), Qt::LeftButton);
    release(4, 0);
    EXPECT_EQ(sent(), QByteArray());
    EXPECT_TRUE(w->hasSelection());
}

TEST_F(MouseFixture, TrackingModesReportTheirGestures)
{
    struct Case {
        const char *modes;
        QByteArray expected;
    };
    // Each case: press left at (3,1), drag within the cell, drag to (5,2),
    // release there, then move without buttons to (7,3) and (7,3) again.
    const Case cases[] = {
        {"\x1b[?1000h\x1b[?1006h", "\x1b[<0;4;2M\x1b[<0;6;3m"},
        {"\x1b[?9h\x1b[?1006h", "\x1b[<0;4;2M"},
        {"\x1b[?1002h\x1b[?1006h", "\x1b[<0;4;2M\x1b[<32;6;3M\x1b[<0;6;3m"},
        {"\x1b[?1003h\x1b[?1006h", "\x1b[<0;4;2M\x1b[<32;6;3M\x1b[<0;6;3m\x1b[<35;8;4M"},
        {"\x1b[?1000h", "\x1b[M $\"\x1b[M#&#"},
        {"\x1b[?1000h\x1b[?1015h", "\x1b[32;4;2M\x1b[35;6;3M"},
        {"\x1b[?1003h\x1b[?1003l", ""},
    };
    for (const Case &c : cases) {
        feed(*w, "\x1b[?9l\x1b[?1000l\x1b[?1002l\x1b[?1003l\x1b[?1006l\x1b[?1015l");
        feed(*w, c.modes);
        w->clearSelection();
        sent();
        press(3, 1);
        move(cellCenter(*w, 3, 1) + QPoint(1, 1), Qt::LeftButton);
        move(cellCenter(*w, 5, 2), Qt::LeftButton);
        release(5, 2);
        move(cellCenter(*w, 7, 3));
        move(cellCenter(*w, 7, 3) + QPoint(1, 0));
        EXPECT_EQ(sent(), c.expected) << c.modes;
        EXPECT_EQ(w->hasSelection(), QByteArray(c.modes) == "\x1b[?1003h\x1b[?1003l") << c.modes;
    }
}

// The press decides whose a gesture is: Shift let go (or pressed) before
// the button is up does not hand the rest of the gesture to the other side.
TEST_F(MouseFixture, AGestureStaysWithWhoeverGotItsPress)
{
    feed(*w, "hello world\x1b[?1002h\x1b[?1006h");
    press(0, 0, Qt::LeftButton, Qt::ShiftModifier);
    move(cellCenter(*w, 4, 0), Qt::LeftButton);
    release(4, 0);
    EXPECT_EQ(sent(), QByteArray()) << "no motion or release without a reported press";
    EXPECT_EQ(w->selectedText(), "hell");

    press(1, 1);
    move(cellCenter(*w, 2, 1), Qt::LeftButton, Qt::ShiftModifier);
    release(2, 1, Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(sent(), QByteArray("\x1b[<0;2;2M\x1b[<36;3;2M\x1b[<4;3;2m"));
}

// Wheel reports queue behind a paste still being sent, as keys do.
TEST_F(MouseFixture, WheelReportsWaitBehindAPaste)
{
    feed(*w, "\x1b[?1000h\x1b[?1006h");
    const QString text(3 << 18, QLatin1Char('p'));
    w->paste(text);
    wheel(240);
    ASSERT_TRUE(QTest::qWaitFor([&] { return data->size() >= 4; }));
    const QByteArray all = sent();
    EXPECT_EQ(all.size(), text.size() + 2 * 10);
    EXPECT_TRUE(all.endsWith("\x1b[<64;3;2M\x1b[<64;3;2M"));
}

TEST_F(MouseFixture, ButtonsModifiersAndClamping)
{
    feed(*w, "\x1b[?1000h\x1b[?1006h");
    press(1, 0, Qt::RightButton, Qt::ControlModifier);
    release(1, 0, Qt::RightButton, Qt::ControlModifier);
    press(2, 0, Qt::MiddleButton, Qt::AltModifier);
    release(2, 0, Qt::MiddleButton, Qt::AltModifier);
    EXPECT_EQ(sent(), QByteArray("\x1b[<18;2;1M\x1b[<18;2;1m\x1b[<9;3;1M\x1b[<9;3;1m"));

    // A drag that leaves the viewport reports the nearest cell of the grid.
    feed(*w, "\x1b[?1002h");
    press(0, 0);
    move(QPoint(-30, 10 * w->height()), Qt::LeftButton);
    move(QPoint(10 * w->width(), -30), Qt::LeftButton);
    EXPECT_EQ(sent(), QByteArray("\x1b[<0;1;1M\x1b[<32;1;5M\x1b[<32;20;1M"));
    release(19, 0);
    sent();

    // Shift keeps the mouse for local selection.
    feed(*w, "shifted text");
    press(0, 0, Qt::LeftButton, Qt::ShiftModifier);
    move(cellCenter(*w, 6, 0), Qt::LeftButton, Qt::ShiftModifier);
    release(6, 0, Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(sent(), QByteArray());
    EXPECT_EQ(w->selectedText(), "shifte");
}

TEST_F(MouseFixture, DoubleClickIsASecondPressForThePrograms)
{
    feed(*w, "word\x1b[?1000h\x1b[?1006h");
    const QPoint at = cellCenter(*w, 1, 0);
    mouse(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    mouse(QEvent::MouseButtonDblClick, at, Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(sent(), QByteArray("\x1b[<0;2;1M\x1b[<0;2;1m\x1b[<0;2;1M\x1b[<0;2;1m"));
    EXPECT_FALSE(w->hasSelection());
}

TEST_F(MouseFixture, WheelReportsKeysOrScrollback)
{
    // Scrollback when no program asked for anything.
    for (int i = 0; i < 30; ++i)
        feed(*w, "line\r\n");
    const int live = w->viewTopLine();
    wheel(120);
    EXPECT_LT(w->viewTopLine(), live);
    EXPECT_EQ(sent(), QByteArray());
    wheel(-120);
    EXPECT_EQ(w->viewTopLine(), live);

    // The alternate screen gets three cursor keys per step, in the cursor-key mode.
    feed(*w, "\x1b[?1049h");
    wheel(120);
    wheel(-240);
    EXPECT_EQ(sent(), QByteArray("\x1b[A\x1b[A\x1b[A") + QByteArray("\x1b[B").repeated(6));
    feed(*w, "\x1b[?1h");
    wheel(-120);
    EXPECT_EQ(sent(), QByteArray("\x1bOB\x1bOB\x1bOB"));
    // Fractions of a step add up to whole steps.
    wheel(50);
    wheel(50);
    EXPECT_EQ(sent(), QByteArray());
    wheel(20);
    EXPECT_EQ(sent(), QByteArray("\x1bOA\x1bOA\x1bOA"));

    // Mode 1007 off: the alternate screen's wheel does what it does elsewhere.
    feed(*w, "\x1b[?1007l");
    wheel(120);
    EXPECT_EQ(sent(), QByteArray());
    feed(*w, "\x1b[?1007h");

    // Mouse reporting takes the wheel, on either screen.
    feed(*w, "\x1b[?1000h\x1b[?1006h");
    wheel(120);
    wheel(-120, Qt::ControlModifier);
    EXPECT_EQ(sent(), QByteArray("\x1b[<64;3;2M\x1b[<81;3;2M"));
    feed(*w, "\x1b[?1049l");
    wheel(240);
    EXPECT_EQ(sent(), QByteArray("\x1b[<64;3;2M\x1b[<64;3;2M"));
    EXPECT_EQ(w->viewTopLine(), live);
}

TEST_F(MouseFixture, FocusReports)
{
    w->activateWindow();
    w->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->hasFocus(); }));
    w->clearFocus();
    w->setFocus();
    EXPECT_EQ(sent(), QByteArray()) << "nothing until the program asks";
    feed(*w, "\x1b[?1004h");
    w->clearFocus();
    w->setFocus();
    feed(*w, "\x1b[?1004l");
    w->clearFocus();
    w->setFocus();
    EXPECT_EQ(sent(), QByteArray("\x1b[O\x1b[I"));
}

TEST_F(MouseFixture, FullResetReturnsTheMouseAndFocusToTheUser)
{
    // A program that crashed with reporting on, then `reset`: clicks select
    // again and focus changes send nothing.
    w->activateWindow();
    w->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->hasFocus(); }));
    feed(*w, "hello world\x1b[?1000;1006;1004h\x1b" "c" "hello world");
    press(0, 0);
    move(cellCenter(*w, 4, 0), Qt::LeftButton);
    release(4, 0);
    w->clearFocus();
    w->setFocus();
    EXPECT_EQ(sent(), QByteArray());
    EXPECT_TRUE(w->hasSelection());
}

} // namespace

// Selection by mouse and by API, the selectionChanged emissions of each
// gesture, word and line selection, auto-scroll while dragging, the
// clipboard shortcuts, send and paste.
#include <QClipboard>

#include <gtest/gtest.h>

#include "tests/widget/widget_test_support.h"

namespace {

using namespace widget_test;
using vesper::TerminalWidget;

QList<bool> emitted(const QSignalSpy &spy)
{
    QList<bool> out;
    for (const QList<QVariant> &args : spy)
        out << args.at(0).toBool();
    return out;
}

struct SelectionFixture : ::testing::Test {
    void SetUp() override
    {
        w = makeWidget(20, 5);
        changes = std::make_unique<QSignalSpy>(w.get(), &TerminalWidget::selectionChanged);
        data = std::make_unique<QSignalSpy>(w.get(), &TerminalWidget::dataReady);
    }
    QWidget *vp() { return w->viewport(); }
    void press(int column, int row, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QTest::mousePress(vp(), Qt::LeftButton, mods, cellCenter(*w, column, row));
    }
    void moveTo(QPoint p) { QTest::mouseMove(vp(), p); }
    void release(QPoint p) { QTest::mouseRelease(vp(), Qt::LeftButton, Qt::NoModifier, p); }
    // Waits out the double-click interval so the next press is a new click.
    void newClick() { QTest::qWait(QApplication::doubleClickInterval() + 20); }

    std::unique_ptr<TerminalWidget> w;
    std::unique_ptr<QSignalSpy> changes;
    std::unique_ptr<QSignalSpy> data;
};

TEST_F(SelectionFixture, DragSelectsHalfOpenColumnRange)
{
    feed(*w, "0123456789abcdefghij");
    press(4, 0);
    moveTo(cellCenter(*w, 7, 0));
    moveTo(cellCenter(*w, 9, 0));
    release(cellCenter(*w, 9, 0));
    EXPECT_TRUE(w->hasSelection());
    EXPECT_EQ(w->selectedText(), "45678");
    EXPECT_EQ(emitted(*changes), (QList<bool>{false, true, true, true}));
}

TEST_F(SelectionFixture, ClickWithoutDragSelectsNothing)
{
    press(3, 1);
    release(cellCenter(*w, 3, 1));
    EXPECT_FALSE(w->hasSelection());
    EXPECT_EQ(emitted(*changes), QList<bool>{false});
}

TEST_F(SelectionFixture, DragBackToTheStartClearsTheSelection)
{
    feed(*w, "hello world");
    press(2, 0);
    moveTo(cellCenter(*w, 6, 0));
    moveTo(cellCenter(*w, 2, 0));
    release(cellCenter(*w, 2, 0));
    EXPECT_FALSE(w->hasSelection());
    EXPECT_EQ(emitted(*changes), (QList<bool>{false, true, false, false}));
    w->clearSelection(); // already cleared: no emission
    EXPECT_EQ(changes->count(), 4);
}

TEST_F(SelectionFixture, DragPastTheLastColumnReachesTheLineEnd)
{
    feed(*w, "abcdefghijklmnopqrst");
    press(17, 0);
    const QPoint outside(w->viewport()->width() + 5, cellCenter(*w, 0, 0).y());
    moveTo(outside);
    release(outside);
    EXPECT_EQ(w->selectedText(), "rst");
}

TEST_F(SelectionFixture, ShiftClickExtendsWithoutSignal)
{
    feed(*w, "abcdefghij");
    w->setSelection(w->viewTopLine(), 1, w->viewTopLine(), 3);
    changes->clear();
    press(6, 0, Qt::ShiftModifier);
    EXPECT_EQ(changes->count(), 0);
    release(cellCenter(*w, 6, 0));
    EXPECT_EQ(w->selectedText(), "bcdef");
    EXPECT_EQ(emitted(*changes), QList<bool>{true});
}

TEST_F(SelectionFixture, DoubleClickSelectsWords)
{
    struct Case {
        const char *line;
        int column;
        const char *expected;
    };
    const Case cases[] = {
        {"cat path/to/file.txt now", 8, "path/to/file.txt"},
        {"a|b", 0, "a"},
        {"a|b", 1, "|"},
        {"(x)", 1, "x"},
        // Paths, addresses and URLs are words; quotes, brackets and shell
        // punctuation end them.
        {"<https://e.org/a?b=1&c=2#x,y>", 3, "https://e.org/a?b=1&c=2#x,y"},
        {"'hello'", 2, "hello"},
        {"foo; bar", 1, "foo"},
        {"$HOME!*x", 2, "HOME"},
        {"<x:-._y> z", 2, "x:-._y"},
        {"x  y", 1, ""}, // a space selects its one cell, whose text trims to nothing
        {"r\xc3\xa9sum\xc3\xa9 ok", 2, "r\xc3\xa9sum\xc3\xa9"},
    };
    for (const Case &c : cases) {
        feed(*w, "\x1b[2J\x1b[H");
        feed(*w, c.line);
        newClick();
        changes->clear();
        QTest::mouseDClick(vp(), Qt::LeftButton, Qt::NoModifier, cellCenter(*w, c.column, 0));
        EXPECT_EQ(w->selectedText().toStdString(), c.expected) << c.line;
        EXPECT_EQ(changes->isEmpty() ? false : changes->last().at(0).toBool(), true) << c.line;
    }
}

TEST_F(SelectionFixture, DoubleClickStopsAtAWideCharacter)
{
    // ab, a wide character, cd: the wide character's continuation ends words.
    feed(*w, "ab\xe4\xb8\xad" "cd");
    QTest::mouseDClick(vp(), Qt::LeftButton, Qt::NoModifier, cellCenter(*w, 0, 0));
    EXPECT_EQ(w->selectedText(), QString::fromUtf8("ab\xe4\xb8\xad"));
    newClick();
    QTest::mouseDClick(vp(), Qt::LeftButton, Qt::NoModifier, cellCenter(*w, 4, 0));
    EXPECT_EQ(w->selectedText(), "cd");
}

TEST_F(SelectionFixture, DoubleClickTakesAWordTheMarginBroke)
{
    // The fixture's rows are 20 cells wide: the URL runs over three rows.
    feed(*w, "see https://example.org/a/long/path/x.html now");
    for (const QPoint cell : {QPoint(5, 0), QPoint(5, 1), QPoint(1, 2)}) {
        newClick();
        QTest::mouseDClick(vp(), Qt::LeftButton, Qt::NoModifier, cellCenter(*w, cell.x(), cell.y()));
        EXPECT_EQ(w->selectedText(), "https://example.org/a/long/path/x.html") << cell.y();
    }
    // A line feed ends the word.
    feed(*w, "\x1b[2J\x1b[Habc\r\ndef");
    newClick();
    QTest::mouseDClick(vp(), Qt::LeftButton, Qt::NoModifier, cellCenter(*w, 1, 1));
    EXPECT_EQ(w->selectedText(), "def");
}

TEST_F(SelectionFixture, WordCharactersCanBeChanged)
{
    w->setWordCharacters(QStringLiteral("'"));
    EXPECT_EQ(w->wordCharacters(), "'");
    feed(*w, "it's a/b");
    QTest::mouseDClick(vp(), Qt::LeftButton, Qt::NoModifier, cellCenter(*w, 1, 0));
    EXPECT_EQ(w->selectedText(), "it's");
    newClick();
    QTest::mouseDClick(vp(), Qt::LeftButton, Qt::NoModifier, cellCenter(*w, 5, 0));
    EXPECT_EQ(w->selectedText(), "a");
}

// The whole logical line, across the soft wraps of its rows.
TEST_F(SelectionFixture, TripleClickSelectsTheLine)
{
    feed(*w, "first\r\nsecond line   \r\n0123456789abcdefghijKLMNOPQRSTUVWXYZ++\r\nlast");
    for (const QPoint cell : {QPoint(2, 1), QPoint(4, 3), QPoint(0, 4), QPoint(15, 2)}) {
        newClick();
        QTest::mouseDClick(vp(), Qt::LeftButton, Qt::NoModifier, cellCenter(*w, cell.x(), cell.y()));
        press(cell.x(), cell.y());
        const char *expected = cell.y() == 1 ? "second line" : cell.y() == 4 ? "last" : "0123456789abcdefghijKLMNOPQRSTUVWXYZ++";
        EXPECT_EQ(w->selectedText(), expected) << cell.y();
        EXPECT_EQ(changes->last().at(0).toBool(), true);
    }
}

// As in xterm, output that erases or overwrites a selected cell ends the
// selection; output elsewhere, and scrolling, leave it on its text.
TEST_F(SelectionFixture, SelectionGoesWhenItsTextIsOverwritten)
{
    struct Case {
        const char *bytes;
        bool kept;
    };
    const Case cases[] = {
        {"\x1b[2J", false},         {"\x1b[1;1H\x1b[K", false},    {"\x1b[1;3Hxy", false},
        {"\x1b[1;2H\x1b[2P", false}, {"\x1b[1;1H\x1b[L", false},    {"\x1b[1;4H\x1b[X", false},
        {"\x1b[2;6Hxy", true},      {"\x1b[3;1Hmore\r\n", true}, {"\x1b[5;1H\n\n\n\n\n\n\n", true},
        {"\x1b[?1049h", false},
    };
    for (const Case &c : cases) {
        feed(*w, "\x1b[?1049l\x1b[2J\x1b[Hkeep this\r\nnext");
        const int top = w->endLine() - w->terminalRows();
        w->setSelection(top, 0, top + 1, 2);
        changes->clear();
        feed(*w, c.bytes);
        EXPECT_EQ(w->hasSelection(), c.kept) << c.bytes;
        EXPECT_EQ(w->selectedText(), c.kept ? "keep this\nne" : "") << c.bytes;
        EXPECT_EQ(emitted(*changes), c.kept ? QList<bool>{} : QList<bool>{false}) << c.bytes;
    }
}

TEST_F(SelectionFixture, ApiSelectionsAndTheirSignals)
{
    feed(*w, "0123456789\r\nabc");
    const int top = w->viewTopLine();
    w->setSelection(top, 7, top, 2);
    EXPECT_EQ(w->selectedText(), "23456");
    w->setSelection(top, 3, top, 3);
    EXPECT_FALSE(w->hasSelection());
    EXPECT_EQ(w->selectedText(), "");
    w->selectAll();
    EXPECT_EQ(w->selectedText(), "0123456789\nabc\n\n\n");
    w->clearSelection();
    w->clearSelection();
    EXPECT_EQ(emitted(*changes), (QList<bool>{true, false, true, false}));
}

TEST_F(SelectionFixture, SelectionStaysOnItsTextWhileOutputScrolls)
{
    feed(*w, "keep me\r\n");
    const int line = w->viewTopLine();
    w->setSelection(line, 0, line, 4);
    for (int i = 0; i < 12; ++i)
        feed(*w, "more\r\n");
    EXPECT_EQ(w->selectedText(), "keep");
}

// Scrolling 2^30 blank lines makes the core lower every line number to keep
// them far from overflow; the selection is lowered with them, so it does not
// land on the lines that now carry its old numbers.
TEST_F(SelectionFixture, SelectionFollowsTheCoresRenumbering)
{
    const int oldFirst = w->firstLine();
    w->setSelection(oldFirst, 0, oldFirst + 1, 20);
    feed(*w, "\x1b[1073741824S");
    ASSERT_LT(w->firstLine(), oldFirst + 1000) << "the core renumbered its lines";
    ASSERT_GT(w->endLine(), oldFirst + 2);

    // Show the lines that now carry the selection's old numbers.
    QScrollBar *bar = w->verticalScrollBar();
    bar->setValue(oldFirst - w->firstLine());
    ASSERT_EQ(w->viewTopLine(), oldFirst);
    const QImage image = grabViewport(*w);
    const QRect rows(0, 0, 20 * w->cellWidth(), 2 * w->cellHeight());
    EXPECT_EQ(countColor(image, rows, w->terminalPalette().background()), rows.width() * rows.height())
        << "no selection overlay on lines that merely reuse the old numbers";
    EXPECT_FALSE(w->hasSelection()) << "its lines left the store";
    EXPECT_EQ(emitted(*changes).last(), false);
}

TEST_F(SelectionFixture, DraggingBelowTheViewAutoScrollsToTheLiveScreen)
{
    for (int i = 0; i < 12; ++i)
        w->feed("row " + QByteArray::number(i) + "\r\n");
    QTest::keyClick(w.get(), Qt::Key_PageUp, Qt::ShiftModifier);
    QTest::keyClick(w.get(), Qt::Key_PageUp, Qt::ShiftModifier);
    QScrollBar *bar = w->verticalScrollBar();
    ASSERT_LT(bar->value(), bar->maximum());
    press(0, 0);
    changes->clear();
    moveTo(QPoint(5, w->viewport()->height() + 10));
    ASSERT_TRUE(QTest::qWaitFor([&] { return bar->value() == bar->maximum(); }, 3000));
    QTest::qWait(150); // the timer stops at the end of the range
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_EQ(changes->count(), 1) << "auto-scroll steps emit nothing";
    release(QPoint(5, w->viewport()->height() + 10));
    // The moving end followed the bottom row of the view.
    EXPECT_TRUE(w->selectedText().endsWith(w->lineAt(w->endLine() - 1).trimmed().left(1)));
}

TEST_F(SelectionFixture, ClipboardShortcuts)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->setText("before");
    feed(*w, "copy this");

    QTest::keyClick(w.get(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(data->count(), 1) << "without a selection Ctrl+Shift+C sends its byte";
    EXPECT_EQ(data->at(0).at(0).toByteArray(), QByteArray("\x03"));
    EXPECT_EQ(clipboard->text(), "before");

    w->setSelection(w->viewTopLine(), 0, w->viewTopLine(), 4);
    QTest::keyClick(w.get(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(data->count(), 1);
    EXPECT_EQ(clipboard->text(), "copy");

    feed(*w, "\x1b[?2004h");
    clipboard->setText("a\nb");
    QTest::keyClick(w.get(), Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(data->count(), 2);
    EXPECT_EQ(data->at(1).at(0).toByteArray(), QByteArray("\x1b[200~a\rb\x1b[201~"));

    changes->clear();
    QTest::keyClick(w.get(), Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(emitted(*changes), QList<bool>{true});
    EXPECT_EQ(data->count(), 2);
}

TEST_F(SelectionFixture, SendAndPasteAlwaysEmit)
{
    w->send("");
    w->paste("");
    feed(*w, "\x1b[?2004h");
    w->paste("");
    w->send("a\x1b[201~\n");
    const QList<QByteArray> expected = {"", "", "\x1b[200~\x1b[201~", "a\x1b[201~\r"};
    QList<QByteArray> got;
    for (const QList<QVariant> &args : *data)
        got << args.at(0).toByteArray();
    EXPECT_EQ(got, expected);
}

} // namespace

// A column change re-wraps the lines under the selection: it keeps its
// characters, or goes with a signal when they leave with the oldest lines.
TEST(SelectionReflow, SelectionFollowsItsTextThroughColumnChanges)
{
    auto w = makeWidget(20, 5);
    QSignalSpy changes(w.get(), &TerminalWidget::selectionChanged);
    feed(*w, "0123456789abcdefghijKLMNO\r\nend");
    const int top = w->viewTopLine();
    w->setSelection(top, 15, top + 1, 3);
    ASSERT_EQ(w->selectedText(), "fghijKLM");
    for (int columns : {10, 7, 20}) {
        w->resize(columns * w->cellWidth(), 5 * w->cellHeight());
        QApplication::processEvents();
        ASSERT_EQ(w->columns(), columns);
        EXPECT_EQ(w->selectedText(), "fghijKLM") << "at " << columns << " columns";
    }
    EXPECT_EQ(emitted(changes), (QList<bool>{true}));

    // Dropping the scrollback it was on ends the selection too.
    w->setScrollbackSize(0);
    w->feed("\r\n" + QByteArray(40, 'x') + "\r\nx\r\ny\r\nz");
    const int line = w->endLine() - 5;
    w->setSelection(line, 0, line, 5);
    w->resize(10 * w->cellWidth(), 5 * w->cellHeight());
    QApplication::processEvents();
    EXPECT_FALSE(w->hasSelection());
    EXPECT_EQ(emitted(changes), (QList<bool>{true, false, true, false}));
}

// Resizes within one event-loop pass: the first applies at once, the later
// ones once together, at the last size.
TEST(SelectionReflow, ResizesWithinOnePassAreCoalesced)
{
    auto w = makeWidget(20, 5);
    QSignalSpy resized(w.get(), &TerminalWidget::resized);
    for (int columns : {12, 9, 11, 15})
        w->resize(columns * w->cellWidth(), 5 * w->cellHeight());
    EXPECT_EQ(w->columns(), 12);
    QApplication::processEvents();
    EXPECT_EQ(w->columns(), 15);
    QApplication::processEvents();
    ASSERT_FALSE(resized.isEmpty());
    EXPECT_EQ(resized.last().at(0).toInt(), 15);
    for (const QList<QVariant> &args : resized)
        EXPECT_NE(args.at(0).toInt(), 9) << "an intermediate size was applied";
}

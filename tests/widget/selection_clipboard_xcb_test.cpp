// The selection clipboard exists only on platforms that have one, so these
// cases run under a virtual X server with the xcb platform: a finished drag
// is mirrored to the selection clipboard, a word selection is not, and the
// middle button pastes the selection clipboard (bracketed when asked).
#include <QClipboard>

#include <gtest/gtest.h>

#include "tests/widget/widget_test_support.h"

namespace {

using namespace widget_test;
using vesper::TerminalWidget;

TEST(SelectionClipboard, DragIsMirroredAndMiddleButtonPastesIt)
{
    auto w = makeWidget(30, 5);
    QClipboard *clipboard = QGuiApplication::clipboard();
    ASSERT_TRUE(clipboard->supportsSelection()) << "run with QT_QPA_PLATFORM=xcb under an X server";
    QSignalSpy data(w.get(), &TerminalWidget::dataReady);

    feed(*w, "echo selected words\r\n");
    QTest::mousePress(w->viewport(), Qt::LeftButton, Qt::NoModifier, cellCenter(*w, 5, 0));
    QTest::mouseMove(w->viewport(), cellCenter(*w, 10, 0));
    QTest::mouseMove(w->viewport(), cellCenter(*w, 13, 0));
    QTest::mouseRelease(w->viewport(), Qt::LeftButton, Qt::NoModifier, cellCenter(*w, 13, 0));
    ASSERT_TRUE(QTest::qWaitFor([&] { return clipboard->text(QClipboard::Selection) == "selected"; }, 2000))
        << clipboard->text(QClipboard::Selection).toStdString();
    EXPECT_EQ(clipboard->text(QClipboard::Clipboard), QString()) << "only the selection clipboard is set";

    QTest::mouseClick(w->viewport(), Qt::MiddleButton, Qt::NoModifier, cellCenter(*w, 2, 2));
    feed(*w, "\x1b[?2004h");
    QTest::mouseClick(w->viewport(), Qt::MiddleButton, Qt::NoModifier, cellCenter(*w, 2, 2));
    ASSERT_EQ(data.count(), 2);
    EXPECT_EQ(data.at(0).at(0).toByteArray(), QByteArray("selected"));
    EXPECT_EQ(data.at(1).at(0).toByteArray(), QByteArray("\x1b[200~selected\x1b[201~"));
}

TEST(SelectionClipboard, WordAndApiSelectionsAreNotMirrored)
{
    auto w = makeWidget(30, 5);
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->setText("sentinel", QClipboard::Selection);
    feed(*w, "alpha beta");
    QTest::mouseDClick(w->viewport(), Qt::LeftButton, Qt::NoModifier, cellCenter(*w, 7, 0));
    EXPECT_EQ(w->selectedText(), "beta");
    w->selectAll();
    QApplication::processEvents();
    EXPECT_EQ(clipboard->text(QClipboard::Selection), "sentinel");
}

} // namespace

// The selection clipboard exists only on platforms that have one, so these
// cases run under a virtual X server with the xcb platform: finished drags,
// word and line selections and Ctrl+Shift+A are mirrored to the selection
// clipboard (selections made through the API are not), the middle button
// pastes the selection clipboard (bracketed when asked) and Shift+Insert the
// clipboard.
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

TEST(SelectionClipboard, WordLineAndSelectAllGesturesAreMirroredApiSelectionsAreNot)
{
    auto w = makeWidget(30, 5);
    QClipboard *clipboard = QGuiApplication::clipboard();
    const auto selectionIs = [&](const QString &text) {
        return QTest::qWaitFor([&] { return clipboard->text(QClipboard::Selection) == text; }, 2000);
    };
    feed(*w, "alpha beta\r\nsecond");
    QTest::mouseDClick(w->viewport(), Qt::LeftButton, Qt::NoModifier, cellCenter(*w, 7, 0));
    EXPECT_EQ(w->selectedText(), "beta");
    EXPECT_TRUE(selectionIs("beta")) << clipboard->text(QClipboard::Selection).toStdString();

    // A third click within the double-click interval takes the line.
    QTest::mouseClick(w->viewport(), Qt::LeftButton, Qt::NoModifier, cellCenter(*w, 7, 0));
    EXPECT_EQ(w->selectedText(), "alpha beta");
    EXPECT_TRUE(selectionIs("alpha beta"));

    QTest::keyClick(w.get(), Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(w->selectedText().startsWith("alpha beta\nsecond"));
    EXPECT_TRUE(selectionIs(w->selectedText()));

    clipboard->setText("sentinel", QClipboard::Selection);
    ASSERT_TRUE(selectionIs("sentinel"));
    w->selectAll();
    w->setSelection(w->firstLine(), 0, w->firstLine(), 5);
    QApplication::processEvents();
    EXPECT_EQ(clipboard->text(QClipboard::Selection), "sentinel");
}

// The selection clipboard is set before the gesture signals: a slot may
// delete the widget, which must not be read afterwards.
TEST(SelectionClipboard, GesturesMirrorBeforeASlotDeletesTheWidget)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    for (const bool selectAllKey : {false, true}) {
        auto owned = makeWidget(30, 5);
        TerminalWidget *w = owned.get();
        feed(*w, "alpha beta\r\nsecond");
        QTest::mouseDClick(w->viewport(), Qt::LeftButton, Qt::NoModifier, cellCenter(*w, 7, 0));
        QObject::connect(w, &TerminalWidget::selectionChanged, w, [&owned] { owned.reset(); });
        if (selectAllKey)
            QTest::keyPress(w, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
        else
            QTest::mousePress(w->viewport(), Qt::LeftButton, Qt::NoModifier, cellCenter(*w, 7, 0));
        ASSERT_EQ(owned, nullptr) << selectAllKey;
        const QString expected = selectAllKey ? QStringLiteral("alpha beta\nsecond") : QStringLiteral("alpha beta");
        EXPECT_TRUE(QTest::qWaitFor([&] { return clipboard->text(QClipboard::Selection).startsWith(expected); }, 2000));
    }
}

TEST(SelectionClipboard, ShiftInsertPastesTheClipboard)
{
    auto w = makeWidget(30, 5);
    QClipboard *clipboard = QGuiApplication::clipboard();
    QSignalSpy data(w.get(), &TerminalWidget::dataReady);
    clipboard->setText("from clipboard", QClipboard::Clipboard);
    clipboard->setText("from selection", QClipboard::Selection);
    ASSERT_TRUE(QTest::qWaitFor([&] { return clipboard->text(QClipboard::Clipboard) == "from clipboard"; }, 2000));
    QTest::keyClick(w.get(), Qt::Key_Insert, Qt::ShiftModifier);
    QTest::keyClick(w.get(), Qt::Key_Insert);
    ASSERT_EQ(data.count(), 2);
    EXPECT_EQ(data.at(0).at(0).toByteArray(), QByteArray("from clipboard"));
    EXPECT_EQ(data.at(1).at(0).toByteArray(), QByteArray("\x1b[2~"));
}

} // namespace

// Drops and user pastes: the shell quoting of dropped paths (spaces,
// quotes, non-ASCII, control characters), what each kind of drop types, a
// drop through the widget's event path (bracketed when the program asked),
// and the trim and confirm switches on the Paste action.
#include <QAction>
#include <QClipboard>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

#include "control/text/drop_text.h"
#include "tests/widget/widget_test_support.h"

namespace {

using namespace widget_test;
using vesper::TerminalWidget;

TEST(DropText, QuotesPathsForAShell)
{
    const struct {
        QString path;
        QString quoted;
    } cases[] = {
        {"/tmp/plain-file_1.txt", "/tmp/plain-file_1.txt"},
        {"/tmp/a b", "'/tmp/a b'"},
        {"/tmp/it's", "'/tmp/it'\\''s'"},
        {"/tmp/\"q\"", "'/tmp/\"q\"'"},
        {"/tmp/$HOME*;&|", "'/tmp/$HOME*;&|'"},
        {QString::fromUtf8("/tmp/\xc3\xbc.txt"), QString::fromUtf8("'/tmp/\xc3\xbc.txt'")},
        {QString::fromUtf8("/tmp/a\xc2\xa0" "b"), QString::fromUtf8("'/tmp/a\xc2\xa0" "b'")},
        {"/tmp/a\nb", "$'/tmp/a\\nb'"},
        {"/tmp/a\tb'c\\", "$'/tmp/a\\tb\\'c\\\\'"},
        {"/tmp/bell\x07", "$'/tmp/bell\\007'"},
        {"", "''"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(vesper::shellQuoted(c.path), c.quoted) << c.path.toStdString();
}

TEST(DropText, FilesAreQuotedPathsOtherUrlsAndTextAsTheyAre)
{
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile("/tmp/a b"), QUrl::fromLocalFile("/tmp/c"), QUrl("https://x.example/?a=1&b")});
    files.setText("ignored: the URLs win");
    EXPECT_EQ(vesper::droppedText(files), "'/tmp/a b' /tmp/c https://x.example/?a=1&b");
    QMimeData text;
    text.setText("echo 'hi'\n");
    EXPECT_EQ(vesper::droppedText(text), "echo 'hi'\n");
    EXPECT_EQ(vesper::droppedText(QMimeData()), "");
}

struct PasteFixture : ::testing::Test {
    void SetUp() override
    {
        w = makeWidget(30, 4);
        data = std::make_unique<QSignalSpy>(w.get(), &TerminalWidget::dataReady);
        requests = std::make_unique<QSignalSpy>(w.get(), &TerminalWidget::multilinePasteRequested);
    }
    // Drops `mime` on the viewport; true when the drop was accepted.
    bool dropOnto(QMimeData &mime)
    {
        const QPoint at = cellCenter(*w, 2, 1);
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w->viewport(), &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w->viewport(), &drop);
        QApplication::processEvents();
        return drop.isAccepted();
    }
    QByteArray sent() const
    {
        QByteArray bytes;
        for (const QList<QVariant> &args : *data)
            bytes += args.at(0).toByteArray();
        return bytes;
    }
    void pasteKey()
    {
        QTest::keyClick(w.get(), Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
        QApplication::processEvents();
    }
    std::unique_ptr<TerminalWidget> w;
    std::unique_ptr<QSignalSpy> data;
    std::unique_ptr<QSignalSpy> requests;
};

TEST_F(PasteFixture, DroppedFilesArePastedBracketedWhenAsked)
{
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile("/tmp/a b"), QUrl::fromLocalFile("/tmp/c")});
    ASSERT_TRUE(dropOnto(files));
    EXPECT_EQ(sent(), "'/tmp/a b' /tmp/c");
    data->clear();
    feed(*w, "\x1b[?2004h");
    ASSERT_TRUE(dropOnto(files));
    EXPECT_EQ(sent(), "\x1b[200~'/tmp/a b' /tmp/c\x1b[201~");
    QMimeData nothing;
    EXPECT_FALSE(dropOnto(nothing));
}

TEST_F(PasteFixture, TrimAndConfirmApplyToUserPastes)
{
    const struct {
        const char *name;
        bool trim, confirm, bracketed;
        const char *clipboard;
        QByteArray sent;
        QString requested; // the text handed to multilinePasteRequested
    } cases[] = {
        {"both off", false, false, false, "ls\n", "ls\r", {}},
        {"trim", true, false, false, "ls\r\n\n", "ls", {}},
        {"trim keeps inner breaks", true, false, false, "a\nb\n", "a\rb", {}},
        {"confirm one line", false, true, false, "ls", "ls", {}},
        {"confirm one line after trim", true, true, false, "ls\n", "ls", {}},
        {"confirm two lines", false, true, false, "a\nb", "", "a\nb"},
        {"confirm trimmed two lines", true, true, false, "a\nb\n", "", "a\nb"},
        {"bracketed paste needs no confirm", false, true, true, "a\nb", "\x1b[200~a\rb\x1b[201~", {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        w->setTrimPastedTrailingNewlines(c.trim);
        w->setConfirmMultilinePaste(c.confirm);
        if (c.bracketed)
            feed(*w, "\x1b[?2004h");
        QGuiApplication::clipboard()->setText(c.clipboard);
        pasteKey();
        EXPECT_EQ(sent(), c.sent);
        EXPECT_EQ(requests->count(), c.requested.isEmpty() ? 0 : 1);
        if (!requests->isEmpty()) {
            EXPECT_EQ(requests->at(0).at(0).toString(), c.requested);
        }
    }
    // The host's paste() is not held back.
    SetUp();
    w->setConfirmMultilinePaste(true);
    w->paste("x\ny");
    QApplication::processEvents();
    EXPECT_EQ(sent(), "x\ry");
    EXPECT_TRUE(requests->isEmpty());
}

} // namespace

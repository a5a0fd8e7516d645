// OutgoingText: a large text leaves in slices over several event-loop passes
// whose bytes join to the text's whole encoding; bytes added meanwhile wait
// behind it; small texts and lone bytes leave inside the call; deleting the
// owner from a receiver stops the slices; a pause holds slices and texts;
// the widget refuses a text over its limit whole.
#include "control/input/outgoing_text.h"

#include "lumenvale/terminal_widget.h"

#include "control/input/text_encoding.h"
#include "widget_test_support.h"

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace vesper {
namespace {

QString bigText(bool withControls)
{
    QString text;
    for (int i = 0; text.size() < 3 * OutgoingText::sliceUnits; ++i)
        text += QStringLiteral("line %1 caf\u00e9 \U0001F600%2\r\n").arg(i).arg(withControls ? "\x1b\x03" : "");
    return text;
}

TEST(OutgoingText, LargeTextLeavesInSlicesThatJoinToTheWholeAndOtherBytesWaitBehindIt)
{
    widget_test::application();
    for (const bool bracketed : {false, true}) {
        SCOPED_TRACE(bracketed ? "bracketed" : "plain");
        QObject owner;
        std::vector<QByteArray> sent;
        OutgoingText out(&owner, [&](const QByteArray &b) { sent.push_back(b); });
        const QString text = bigText(bracketed);
        out.addText(text, bracketed);
        out.addBytes("KEY");
        out.addText(QStringLiteral("after\n"), false);
        // Nothing leaves inside the call: the window gets its turn first.
        EXPECT_TRUE(sent.empty());
        EXPECT_TRUE(out.pending());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !out.pending(); }, 10000));
        ASSERT_GE(sent.size(), 5u); // three or more slices, the key, the small text
        EXPECT_EQ(sent[sent.size() - 2], "KEY");
        EXPECT_EQ(sent.back(), "after\r");
        QByteArray joined;
        for (std::size_t i = 0; i + 2 < sent.size(); ++i)
            joined += sent[i];
        const std::string whole = encodeTextFast(text, bracketed);
        EXPECT_EQ(joined.toStdString(), whole);
        out.addBytes("NOW");
        EXPECT_EQ(sent.back(), "NOW");
    }
}

TEST(OutgoingText, PauseHoldsSlicesAndTextsUntilLiftedAndBytesWaitingBehindAreBounded)
{
    widget_test::application();
    QObject owner;
    std::vector<QByteArray> sent;
    OutgoingText *self = nullptr;
    // The first slice pauses the sending, as a session's backlog does from
    // inside its write.
    OutgoingText out(&owner, [&](const QByteArray &b) {
        sent.push_back(b);
        self->setPaused(true);
    });
    self = &out;
    const QString text = bigText(true);
    out.addText(text, true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !sent.empty(); }, 10000));
    out.addBytes("KEY");
    out.addText(QStringLiteral("small"), false);
    QTest::qWait(30);
    EXPECT_EQ(sent.size(), 1u);
    // Bytes behind the held text are bounded: the key went in, this does not.
    EXPECT_FALSE(out.addBytes(QByteArray(OutgoingText::maxQueuedBytes, 'r')));

    while (out.pending()) {
        out.setPaused(false);
        ASSERT_TRUE(QTest::qWaitFor([&] { return out.paused(); }, 10000));
    }
    ASSERT_GE(sent.size(), 5u);
    QByteArray joined;
    for (std::size_t i = 0; i + 2 < sent.size(); ++i)
        joined += sent[i];
    EXPECT_EQ(joined.toStdString(), encodeTextFast(text, true));
    EXPECT_EQ(sent[sent.size() - 2], "KEY");
    EXPECT_EQ(sent.back(), "small");

    // Paused with nothing waiting: bytes leave at once, texts wait.
    sent.clear();
    EXPECT_TRUE(out.addBytes("k"));
    out.addText(QStringLiteral("t"), false);
    QTest::qWait(10);
    EXPECT_EQ(sent, std::vector<QByteArray>{"k"});
    out.setPaused(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return sent.size() == 2; }, 1000));
    EXPECT_EQ(sent.back(), "t");
}

TEST(OutgoingText, WidgetRefusesATextOverTheLimitWholeAndSaysWhyFromTheEventLoop)
{
    widget_test::application();
    TerminalWidget w;
    QByteArray sent;
    std::vector<QString> errors;
    QObject::connect(&w, &TerminalWidget::dataReady, [&](const QByteArray &b) { sent += b; });
    QObject::connect(&w, &TerminalWidget::errorOccurred, [&](const QString &e) { errors.push_back(e); });
    const QString huge(TerminalWidget::maxTextLength + 1, QChar(u'x'));
    EXPECT_FALSE(w.paste(huge));
    EXPECT_FALSE(w.send(huge));
    EXPECT_TRUE(errors.empty()); // not from inside the call
    const QString why = QStringLiteral("send: text of 134217729 characters refused, the limit is 134217728");
    EXPECT_EQ(w.error(), why);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !errors.empty(); }, 1000));
    EXPECT_EQ(errors, std::vector<QString>{why}); // once per pass, the latest
    EXPECT_TRUE(w.send(QStringLiteral("ok")));
    EXPECT_EQ(sent, "ok");
}

TEST(OutgoingText, SmallTextLeavesInsideTheCall)
{
    widget_test::application();
    QObject owner;
    std::vector<QByteArray> sent;
    OutgoingText out(&owner, [&](const QByteArray &b) { sent.push_back(b); });
    out.addText(QStringLiteral("ls\n"), true);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], "\x1b[200~ls\r\x1b[201~");
    EXPECT_FALSE(out.pending());
}

TEST(OutgoingText, OwnerDeletedByAReceiverStopsTheSlices)
{
    widget_test::application();
    auto owner = std::make_unique<QObject>();
    auto *ownerPtr = owner.get();
    int slices = 0;
    std::unique_ptr<OutgoingText> out;
    out = std::make_unique<OutgoingText>(ownerPtr, [&](const QByteArray &) {
        ++slices;
        auto &self = out;
        auto &own = owner;
        self.reset(); // what deleting the widget does to its member
        own.reset();
    });
    out->addText(bigText(false), false);
    QTest::qWait(50);
    EXPECT_EQ(slices, 1);
}

TEST(OutgoingText, DeviceReplyToTheWidgetWaitsBehindALargePaste)
{
    widget_test::application();
    TerminalWidget w;
    QByteArray sent;
    QObject::connect(&w, &TerminalWidget::dataReady, [&](const QByteArray &b) { sent += b; });
    w.feed("\x1b[?2004h");
    w.paste(bigText(false));
    w.feed("\x1b[6n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return sent.endsWith("R"); }, 10000));
    EXPECT_TRUE(sent.startsWith("\x1b[200~"));
    EXPECT_TRUE(sent.endsWith("\x1b[201~\x1b[1;1R")) << sent.right(40).toStdString();
}

} // namespace
} // namespace vesper

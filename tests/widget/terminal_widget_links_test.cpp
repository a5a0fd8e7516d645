// Links through the widget's event paths: Ctrl over a link underlines it
// (only its cells change) and shows a pointing hand, Ctrl+click emits
// linkActivated for URLs in the text and OSC 8 links, with or without mouse
// reporting, and the URL is the viewport's tooltip. Links that would show
// other than what they deliver are not offered, and output under the pointer
// is seen at once.
#include <QHelpEvent>
#include <QToolTip>
#include <QUrl>

#include <gtest/gtest.h>

#include "tests/widget/widget_test_support.h"

namespace {

using namespace widget_test;
using vesper::TerminalWidget;

struct LinkFixture : ::testing::Test {
    void SetUp() override
    {
        w = makeWidget(20, 4);
        // Row 0: a URL in the text at columns 4-15; row 1: an OSC 8 link at 0-2.
        feed(*w, "see http://a.b/c x\r\n\x1b]8;;https://o.p/\x1b\\osc\x1b]8;;\x1b\\ plain");
        activated = std::make_unique<QSignalSpy>(w.get(), &TerminalWidget::linkActivated);
        data = std::make_unique<QSignalSpy>(w.get(), &TerminalWidget::dataReady);
        QApplication::processEvents();
    }
    QWidget *vp() { return w->viewport(); }
    void hover(int column, int row) { QTest::mouseMove(vp(), cellCenter(*w, column, row)); }
    void ctrlClick(int column, int row)
    {
        QTest::mouseClick(vp(), Qt::LeftButton, Qt::ControlModifier, cellCenter(*w, column, row));
    }
    QList<QUrl> urls() const
    {
        QList<QUrl> out;
        for (const QList<QVariant> &args : *activated)
            out.push_back(args.at(0).toUrl());
        return out;
    }
    // The smallest rectangle holding every pixel that differs.
    static QRect changed(const QImage &a, const QImage &b)
    {
        QRect r;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x)
                if (a.pixel(x, y) != b.pixel(x, y))
                    r |= QRect(x, y, 1, 1);
        return r;
    }

    std::unique_ptr<TerminalWidget> w;
    std::unique_ptr<QSignalSpy> activated;
    std::unique_ptr<QSignalSpy> data;
};

TEST_F(LinkFixture, CtrlOverALinkUnderlinesItAndShowsAHand)
{
    const struct {
        int column, row;
        QRect cells; // nothing: not a link
    } cases[] = {
        {7, 0, cellRect(*w, 4, 0, 12)}, {15, 0, cellRect(*w, 4, 0, 12)}, {1, 1, cellRect(*w, 0, 1, 3)},
        {2, 0, QRect()},                {5, 1, QRect()},
    };
    for (const auto &c : cases) {
        hover(c.column, c.row);
        QApplication::processEvents();
        const QImage plain = grabViewport(*w);
        QTest::keyPress(w.get(), Qt::Key_Control);
        const QImage held = grabViewport(*w);
        EXPECT_EQ(vp()->cursor().shape(), c.cells.isNull() ? Qt::ArrowCursor : Qt::PointingHandCursor) << c.column;
        const QRect diff = changed(plain, held);
        EXPECT_EQ(diff.isNull(), c.cells.isNull()) << c.column;
        EXPECT_TRUE(diff.isNull() || c.cells.contains(diff)) << c.column << " changed outside the link";
        QTest::keyRelease(w.get(), Qt::Key_Control);
        EXPECT_EQ(vp()->cursor().shape(), Qt::ArrowCursor);
        EXPECT_EQ(grabViewport(*w), plain) << c.column;
    }
}

TEST_F(LinkFixture, CtrlClickActivatesTheLinkOnly)
{
    ctrlClick(6, 0);
    ctrlClick(0, 1);
    QTest::mouseClick(vp(), Qt::LeftButton, Qt::NoModifier, cellCenter(*w, 6, 0)); // no Ctrl
    ctrlClick(1, 0);                                                               // no link
    EXPECT_EQ(urls(), (QList<QUrl>{QUrl("http://a.b/c"), QUrl("https://o.p/")}));
    EXPECT_FALSE(w->hasSelection());
    EXPECT_TRUE(data->isEmpty());
}

// While a program reads the mouse, a plain click and Ctrl+click off a link
// are its own; Ctrl+click on a link activates the link and reports nothing.
TEST_F(LinkFixture, CtrlClickOnALinkIsTakenFromMouseReporting)
{
    feed(*w, "\x1b[?1000h\x1b[?1006h");
    ctrlClick(6, 0);
    EXPECT_EQ(urls(), QList<QUrl>{QUrl("http://a.b/c")});
    EXPECT_TRUE(data->isEmpty());
    QTest::mouseClick(vp(), Qt::LeftButton, Qt::NoModifier, cellCenter(*w, 6, 0));
    ctrlClick(1, 0);
    EXPECT_EQ(activated->count(), 1);
    QByteArray bytes;
    for (const QList<QVariant> &args : *data)
        bytes += args.at(0).toByteArray();
    EXPECT_EQ(bytes, "\x1b[<0;7;1M\x1b[<0;7;1m\x1b[<16;2;1M\x1b[<16;2;1m");
}

TEST_F(LinkFixture, TheUrlIsTheTooltip)
{
    const struct {
        int column, row;
        const char *tip; // nullptr: the event is left to others
    } cases[] = {{8, 0, "http://a.b/c"}, {2, 1, "https://o.p/"}, {1, 0, nullptr}};
    for (const auto &c : cases) {
        const QPoint pos = cellCenter(*w, c.column, c.row);
        QHelpEvent help(QEvent::ToolTip, pos, vp()->mapToGlobal(pos));
        QApplication::sendEvent(vp(), &help);
        EXPECT_EQ(help.isAccepted(), c.tip != nullptr) << c.column;
        if (c.tip) {
            EXPECT_EQ(QToolTip::text(), c.tip);
        }
    }
}

// Each row holds one link that is not offered (it would hide its host or
// its name, or deliver nothing) or one whose tooltip shows its host in ACE.
TEST(LinkSpoofs, TooltipShowsWhatIsDelivered)
{
    auto w = makeWidget(40, 6);
    feed(*w, "\x1b]8;;https://a b/\x1b\\spaced host\x1b]8;;\x1b\\\r\n"
             "\x1b]8;;http://x/\xe2\x80\xaegnp.exe\x1b\\innocent.png\x1b]8;;\x1b\\\r\n"
             "http://x/\xe2\x80\x8bhidden\r\n"
             "http://evil.example\\@example.org/\r\n"
             "\x1b]8;;file://server.example/share\x1b\\share\x1b]8;;\x1b\\\r\n"
             "see http://\xd0\xb0pple.com/ now");
    QSignalSpy activated(w.get(), &TerminalWidget::linkActivated);
    for (int row = 0; row < 6; ++row) {
        const QPoint pos = cellCenter(*w, row == 5 ? 8 : 2, row);
        QHelpEvent help(QEvent::ToolTip, pos, w->viewport()->mapToGlobal(pos));
        QApplication::sendEvent(w->viewport(), &help);
        EXPECT_EQ(help.isAccepted(), row == 5) << row;
        QTest::mouseClick(w->viewport(), Qt::LeftButton, Qt::ControlModifier, pos);
    }
    EXPECT_EQ(QToolTip::text(), "http://xn--pple-43d.com/");
    ASSERT_EQ(activated.count(), 1);
    const QUrl url = activated.at(0).at(0).toUrl();
    EXPECT_TRUE(url.isValid());
    EXPECT_EQ(url.toString(QUrl::EncodeUnicode), "http://xn--pple-43d.com/");
    for (int row = 0; row < 5; ++row)
        EXPECT_FALSE(w->linkAt(cellCenter(*w, 2, row)).isValid()) << row;
    EXPECT_EQ(w->linkAt(cellCenter(*w, 8, 5)), url);
}

// linkAt answers for every cell exactly what Ctrl+click there emits, and
// linkAtCell the same for the cell's absolute line; outside the viewport
// there is no link.
TEST_F(LinkFixture, LinkAtIsWhatCtrlClickEmits)
{
    const int top = w->viewTopLine();
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 20; ++column) {
            activated->clear();
            ctrlClick(column, row);
            const QUrl clicked = activated->isEmpty() ? QUrl() : activated->at(0).at(0).toUrl();
            EXPECT_EQ(w->linkAt(cellCenter(*w, column, row)), clicked) << column << "," << row;
            EXPECT_EQ(w->linkAtCell(top + row, column), clicked) << column << "," << row;
        }
    }
    EXPECT_FALSE(w->linkAt(QPoint(-1, 2)).isValid());
    EXPECT_FALSE(w->linkAtCell(top - 1, 6).isValid());
    // Output not parsed yet is seen.
    feed(*w, "\x1b[3;1Hhttps://late.example/");
    EXPECT_EQ(w->linkAtCell(top + 2, 3), QUrl("https://late.example/"));
}

// linkHovered reports each change of the link under the pointer once, with
// or without Ctrl, and an empty URL when the pointer leaves it.
TEST_F(LinkFixture, LinkHoveredFollowsThePointer)
{
    QSignalSpy hovered(w.get(), &TerminalWidget::linkHovered);
    const struct {
        int column, row;
    } path[] = {{1, 0}, {5, 0}, {9, 0}, {1, 1}, {2, 1}, {8, 1}, {6, 0}};
    for (const auto &p : path) {
        hover(p.column, p.row);
        QApplication::processEvents();
    }
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(vp(), &leave);
    QApplication::processEvents();
    QList<QUrl> seen;
    for (const QList<QVariant> &args : hovered)
        seen.push_back(args.at(0).toUrl());
    EXPECT_EQ(seen, (QList<QUrl>{QUrl("http://a.b/c"), QUrl("https://o.p/"), QUrl(), QUrl("http://a.b/c"), QUrl()}));
}

// Output that replaces the text under a held pointer changes the link at
// once: no lookup answers from text read before it.
TEST_F(LinkFixture, OutputUnderThePointerIsSeenAtOnce)
{
    hover(7, 0);
    QTest::keyPress(w.get(), Qt::Key_Control);
    EXPECT_EQ(vp()->cursor().shape(), Qt::PointingHandCursor);
    feed(*w, "\x1b[1;5Hftp");
    ctrlClick(7, 0);
    feed(*w, "\x1b[1;5Hhttp://q.r/s");
    QApplication::processEvents();
    ctrlClick(7, 0);
    EXPECT_EQ(urls(), QList<QUrl>{QUrl("http://q.r/s")});
    QTest::keyRelease(w.get(), Qt::Key_Control);
}

} // namespace

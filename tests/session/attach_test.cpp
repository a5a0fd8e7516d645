// attach: the wiring between a TerminalWidget and a session, first with a
// recording PtySession subclass (what reaches write and resize), then with a
// real child whose output lands on the widget's screen.
#include "control/terminal_control.h"
#include "lumenvale/attach.h"
#include "lumenvale/terminal_widget.h"
#include "session_test_support.h"

#include <QPointer>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace vesper {
namespace {

using testing::waitFor;

// A session that only records the calls the widget makes through attach.
class RecordingSession final : public PtySession {
public:
    bool start(const QString &, const QStringList &, const QStringList &, int, int) override { return true; }
    bool running() const override { return false; }
    QString error() const override { return {}; }
    void write(const QByteArray &data) override { written.push_back(data); }
    void resize(int cols, int rows) override { sizes.push_back({cols, rows}); }
    void terminate() override {}

    std::vector<QByteArray> written;
    std::vector<std::pair<int, int>> sizes;
};

class Attach : public testing::ApplicationTest {
protected:
    TerminalWidget widget;
};

TEST_F(Attach, NullEitherSideConnectsNothing)
{
    RecordingSession session;
    attach(nullptr, &session);
    attach(&widget, nullptr);
    emit session.dataReceived("visible");
    widget.send("typed");
    EXPECT_FALSE(widget.screenText().contains("visible"));
    EXPECT_TRUE(session.written.empty());
}

TEST_F(Attach, RoutesBytesBothWaysThroughOverrides)
{
    RecordingSession session;
    attach(&widget, &session);
    emit session.dataReceived("from child");
    EXPECT_TRUE(widget.screenText().startsWith("from child"));

    QTest::keyClick(&widget, Qt::Key_A);
    QTest::keyClick(&widget, Qt::Key_Up);
    widget.send("sent");
    const std::vector<QByteArray> expected{"a", "\x1b[A", "sent"};
    EXPECT_EQ(session.written, expected);

    widget.resize(500, 300);
    widget.show();
    // The grid may change more than once while the window settles; the last
    // size announced is the grid's.
    EXPECT_TRUE(waitFor(
        [&] {
            return !session.sizes.empty() &&
                   session.sizes.back() == std::make_pair(widget.columns(), widget.terminalRows());
        },
        5000));
}

// attach takes any terminal by its slots and signals: the control itself
// (the Quick item is covered from Python), but no other object.
TEST_F(Attach, TakesTheControlAndRefusesWhatIsNoTerminal)
{
    RecordingSession session;
    QObject notATerminal;
    attach(&notATerminal, &session);
    TerminalControl control(QSize(400, 200));
    attach(&control, &session);
    emit session.dataReceived("\x1b[5n");
    control.send("sent");
    EXPECT_TRUE(waitFor([&] { return session.written.size() == 2; }));
    EXPECT_EQ(session.written, (std::vector<QByteArray>{"\x1b[0n", "sent"}));
    emit session.inputBacklogChanged(true);
    control.send("held");
    QTest::qWait(10);
    EXPECT_EQ(session.written.size(), 2u);
}

TEST_F(Attach, TwiceDeliversTwice)
{
    RecordingSession session;
    attach(&widget, &session);
    attach(&widget, &session);
    emit session.dataReceived("ab");
    widget.send("x");
    EXPECT_TRUE(widget.screenText().startsWith("abab"));
    EXPECT_EQ(session.written, (std::vector<QByteArray>{"x", "x"}));
}

TEST_F(Attach, SessionBacklogPausesTheWidgetUntilDrainedOrDestroyed)
{
    auto session = std::make_unique<RecordingSession>();
    attach(&widget, session.get());
    emit session->inputBacklogChanged(true);
    widget.send("held");
    QTest::qWait(10);
    EXPECT_TRUE(session->written.empty());
    emit session->inputBacklogChanged(false);
    ASSERT_TRUE(waitFor([&] { return session->written == std::vector<QByteArray>{"held"}; }));

    QByteArray sent;
    QObject::connect(&widget, &TerminalWidget::dataReady, [&](const QByteArray &b) { sent += b; });
    emit session->inputBacklogChanged(true);
    widget.send("after");
    session.reset();
    EXPECT_TRUE(waitFor([&] { return sent == "after"; }));
}

TEST_F(Attach, DestroyedSessionLeavesWidgetWorking)
{
    auto *session = new RecordingSession;
    attach(&widget, session);
    delete session;
    widget.send("nowhere");
    widget.feed("still works");
    EXPECT_TRUE(widget.screenText().startsWith("still works"));
}

TEST_F(Attach, EchoRoundTripThroughChild)
{
    std::unique_ptr<PtySession> session(PtySession::create());
    attach(&widget, session.get());
    ASSERT_TRUE(session->start("cat", {}, {}, widget.columns(), widget.terminalRows()));
    widget.send("hello there\r");
    // The terminal echoes the line, then cat writes it back.
    ASSERT_TRUE(waitFor([&] { return widget.screenText().count("hello there") == 2; }))
        << widget.screenText().toStdString();
    session->terminate();
}

TEST_F(Attach, ColouredOutputLandsAsText)
{
    std::unique_ptr<PtySession> session(PtySession::create());
    attach(&widget, session.get());
    bool finished = false;
    QObject::connect(session.get(), &PtySession::finished, [&] { finished = true; });
    ASSERT_TRUE(session->start("printf", {"\\033[31mred\\033[0m \\033[1;38;5;42mgreen\\033[m\\n\\033[7mrev\\033[0m\\n"},
                               {}, widget.columns(), widget.terminalRows()));
    ASSERT_TRUE(waitFor([&] { return finished && widget.screenText().contains("rev"); }));
    const QStringList lines = widget.screenText().split('\n');
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines[0].trimmed(), "red green");
    EXPECT_EQ(lines[1].trimmed(), "rev");
}

// The child reads the grid's pixel size from its terminal (TIOCGWINSZ) from
// its start on, and again after a font change.
TEST_F(Attach, TheChildReadsThePixelSizeFromItsTerminal)
{
    widget.resize(500, 300);
    widget.show();
    std::unique_ptr<PtySession> session(PtySession::create());
    attach(&widget, session.get());
    const char *script = "import fcntl, struct, sys, termios\n"
                         "for _ in sys.stdin:\n"
                         "    r, c, x, y = struct.unpack('4H', fcntl.ioctl(0, termios.TIOCGWINSZ, bytes(8)))\n"
                         "    print(f'px {c}x{r} {x}x{y}', flush=True)\n";
    const auto expected = [&] {
        return QStringLiteral("px %1x%2 %3x%4")
            .arg(widget.columns())
            .arg(widget.terminalRows())
            .arg(widget.columns() * widget.cellWidth())
            .arg(widget.terminalRows() * widget.cellHeight());
    };
    ASSERT_TRUE(session->start("python3", {"-c", script}, {}, widget.columns(), widget.terminalRows()));
    widget.send("\r");
    ASSERT_TRUE(waitFor([&] { return widget.screenText().contains(expected()); })) << widget.screenText().toStdString();

    QSignalSpy resized(&widget, &TerminalWidget::resized);
    QFont font = widget.terminalFont();
    font.setPixelSize(widget.cellHeight() * 2);
    widget.setTerminalFont(font);
    ASSERT_TRUE(waitFor([&] { return !resized.isEmpty() && session->cellPixelWidth() == widget.cellWidth(); }));
    widget.send("\r");
    EXPECT_TRUE(waitFor([&] { return widget.screenText().contains(expected()); })) << widget.screenText().toStdString();
    // The child ends on its own (end of input), so none is left to later tests.
    bool finished = false;
    QObject::connect(session.get(), &PtySession::finished, [&] { finished = true; });
    widget.send("\x04");
    EXPECT_TRUE(waitFor([&] { return finished; }));
}

} // namespace
} // namespace vesper

// TerminalControl without any shell: a QGuiApplication, events handed in by
// hand and the requests recorded as data.  What the shells rely on: which
// events the control uses (the rest go to the shell's base class), the
// repaint and pixel-move requests after output, the scroll model, the grid
// following the viewport size, and output parsed over several passes.
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QShowEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "control/frame_pacer.h"
#include "control/loop_pass_budget.h"
#include "control/synchronized_output.h"
#include "control/terminal_control.h"

namespace {

using vesper::TerminalControl;

QGuiApplication &application()
{
    static int argc = 1;
    static char name[] = "vesper_control_tests";
    static char *argv[] = {name, nullptr};
    static QGuiApplication *app = new QGuiApplication(argc, argv);
    return *app;
}

struct Control {
    explicit Control(int columns = 10, int rows = 4)
    {
        QFont font(QStringLiteral("DejaVu Sans Mono"));
        font.setPixelSize(14);
        c.setFont(font);
        c.setViewportSize(QSize(columns * c.cellWidth(), rows * c.cellHeight()));
        QCoreApplication::processEvents();
    }
    void show()
    {
        QShowEvent event;
        c.handleEvent(&event);
    }
    // A whole paint, as a shell does when first shown.
    void paint()
    {
        QImage image(c.viewportSize(), QImage::Format_RGB32);
        QPainter painter(&image);
        c.paint(painter, QRegion(image.rect()), {});
    }
    void feed(const QByteArray &bytes) { c.feed(bytes); }
    QRect rows(int first, int count) const
    {
        return {0, first * c.cellHeight(), c.viewportSize().width(), count * c.cellHeight()};
    }

    QGuiApplication &app = application(); // before the control, which reads the fonts
    TerminalControl c;
};

// --- which events the control takes ---------------------------------------------

struct EventCase {
    const char *name;
    const char *modes; // fed first
    std::function<std::unique_ptr<QEvent>(QPointF cellCentre)> event;
    bool used;
    QByteArray sent;
};

std::unique_ptr<QEvent> mouse(QEvent::Type type, Qt::MouseButton button, QPointF at)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    return std::make_unique<QMouseEvent>(type, at, at, button, held, Qt::NoModifier);
}

std::unique_ptr<QEvent> wheel(int angle, QPointF at, Qt::KeyboardModifiers mods = {})
{
    return std::make_unique<QWheelEvent>(at, at, QPoint(), QPoint(0, angle), Qt::NoButton, mods, Qt::NoScrollPhase,
                                         false);
}

std::unique_ptr<QEvent> key(QEvent::Type type, int code, Qt::KeyboardModifiers mods, const char *text = "",
                            bool autoRepeat = false)
{
    return std::make_unique<QKeyEvent>(type, code, mods, QString::fromLatin1(text), autoRepeat);
}

const EventCase kEvents[] = {
    {"text_key", "", [](QPointF) { return std::make_unique<QKeyEvent>(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a"); },
     true, "a"},
    {"lone_modifier_is_the_shells", "",
     [](QPointF) { return std::make_unique<QKeyEvent>(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier); }, false,
     ""},
    {"protocol_keys_follow_the_programs_flags", "\x1b[>1u", [](QPointF) { return key(QEvent::KeyPress, Qt::Key_I, Qt::ControlModifier, "\t"); },
     true, "\x1b[105;5u"},
    {"release_reported_with_event_types", "\x1b[>3u",
     [](QPointF) { return key(QEvent::KeyRelease, Qt::Key_A, Qt::ControlModifier); }, true, "\x1b[97;5:3u"},
    {"auto_repeat_release_is_no_release", "\x1b[>3u",
     [](QPointF) { return key(QEvent::KeyRelease, Qt::Key_A, Qt::ControlModifier, "", true); }, false, ""},
    {"release_is_the_shells_without_event_types", "",
     [](QPointF) { return key(QEvent::KeyRelease, Qt::Key_A, Qt::ControlModifier); }, false, ""},
    {"the_alternate_screen_has_its_own_flags", "\x1b[>1u\x1b[?1049h",
     [](QPointF) { return key(QEvent::KeyPress, Qt::Key_I, Qt::ControlModifier, "\t"); }, true, "\t"},
    {"modify_other_keys", "\x1b[>4;2m", [](QPointF) { return key(QEvent::KeyPress, Qt::Key_I, Qt::ControlModifier, "\t"); },
     true, "\x1b[27;5;105~"},
    {"application_keypad", "\x1b=", [](QPointF) { return key(QEvent::KeyPress, Qt::Key_Enter, Qt::KeypadModifier, "\r"); },
     true, "\x1bOM"},
    {"shift_page_up_scrolls_without_bytes", "",
     [](QPointF) { return std::make_unique<QKeyEvent>(QEvent::KeyPress, Qt::Key_PageUp, Qt::ShiftModifier); }, true,
     ""},
    {"ctrl_shift_up_moves_between_prompts", "",
     [](QPointF) { return key(QEvent::KeyPress, Qt::Key_Up, Qt::ControlModifier | Qt::ShiftModifier); }, true, ""},
    {"ctrl_shift_down_on_the_alternate_screen_is_the_programs", "\x1b[?1049h",
     [](QPointF) { return key(QEvent::KeyPress, Qt::Key_Down, Qt::ControlModifier | Qt::ShiftModifier); }, true,
     "\x1b[1;6B"},
    {"left_press_selects", "", [](QPointF p) { return mouse(QEvent::MouseButtonPress, Qt::LeftButton, p); }, true, ""},
    {"right_press_is_the_shells", "", [](QPointF p) { return mouse(QEvent::MouseButtonPress, Qt::RightButton, p); },
     false, ""},
    {"right_press_reported", "\x1b[?1000h\x1b[?1006h",
     [](QPointF p) { return mouse(QEvent::MouseButtonPress, Qt::RightButton, p); }, true, "\x1b[<2;2;1M"},
    {"plain_release_is_the_shells", "",
     [](QPointF p) { return mouse(QEvent::MouseButtonRelease, Qt::LeftButton, p); }, false, ""},
    {"wheel_scrolls_in_the_shell", "", [](QPointF p) { return wheel(120, p); }, false, ""},
    {"wheel_reported", "\x1b[?1000h\x1b[?1006h", [](QPointF p) { return wheel(-240, p); }, true,
     "\x1b[<65;2;1M\x1b[<65;2;1M"},
    {"wheel_on_the_alternate_screen_sends_keys", "\x1b[?1049h", [](QPointF p) { return wheel(120, p); }, true,
     "\x1b[A\x1b[A\x1b[A"},
    {"shift_wheel_stays_local", "\x1b[?1000h", [](QPointF p) { return wheel(120, p, Qt::ShiftModifier); }, false, ""},
    {"focus_reported", "\x1b[?1004h", [](QPointF) { return std::make_unique<QFocusEvent>(QEvent::FocusIn); }, true,
     "\x1b[I"},
};

TEST(ControlEvents, TheControlTakesWhatItUses)
{
    for (const EventCase &e : kEvents) {
        SCOPED_TRACE(e.name);
        Control t;
        t.feed(e.modes);
        QSignalSpy sent(&t.c, &TerminalControl::dataReady);
        const QPointF cellCentre(1.5 * t.c.cellWidth(), 0.5 * t.c.cellHeight());
        const std::unique_ptr<QEvent> event = e.event(cellCentre);
        EXPECT_EQ(t.c.handleEvent(event.get()), e.used);
        QByteArray all;
        for (const QList<QVariant> &args : sent)
            all += args.at(0).toByteArray();
        EXPECT_EQ(all, e.sent);
    }
}

// The release of a key whose press the control took (a shortcut, a prompt
// jump) is no more the program's than the press; the next press and release
// of a key it did not take are.
TEST(ControlEvents, ReleasesOfTakenPressesAreNotReported)
{
    Control t;
    t.feed("\x1b[>3u");
    QSignalSpy sent(&t.c, &TerminalControl::dataReady);
    const auto send = [&](QEvent::Type type, int code, Qt::KeyboardModifiers mods) {
        t.c.handleEvent(key(type, code, mods).get());
    };
    const Qt::KeyboardModifiers ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
    send(QEvent::KeyPress, Qt::Key_PageUp, Qt::ShiftModifier);
    send(QEvent::KeyRelease, Qt::Key_PageUp, Qt::ShiftModifier);
    send(QEvent::KeyPress, Qt::Key_Up, ctrlShift);
    send(QEvent::KeyRelease, Qt::Key_Up, ctrlShift);
    send(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
    send(QEvent::KeyRelease, Qt::Key_Up, Qt::NoModifier);
    QByteArray all;
    for (const QList<QVariant> &args : sent)
        all += args.at(0).toByteArray();
    EXPECT_EQ(all, QByteArray("\x1b[A\x1b[1;1:3A"));
}

// Event positions count from the origin the shell names.
TEST(ControlEvents, PositionsAreRelativeToTheOrigin)
{
    Control t;
    t.feed("\x1b[?1000h\x1b[?1006h");
    QSignalSpy sent(&t.c, &TerminalControl::dataReady);
    const QPointF origin(100, 50);
    const auto press = mouse(QEvent::MouseButtonPress, Qt::LeftButton,
                             origin + QPointF(3.5 * t.c.cellWidth(), 2.5 * t.c.cellHeight()));
    t.c.handleEvent(press.get(), origin);
    ASSERT_EQ(sent.count(), 1);
    EXPECT_EQ(sent.at(0).at(0).toByteArray(), QByteArray("\x1b[<0;4;3M"));
}

// --- repaint requests --------------------------------------------------------------

TEST(ControlRequests, OutputRepaintsOnlyTheRowsItChanged)
{
    Control t;
    t.show();
    t.feed("a\r\nb\r\nc");
    t.paint();
    QSignalSpy updates(&t.c, &TerminalControl::updateRequest);
    QSignalSpy scrolls(&t.c, &TerminalControl::scrollRequest);
    t.feed("\x1b[2;5Hx");
    // Right after a paint, output's repaint waits for the next frame.
    EXPECT_TRUE(QTest::qWaitFor([&] { return updates.count() > 0; }, 1000));
    EXPECT_EQ(scrolls.count(), 0);
    ASSERT_EQ(updates.count(), 1);
    // Row 1 gained the text, row 2 lost the cursor: one band of two rows.
    EXPECT_EQ(updates.at(0).at(0).toRect(), t.rows(1, 2));
}

TEST(ControlRequests, ALineFeedAtTheBottomMovesThePixelsUp)
{
    Control t;
    t.show();
    t.feed("1\r\n2\r\n3\r\n4");
    t.paint();
    QSignalSpy updates(&t.c, &TerminalControl::updateRequest);
    QSignalSpy scrolls(&t.c, &TerminalControl::scrollRequest);
    t.feed("\r\n5");
    EXPECT_TRUE(QTest::qWaitFor([&] { return updates.count() > 0; }, 1000));
    ASSERT_EQ(scrolls.count(), 1);
    EXPECT_EQ(scrolls.at(0).at(0).toInt(), -t.c.cellHeight());
    EXPECT_EQ(scrolls.at(0).at(1).toRect(), t.rows(0, 4));
    // The row the cursor left and the new bottom row.
    ASSERT_EQ(updates.count(), 1);
    EXPECT_EQ(updates.at(0).at(0).toRect(), t.rows(2, 2));
}

TEST(ControlRequests, WhileHiddenEveryChangeRepaintsAll)
{
    Control t;
    t.paint();
    QSignalSpy updates(&t.c, &TerminalControl::updateRequest);
    t.feed("x");
    ASSERT_TRUE(QTest::qWaitFor([&] { return updates.count() > 0; }, 1000));
    EXPECT_TRUE(updates.last().at(0).toRect().isNull());
}

// --- scroll model and grid ---------------------------------------------------------

TEST(ControlScrollModel, FollowsTheScrollbackAndMovesTheView)
{
    Control t(10, 4);
    QSignalSpy changed(&t.c, &TerminalControl::scrollChanged);
    for (int i = 0; i < 10; ++i)
        t.feed(QByteArray::number(i) + "\r\n");
    EXPECT_GE(changed.count(), 1);
    EXPECT_EQ(t.c.scrollMaximum(), 7); // 11 lines, 4 on the screen
    EXPECT_EQ(t.c.scrollValue(), 7);
    EXPECT_EQ(t.c.scrollPageStep(), 4);
    t.c.setScrollValue(0);
    EXPECT_EQ(t.c.viewTopLine(), t.c.firstLine());
    EXPECT_EQ(t.c.lineAt(t.c.viewTopLine()).trimmed(), QStringLiteral("0"));
    changed.clear();
    t.c.scrollLines(2);
    EXPECT_EQ(t.c.scrollValue(), 2);
    EXPECT_EQ(changed.count(), 1);
    t.c.setScrollValue(99); // clamped to the live screen
    EXPECT_EQ(t.c.scrollValue(), 7);
    EXPECT_EQ(t.c.viewTopLine(), t.c.firstLine() + 7);
}

TEST(ControlGrid, FollowsTheViewportAndAnnouncesOncePerPass)
{
    Control t(10, 4);
    QSignalSpy resized(&t.c, &TerminalControl::resized);
    t.c.setViewportSize(QSize(20 * t.c.cellWidth() + t.c.cellWidth() - 1, 6 * t.c.cellHeight()));
    t.c.setViewportSize(QSize(15 * t.c.cellWidth(), 5 * t.c.cellHeight())); // same pass: applied at its end
    EXPECT_EQ(t.c.columns(), 20);
    EXPECT_EQ(resized.count(), 0); // from the event loop, never inside the shell's resize
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(t.c.columns(), 15);
    EXPECT_EQ(t.c.terminalRows(), 5);
    ASSERT_GE(resized.count(), 1);
    EXPECT_EQ(resized.last(), (QList<QVariant>{15, 5}));
    t.c.setViewportSize(QSize(2, 2)); // smaller than a cell: still a grid
    QCoreApplication::processEvents();
    EXPECT_EQ(t.c.columns(), 1);
    EXPECT_EQ(t.c.terminalRows(), 1);
}

} // namespace

// --- synchronized output ----------------------------------------------------------

namespace {

QString firstRow(const TerminalControl &c) { return c.lineAt(c.viewTopLine()).trimmed(); }

} // namespace

// Output after ?2026h waits until ?2026l, the marker found whole or split
// across feeds; readers and paints see the frame only when it is whole.
TEST(ControlSynchronizedOutput, AFrameShowsWhole)
{
    struct Case {
        const char *name;
        std::vector<QByteArray> feeds;
        std::vector<QString> rows; // the first row after each feed
    };
    const Case cases[] = {
        {"held until reset", {"a\x1b[?2026hb", "c", "\x1b[?2026ld"}, {"a", "a", "abcd"}},
        {"reset split across feeds", {"\x1b[?2026hx", "\x1b[?20", "26", "l"}, {"", "", "", "x"}},
        {"reset split after its escape", {"\x1b[?2026hx\x1b", "[?2026l"}, {"", "x"}},
        {"a second frame is held again", {"\x1b[?2026hx\x1b[?2026ly\x1b[?2026hz", "\x1b[?2026l"}, {"xy", "xyz"}},
        {"a reset mode holds nothing", {"\x1b[?2026h\x1b[?2026lx"}, {"x"}},
        {"a query of the mode is no frame", {"\x1b[?2026$pa\x1b[?2026hb", "\x1b[?2026l"}, {"a", "ab"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Control t;
        for (std::size_t i = 0; i < c.feeds.size(); ++i) {
            t.feed(c.feeds[i]);
            EXPECT_EQ(firstRow(t.c), c.rows[i]) << "after feed " << i;
        }
    }
}

TEST(ControlSynchronizedOutput, DecrqmReportsTheModeInsideTheFrame)
{
    Control t;
    QSignalSpy sent(&t.c, &TerminalControl::dataReady);
    t.feed("\x1b[?2026$p\x1b[?2026h\x1b[?2026$p\x1b[?2026l");
    QByteArray all;
    for (const QList<QVariant> &args : sent)
        all += args.at(0).toByteArray();
    EXPECT_EQ(all, QByteArray("\x1b[?2026;2$y\x1b[?2026;1$y"));
}

// A program that never ends its frame cannot freeze the view: the hold ends
// after its time bound, or at once when the held output reaches its size bound.
TEST(ControlSynchronizedOutput, TheHoldIsBounded)
{
    Control t;
    t.feed("\x1b[?2026hx");
    EXPECT_EQ(firstRow(t.c), QString());
    EXPECT_TRUE(QTest::qWaitFor([&] { return firstRow(t.c) == QLatin1String("x"); }, 5000)) << "the time bound";

    Control big;
    big.feed("\x1b[?2026h");
    big.feed(QByteArray(vesper::SynchronizedOutput::kMaxHeldBytes - 1, 'y'));
    EXPECT_EQ(firstRow(big.c), QString());
    big.feed("z");
    EXPECT_EQ(firstRow(big.c).left(1), QLatin1String("y")) << "the size bound";
}

// --- a program's clipboard strings -----------------------------------------------

// OSC 52 under each policy: writes set the clipboard from the event loop and
// are signalled; reads are answered only under ReadWrite; bad base64 and data
// beyond the bound change nothing.
TEST(ControlClipboard, ProgramsUseItAsTheHostAllows)
{
    using Access = TerminalControl::ClipboardAccess;
    const QByteArray overBound = QByteArray(int(vesper::Parser::kMaxClipboardBytes) + 1, 'x').toBase64();
    const QByteArray atBound = QByteArray(int(vesper::Parser::kMaxClipboardBytes), 'y').toBase64();
    struct Case {
        const char *name;
        Access access;
        QByteArray bytes;
        QString clipboard; // after the event loop ran
        int writes;
        QByteArray replies;
    };
    const Case cases[] = {
        {"write", TerminalControl::WriteOnly, "\x1b]52;c;aGVsbG8=\a", "hello", 1, ""},
        {"no targets is the clipboard", TerminalControl::WriteOnly, "\x1b]52;;aGk=\x1b\\", "hi", 1, ""},
        {"read refused by default", TerminalControl::WriteOnly, "\x1b]52;c;?\a", "before", 0, ""},
        {"read allowed", TerminalControl::ReadWrite, "\x1b]52;c;?\a\x1b]52;c;?\x1b\\", "before", 0,
         "\x1b]52;c;YmVmb3Jl\a\x1b]52;c;YmVmb3Jl\x1b\\"},
        {"no access", TerminalControl::NoAccess, "\x1b]52;c;aGVsbG8=\a\x1b]52;c;?\a", "before", 0, ""},
        {"bad base64", TerminalControl::ReadWrite, "\x1b]52;c;!!!!\a\x1b]52;c;aGV$bG8=\a", "before", 0, ""},
        {"beyond the bound", TerminalControl::WriteOnly, "\x1b]52;c;" + overBound + "\a", "before", 0, ""},
        {"at the bound", TerminalControl::WriteOnly, "\x1b]52;c;" + atBound + "\a",
         QString(int(vesper::Parser::kMaxClipboardBytes), QLatin1Char('y')), 1, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Control t;
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        t.c.setClipboardAccess(c.access);
        QSignalSpy sent(&t.c, &TerminalControl::dataReady);
        QSignalSpy written(&t.c, &TerminalControl::clipboardWritten);
        t.feed(c.bytes);
        EXPECT_EQ(written.count(), 0) << "never inside the feed";
        t.c.screenText(); // parses what a busy pass left, however slow the machine
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        EXPECT_EQ(QGuiApplication::clipboard()->text(), c.clipboard);
        EXPECT_EQ(written.count(), c.writes);
        QByteArray all;
        for (const QList<QVariant> &args : sent)
            all += args.at(0).toByteArray();
        EXPECT_EQ(all, c.replies);
    }
}

// A font change announces the new cell once, from the event loop, and the
// pixel reports (CSI 14 t, CSI 16 t) answer from the same sizes.
TEST(ControlGrid, ThePixelSizesFollowTheFont)
{
    Control t(10, 4);
    QSignalSpy cell(&t.c, &TerminalControl::cellSizeChanged);
    QSignalSpy sent(&t.c, &TerminalControl::dataReady);
    QFont font = t.c.font();
    font.setPixelSize(font.pixelSize() * 2);
    t.c.setFont(font);
    t.c.setFont(font);
    EXPECT_EQ(cell.count(), 0) << "never inside setFont";
    QCoreApplication::processEvents();
    ASSERT_EQ(cell.count(), 1);
    EXPECT_EQ(cell.at(0), (QList<QVariant>{t.c.cellWidth(), t.c.cellHeight()}));
    t.feed("\x1b[14t\x1b[16t");
    QCoreApplication::processEvents();
    QByteArray all;
    for (const QList<QVariant> &args : sent)
        all += args.at(0).toByteArray();
    EXPECT_EQ(all, QStringLiteral("\x1b[4;%1;%2t\x1b[6;%3;%4t")
                       .arg(t.c.terminalRows() * t.c.cellHeight())
                       .arg(t.c.columns() * t.c.cellWidth())
                       .arg(t.c.cellHeight())
                       .arg(t.c.cellWidth())
                       .toLatin1());
}

// --- underline styles ------------------------------------------------------------

// Per pixel column of row 0's first `cells` cells: the rows of red pixels.
std::vector<std::vector<int>> redRows(Control &t, int cells)
{
    QImage image(t.c.viewportSize(), QImage::Format_RGB32);
    QPainter painter(&image);
    t.c.paint(painter, QRegion(image.rect()), {});
    painter.end();
    std::vector<std::vector<int>> columns(std::size_t(cells * t.c.cellWidth()));
    for (int x = 0; x < int(columns.size()); ++x)
        for (int y = 0; y < t.c.cellHeight(); ++y) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() - std::max(c.green(), c.blue()) > 60)
                columns[std::size_t(x)].push_back(y);
        }
    return columns;
}

// Each style over six blank cells: a line across every cell, two lines, a
// wave that swings and repeats cell by cell (joining across cells), dots
// and one dash per cell; in the underline colour (SGR 58), else the text's.
TEST(ControlUnderlines, EachStyleDrawsItsShape)
{
    enum Shape { Line, TwoLines, Wave, Dots, Dashes };
    const struct {
        const char *sgr;
        Shape shape;
    } cases[] = {
        {"\x1b[4:1;58:2::255:0:0m", Line},     {"\x1b[4:2;58:2::255:0:0m", TwoLines},
        {"\x1b[4:3;58:2::255:0:0m", Wave},     {"\x1b[4:4;58:2::255:0:0m", Dots},
        {"\x1b[4:5;58:2::255:0:0m", Dashes},   {"\x1b[31;4:3m", Wave},
        {"\x1b[21;58;5;9m", TwoLines},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.sgr);
        Control t(8, 2);
        t.feed(QByteArray(c.sgr) + "      \x1b[m\r\n");
        const int w = t.c.cellWidth();
        const auto rows = redRows(t, 6);
        int blankColumns = 0;
        std::set<int> tops;
        for (const auto &r : rows) {
            blankColumns += r.empty() ? 1 : 0;
            if (!r.empty())
                tops.insert(r.front());
        }
        // Runs of red columns within each cell.
        std::vector<int> runsPerCell(6, 0);
        for (int x = 0; x < int(rows.size()); ++x)
            if (!rows[std::size_t(x)].empty() && (x % w == 0 || rows[std::size_t(x - 1)].empty()))
                ++runsPerCell[std::size_t(x / w)];
        switch (c.shape) {
        case Line:
        case TwoLines: {
            EXPECT_EQ(blankColumns, 0);
            EXPECT_EQ(tops.size(), 1u);
            const auto &r = rows.front();
            const bool gap = r.back() - r.front() + 1 > int(r.size());
            EXPECT_EQ(gap, c.shape == TwoLines);
            break;
        }
        case Wave:
            EXPECT_EQ(blankColumns, 0) << "the wave joins across cells";
            EXPECT_GE(tops.size(), 3u) << "a wave, not a line";
            for (int x = 0; x + w < int(rows.size()); ++x)
                EXPECT_EQ(rows[std::size_t(x)], rows[std::size_t(x + w)]) << x;
            break;
        case Dots:
        case Dashes:
            EXPECT_GT(blankColumns, 0);
            for (const int runs : runsPerCell)
                EXPECT_TRUE(c.shape == Dots ? runs >= 2 : runs == 1) << runs;
            break;
        }
    }
}

// Equal cells with another underline colour are another picture: a change
// of the colour alone repaints the row.
TEST(ControlUnderlines, AColourChangeAloneRepaints)
{
    Control t;
    t.show();
    t.feed("\x1b[4:3;58:2::255:0:0mabc\x1b[m");
    t.paint();
    QSignalSpy updates(&t.c, &TerminalControl::updateRequest);
    t.feed("\r\x1b[4:3;58:2::0:255:0mabc\x1b[m");
    EXPECT_TRUE(QTest::qWaitFor([&] { return updates.count() > 0; }, 1000));
    ASSERT_EQ(updates.count(), 1);
    EXPECT_EQ(updates.at(0).at(0).toRect(), t.rows(0, 1));
}

// --- shell integration (OSC 133) ---------------------------------------------------

QByteArray mark(const char *which) { return QByteArray("\x1b]133;") + which + "\a"; }

// Three commands: one with two lines of output and exit code 0, one without
// output (its C, D and the next A share a cell) and one still running.  A D
// before the first prompt, with no command, is no finished command.
QByteArray threeCommands()
{
    return mark("D") + mark("A") + "$ " + mark("B") + "ls\r\n" + mark("C") + "a\r\nb\r\n" + mark("D;0") + mark("A")
           + "$ " + mark("B") + "true\r\n" + mark("C") + mark("D") + mark("A") + "$ " + mark("B") + "cat\r\n"
           + mark("C") + "x";
}

TEST(ControlShellIntegration, CommandOutputAndFinishedCommands)
{
    struct Case {
        int line;
        const char *output; // nullptr: none
    };
    const Case cases[] = {
        {0, "a\nb"}, {1, "a\nb"}, {2, "a\nb"}, {3, nullptr}, {4, "x"}, {5, "x"}, {6, "x"}, {8, nullptr},
    };
    // Whole, byte by byte: the marks' callback must not depend on the split.
    for (const bool bytewise : {false, true}) {
        Control t(10, 8);
        QSignalSpy finished(&t.c, &TerminalControl::commandFinished);
        const QByteArray stream = threeCommands();
        if (bytewise)
            for (const char b : stream)
                t.feed(QByteArray(1, b));
        else
            t.feed(stream);
        t.c.screenText();
        QList<int> codes;
        for (const QList<QVariant> &args : finished)
            codes.append(args.at(0).toInt());
        EXPECT_EQ(codes, QList<int>({0, -1}));
        for (const Case &c : cases) {
            SCOPED_TRACE(c.line);
            EXPECT_EQ(t.c.selectCommandOutput(c.line), c.output != nullptr);
            if (c.output) {
                EXPECT_EQ(t.c.selectedText(), QString::fromLatin1(c.output));
            }
            t.c.clearSelection();
        }
    }
}

// A fourth click selects the output under the pointer; without marks it
// keeps the line a third click took.
TEST(ControlShellIntegration, AFourthClickSelectsTheOutput)
{
    for (const bool marked : {true, false}) {
        SCOPED_TRACE(marked);
        Control t(10, 8);
        t.feed(marked ? threeCommands() : QByteArray("$ ls\r\na\r\nb\r\n"));
        const QPointF onA(0.5 * t.c.cellWidth(), 1.5 * t.c.cellHeight());
        for (int click = 0; click < 4; ++click)
            t.c.handleEvent(mouse(QEvent::MouseButtonPress, Qt::LeftButton, onA).get());
        EXPECT_EQ(t.c.selectedText(), marked ? QStringLiteral("a\nb") : QStringLiteral("a"));
    }
}

// Prompts on lines 0, 4 and 8 and the live one on 12; the screen shows 9..12.
TEST(ControlShellIntegration, TheViewMovesFromPromptToPrompt)
{
    Control t(10, 4);
    QByteArray stream;
    for (int command = 0; command < 3; ++command)
        stream += mark("A") + "$ " + mark("B") + "cmd\r\n" + mark("C") + "1\r\n2\r\n3\r\n" + mark("D;0");
    t.feed(stream + mark("A") + "$ ");
    ASSERT_EQ(t.c.viewTopLine(), 9);
    EXPECT_FALSE(t.c.scrollToNextPrompt()) << "the live screen has nothing below";
    for (const int top : {8, 4, 0}) {
        EXPECT_TRUE(t.c.scrollToPreviousPrompt());
        EXPECT_EQ(t.c.viewTopLine(), top);
        EXPECT_EQ(t.c.scrollValue(), top);
    }
    EXPECT_FALSE(t.c.scrollToPreviousPrompt());
    EXPECT_EQ(t.c.viewTopLine(), 0);
    for (const int top : {4, 8, 9}) { // the last prompt shows the live screen
        EXPECT_TRUE(t.c.scrollToNextPrompt());
        EXPECT_EQ(t.c.viewTopLine(), top);
    }
    // The keys do the same.
    const auto up = key(QEvent::KeyPress, Qt::Key_Up, Qt::ControlModifier | Qt::ShiftModifier);
    t.c.handleEvent(up.get());
    EXPECT_EQ(t.c.viewTopLine(), 8);
}

// --- output parsed over several passes, and the frame pacer ----------------------

namespace {

using vesper::FramePacer;

// Several megabytes of coloured lines (far more than one pass parses), with
// cursor-position requests whose replies depend on where the parse stands,
// and title changes.
QByteArray flood()
{
    QByteArray out;
    for (int i = 0; out.size() < (6 << 20); ++i) {
        out += "\x1b[3" + QByteArray::number(i % 8) + "mline " + QByteArray::number(i) + " "
               + QByteArray(40 + i % 37, char('a' + i % 26)) + "\x1b[0m\r\n";
        if (i % 5000 == 0)
            out += "at " + QByteArray::number(i) + "\x1b[6n\x1b]2;title " + QByteArray::number(i) + "\x07\r\n";
    }
    return out + "\x1b[6n\x1b]2;last\x07" "end";
}

struct Recorded {
    QByteArray replies;
    QString title;
    QString screen;
};

// Feeds the chunks back to back (a feed may come while a pass waits), lets
// the event loop run until the last reply is out, and records the outcome.
Recorded run(const std::vector<QByteArray> &chunks, qsizetype expectedReplies)
{
    application(); // before the control, which reads the fonts
    TerminalControl c;
    c.setViewportSize(QSize(60 * c.cellWidth(), 10 * c.cellHeight()));
    Recorded r;
    QObject::connect(&c, &TerminalControl::dataReady, [&](const QByteArray &bytes) { r.replies += bytes; });
    QObject::connect(&c, &TerminalControl::titleChanged, [&](const QString &title) { r.title = title; });
    for (const QByteArray &chunk : chunks)
        c.feed(chunk);
    EXPECT_TRUE(QTest::qWaitFor([&] { return r.replies.size() >= expectedReplies && r.title == QLatin1String("last"); },
                                20000))
        << "replies " << r.replies.size() << " of " << expectedReplies << ", title " << r.title.toStdString();
    r.screen = c.screenText();
    return r;
}

TEST(ControlParsePasses, OutputSplitAcrossPassesEndsTheSame)
{
    const QByteArray all = flood();
    // Each request gets one reply, ESC [ row ; column R.
    const qsizetype requests = all.count("\x1b[6n");
    const Recorded whole = run({all}, 0);
    ASSERT_EQ(whole.replies.count('R'), requests);
    const qsizetype third = all.size() / 3;
    const Recorded pieces = run({all.first(third), all.sliced(third, third), all.sliced(2 * third)}, whole.replies.size());
    std::vector<QByteArray> small;
    for (qsizetype at = 0; at < all.size(); at += 4093)
        small.push_back(all.sliced(at, std::min<qsizetype>(4093, all.size() - at)));
    const Recorded many = run(small, whole.replies.size());
    for (const Recorded *r : {&pieces, &many}) {
        EXPECT_EQ(r->replies, whole.replies);
        EXPECT_EQ(r->title, whole.title);
        EXPECT_EQ(r->screen, whole.screen);
    }
}

// --- the frame pacer -----------------------------------------------------------------

constexpr qint64 ms = 1'000'000;

TEST(FramePacer, OutputRepaintsAtOnceAfterAQuietSpell)
{
    FramePacer pacer;
    EXPECT_EQ(pacer.wait(0), 0) << "before any paint";
    pacer.painted(100 * ms, 1 * ms, true);
    EXPECT_EQ(pacer.wait(101 * ms), 15 * ms) << "a cheap frame: the next one a display frame later";
    EXPECT_EQ(pacer.wait(200 * ms), 0) << "after a quiet spell";
}

TEST(FramePacer, ADearFrameKeepsPaintingToAQuarterOfTheThread)
{
    FramePacer pacer;
    // A frame painted in two paints of 5 ms (each stopped at its budget).
    pacer.painted(0, 5 * ms, false);
    EXPECT_EQ(pacer.wait(5 * ms), 0) << "the frame's own rest is not output's repaint";
    pacer.painted(8 * ms, 5 * ms, true);
    EXPECT_EQ(pacer.wait(13 * ms), 30 * ms) << "3 x the 10 ms frame after its end";
    // A cheap frame after it lowers the cost only partly.
    pacer.painted(100 * ms, 2 * ms, true);
    EXPECT_EQ(pacer.wait(102 * ms), 3 * 8 * ms) << "cost 10 + (2 - 10) / 4 = 8 ms";
}

TEST(LoopPassBudget, OutputSharesOneEventLoopPassUntilTheLoopServesItsTimers)
{
    application();
    vesper::LoopPassBudget budget;
    constexpr qint64 pass = vesper::LoopPassBudget::kPassNanoseconds;
    budget.spend(3 * ms);
    budget.spend(4 * ms);
    EXPECT_EQ(budget.left(), pass - 7 * ms) << "a parse and a paint in one loop pass";
    budget.spend(pass);
    EXPECT_EQ(budget.left(), 0);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(budget.left(), 0) << "posted events are delivered in the same loop pass";
    EXPECT_TRUE(QTest::qWaitFor([&] { return budget.left() == pass; }, 1000)) << "the loop came round to its timers";
}

} // namespace

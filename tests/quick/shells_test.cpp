// The two shells over TerminalControl, side by side: the same scenarios (keys,
// mouse drag and double-click, wheel, resize, feed) through TerminalWidget and
// TerminalItem must give the same bytes, texts and grids, and the same bytes,
// font, palette and grid must give the same pixels (the item's texture is
// built from partial repaints as output arrives, the widget's grab is one
// whole paint).  The item runs on the software scene graph.
#include <QApplication>
#include <QClipboard>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>

#include "lumenvale/terminal_item.h"
#include "lumenvale/terminal_widget.h"

namespace {

using vesper::TerminalItem;
using vesper::TerminalWidget;

QApplication *theApplication = nullptr;

QApplication &application()
{
    static int argc = 1;
    static char name[] = "vesper_quick_tests";
    static char *argv[] = {name, nullptr};
    qputenv("QT_QUICK_BACKEND", "software");
    if (!theApplication)
        theApplication = new QApplication(argc, argv);
    return *theApplication;
}

// The application goes before the process ends: the scene graph's font
// engines and glyph caches are freed with it, not left for the leak checker.
class ApplicationEnvironment : public ::testing::Environment {
public:
    void TearDown() override
    {
        delete theApplication;
        theApplication = nullptr;
    }
};
const auto *const kEnvironment = ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

QFont testFont()
{
    QFont f(QStringLiteral("DejaVu Sans Mono"));
    f.setPixelSize(14);
    return f;
}

// What a scenario drives and reads, the same for both shells.  Positions are
// cells; the shell turns them into its own coordinates.
class Shell {
public:
    virtual ~Shell() = default;
    virtual QObject *terminal() = 0;
    virtual void feed(const QByteArray &bytes) = 0;
    virtual void resizeCells(int columns, int rows) = 0;
    virtual QImage grab() = 0;
    virtual QWindow *window() = 0;
    // The target of mouse and wheel events, and the cell size in pixels.
    virtual QObject *pointerTarget() = 0;
    virtual QSize cell() = 0;
    virtual QString screenText() = 0;
    virtual QString selectedText() = 0;
    virtual int viewTopLine() = 0;
    virtual QSize grid() = 0;
    virtual QObject *keyTarget() = 0;

    void key(Qt::Key key, Qt::KeyboardModifiers mods = {}, const QString &text = {})
    {
        QKeyEvent press(QEvent::KeyPress, key, mods, text);
        QCoreApplication::sendEvent(keyTarget(), &press);
        QKeyEvent release(QEvent::KeyRelease, key, mods, text);
        QCoreApplication::sendEvent(keyTarget(), &release);
    }
    QPointF at(int column, int row) { return {(column + 0.5) * cell().width(), (row + 0.5) * cell().height()}; }
    void mouse(QEvent::Type type, QPointF pos, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        QMouseEvent event(type, pos, pos, button, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(pointerTarget(), &event);
    }
    void drag(int fromColumn, int toColumn, int row)
    {
        mouse(QEvent::MouseButtonPress, at(fromColumn, row), Qt::LeftButton, Qt::LeftButton);
        mouse(QEvent::MouseMove, at(toColumn, row), Qt::NoButton, Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, at(toColumn, row), Qt::LeftButton, Qt::NoButton);
    }
    void wheel(int angle)
    {
        const QPointF pos = at(1, 1);
        QWheelEvent event(pos, pos, QPoint(), QPoint(0, angle), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                          false);
        QCoreApplication::sendEvent(pointerTarget(), &event);
    }
};

class WidgetShell : public Shell {
public:
    WidgetShell(int columns, int rows)
    {
        // The viewport is the whole widget, as the item is: the same grid.
        w.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        w.setTerminalFont(testFont());
        resizeCells(columns, rows);
        w.show();
        w.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
    }
    QObject *terminal() override { return &w; }
    void feed(const QByteArray &bytes) override
    {
        w.feed(bytes);
        QApplication::processEvents();
    }
    void resizeCells(int columns, int rows) override
    {
        w.resize(columns * w.cellWidth(), rows * w.cellHeight());
        QApplication::processEvents();
    }
    QImage grab() override { return w.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    QWindow *window() override { return w.windowHandle(); }
    QObject *pointerTarget() override { return w.viewport(); }
    QObject *keyTarget() override { return &w; }
    QSize cell() override { return {w.cellWidth(), w.cellHeight()}; }
    QString screenText() override { return w.screenText(); }
    QString selectedText() override { return w.selectedText(); }
    int viewTopLine() override { return w.viewTopLine(); }
    QSize grid() override { return {w.columns(), w.terminalRows()}; }

    QApplication &app = application(); // before the widget
    TerminalWidget w;
};

class ItemShell : public Shell {
public:
    ItemShell(int columns, int rows)
    {
        item = new TerminalItem(view.contentItem());
        item->setTerminalFont(testFont());
        resizeCells(columns, rows);
        view.show();
        view.requestActivate();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&view));
        item->forceActiveFocus();
    }
    QObject *terminal() override { return item; }
    void feed(const QByteArray &bytes) override
    {
        item->feed(bytes);
        QApplication::processEvents();
        // Output that follows a frame closely repaints a frame later: its
        // pixels are in the item's texture once the frames stop (the
        // widget's grab paints in full anyway).
        std::atomic<int> frames = 0; // counted on the render thread, if there is one
        const QMetaObject::Connection counting =
            QObject::connect(&view, &QQuickWindow::afterRendering, &view, [&frames] { ++frames; }, Qt::DirectConnection);
        for (int quiet = 0, attempts = 0; quiet < 3 && attempts < 200; ++attempts) {
            const int before = frames;
            QTest::qWait(20);
            quiet = frames == before ? quiet + 1 : 0;
        }
        QObject::disconnect(counting);
    }
    void resizeCells(int columns, int rows) override
    {
        item->setSize(QSizeF(columns * item->cellWidth(), rows * item->cellHeight()));
        view.resize(item->size().toSize());
        QApplication::processEvents();
    }
    QImage grab() override
    {
        return view.grabWindow().copy(QRect(QPoint(), item->size().toSize())).convertToFormat(QImage::Format_RGB32);
    }
    QWindow *window() override { return &view; }
    QObject *pointerTarget() override { return &view; }
    QObject *keyTarget() override { return &view; }
    QSize cell() override { return {item->cellWidth(), item->cellHeight()}; }
    QString screenText() override { return item->screenText(); }
    QString selectedText() override { return item->selectedText(); }
    int viewTopLine() override { return item->viewTopLine(); }
    QSize grid() override { return {item->columns(), item->terminalRows()}; }

    QApplication &app = application(); // before the window
    QQuickWindow view;
    TerminalItem *item;
};

enum class Kind { Widget, Item };

std::unique_ptr<Shell> makeShell(Kind kind, int columns, int rows)
{
    if (kind == Kind::Widget)
        return std::make_unique<WidgetShell>(columns, rows);
    return std::make_unique<ItemShell>(columns, rows);
}

// --- one scenario table through both shells ----------------------------------

struct Scenario {
    const char *name;
    // Drives the shell and returns what it observed, as text.
    std::function<QString(Shell &, QSignalSpy &bytes, QSignalSpy &grid)> run;
    const char *expected;
};

QString bytesOf(QSignalSpy &spy)
{
    QByteArray all;
    for (const QList<QVariant> &args : spy)
        all += args.at(0).toByteArray();
    spy.clear();
    return QString::fromLatin1(all.toPercentEncoding(" "));
}

const Scenario kScenarios[] = {
    {"feed_shows_the_text",
     [](Shell &s, QSignalSpy &, QSignalSpy &) {
         s.feed("hello\r\n\x1b[1mworld\x1b[0m\x1b[2;3H!");
         QStringList rows = s.screenText().split(QLatin1Char('\n'));
         for (QString &row : rows)
             row = row.trimmed();
         return rows.join(QLatin1Char('|'));
     },
     "hello|wo!ld||||"},
    {"keys_become_bytes_in_application_cursor_mode",
     [](Shell &s, QSignalSpy &bytes, QSignalSpy &) {
         s.feed("\x1b[?1h");
         s.key(Qt::Key_A, {}, QStringLiteral("a"));
         s.key(Qt::Key_Return, {}, QStringLiteral("\r"));
         s.key(Qt::Key_Up);
         s.key(Qt::Key_C, Qt::ControlModifier, QStringLiteral("\x03"));
         return bytesOf(bytes);
     },
     "a%0D%1BOA%03"},
    {"mouse_drag_and_double_click_select",
     [](Shell &s, QSignalSpy &, QSignalSpy &) {
         s.feed("alpha beta-gamma delta");
         s.drag(0, 4, 0);
         const QString dragged = s.selectedText();
         // What a platform sends for a double-click: the second press comes
         // with the double-click event.
         s.mouse(QEvent::MouseButtonPress, s.at(8, 0), Qt::LeftButton, Qt::LeftButton);
         s.mouse(QEvent::MouseButtonRelease, s.at(8, 0), Qt::LeftButton, Qt::NoButton);
         s.mouse(QEvent::MouseButtonPress, s.at(8, 0), Qt::LeftButton, Qt::LeftButton);
         s.mouse(QEvent::MouseButtonDblClick, s.at(8, 0), Qt::LeftButton, Qt::LeftButton);
         s.mouse(QEvent::MouseButtonRelease, s.at(8, 0), Qt::LeftButton, Qt::NoButton);
         return dragged + QLatin1Char('|') + s.selectedText();
     },
     "alph|beta-gamma"},
    {"mouse_reports_go_to_the_program",
     [](Shell &s, QSignalSpy &bytes, QSignalSpy &) {
         s.feed("\x1b[?1000h\x1b[?1006h");
         s.drag(2, 5, 1);
         s.wheel(120);
         return bytesOf(bytes);
     },
     "%1B%5B%3C0%3B3%3B2M%1B%5B%3C0%3B6%3B2m%1B%5B%3C64%3B2%3B2M"},
    {"shell_marks_move_the_view_and_report_commands",
     [](Shell &s, QSignalSpy &bytes, QSignalSpy &) {
         QSignalSpy finished(s.terminal(), SIGNAL(commandFinished(int)));
         for (int i = 0; i < 3; ++i)
             s.feed("\x1b]133;A\a$ \x1b]133;B\acmd\r\n\x1b]133;C\a1\r\n2\r\n3\r\n4\r\n5\r\n\x1b]133;D;"
                    + QByteArray::number(i) + "\a");
         s.key(Qt::Key_Up, Qt::ControlModifier | Qt::ShiftModifier);
         const int previous = s.viewTopLine();
         s.key(Qt::Key_Up, Qt::ControlModifier | Qt::ShiftModifier);
         QString codes;
         for (const QList<QVariant> &args : finished)
             codes += args.at(0).toString();
         return QString::number(previous) + QLatin1Char('|') + QString::number(s.viewTopLine()) + QLatin1Char('|')
                + codes + QLatin1Char('|') + bytesOf(bytes);
     },
     "12|6|012|"},
    {"wheel_scrolls_the_history",
     [](Shell &s, QSignalSpy &bytes, QSignalSpy &) {
         for (int i = 0; i < 30; ++i)
             s.feed(QByteArray::number(i) + "\r\n");
         const int live = s.viewTopLine();
         s.wheel(120);
         const int back = s.viewTopLine();
         s.key(Qt::Key_X, {}, QStringLiteral("x"));
         return QStringLiteral("%1 %2 %3").arg(back - live).arg(s.viewTopLine() - live).arg(bytesOf(bytes));
     },
     "-3 0 x"},
    {"actions_take_their_keys_and_the_rest_goes_to_the_program",
     [](Shell &s, QSignalSpy &bytes, QSignalSpy &) {
         for (int i = 0; i < 30; ++i)
             s.feed(QByteArray::number(i) + "\r\n");
         const int live = s.viewTopLine();
         s.key(Qt::Key_Home, Qt::ControlModifier | Qt::ShiftModifier);
         const int top = s.viewTopLine();
         s.key(Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
         QGuiApplication::clipboard()->setText(QStringLiteral("clip"));
         s.key(Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
         s.key(Qt::Key_Home, Qt::ShiftModifier);
         return QStringLiteral("%1 %2 %3").arg(top - live).arg(s.viewTopLine() - live).arg(bytesOf(bytes));
     },
     "-25 0 clip%1B%5B1%3B2H"},
    {"resize_announces_the_grid_once",
     [](Shell &s, QSignalSpy &, QSignalSpy &grid) {
         s.resizeCells(12, 4);
         QApplication::processEvents();
         return QStringLiteral("%1x%2 %3").arg(s.grid().width()).arg(s.grid().height()).arg(grid.count());
     },
     "12x4 1"},
};

class Shells : public ::testing::TestWithParam<Kind> {};

TEST_P(Shells, ScenariosGiveTheSameResults)
{
    for (const Scenario &scenario : kScenarios) {
        SCOPED_TRACE(scenario.name);
        const std::unique_ptr<Shell> shell = makeShell(GetParam(), 20, 6);
        QSignalSpy bytes(shell->terminal(), SIGNAL(dataReady(QByteArray)));
        QSignalSpy grid(shell->terminal(), SIGNAL(resized(int, int)));
        EXPECT_EQ(scenario.run(*shell, bytes, grid), QString::fromUtf8(scenario.expected));
    }
}

INSTANTIATE_TEST_SUITE_P(Both, Shells, ::testing::Values(Kind::Widget, Kind::Item),
                         [](const auto &info) { return info.param == Kind::Widget ? "Widget" : "Item"; });

// --- the same pixels ------------------------------------------------------------

// Output in steps, so the item's texture is built from repaints of the rows
// each step changed (and of rows moved by scrolling).
const std::vector<QByteArray> kPaintSteps[] = {
    {"plain \x1b[31mred\x1b[42m on green\x1b[0m \x1b[1;4mbold under\x1b[0m \x1b[7mreverse\x1b[0m"},
    {"\x1b[4:3;58:2::230:40:40mcurly\x1b[4:4m dotted\x1b[4:5;59m dashed\x1b[21m double\x1b[m"},
    {"\x1b[3mitalic\x1b[0m \x1b[9mstrike\x1b[0m \x1b[53mover\x1b[0m\r\n", "\xe6\x97\xa5\xe6\x9c\xac e\xcc\x81 ",
     "\xe2\x94\x8c\xe2\x94\x80\xe2\x94\x90\xe2\x96\x88\xe2\x96\x92\r\n\x1b[38;2;10;200;90mtrue\x1b[48;5;93mcolour\x1b[0m"},
    // The last step repaints rows 3 and 5 only: rows 0 to 2 keep the pixels
    // the scroll of the step before moved (the widget's pixel move, the
    // item's repaint of the moved rows).
    {"1\r\n2\r\n3\r\n4\r\n5\r\n", "6\r\n7\r\n8\r\n9\r\n", "\x1b[2Aup\x1b[K\r\n"},
    {"cursor \x1b[?25lhidden"},
    {"\x1b[?1049h\x1b[5;3Halternate\x1b[H\x1b[44m\x1b[2K\x1b[0mtop"},
};

TEST(ShellPixels, ItemPaintsWhatTheWidgetPaints)
{
    for (const std::vector<QByteArray> &steps : kPaintSteps) {
        SCOPED_TRACE(steps.front().toStdString());
        WidgetShell widget(24, 6);
        ItemShell item(24, 6);
        // Unfocused, both draw the cursor as an outline that does not blink.
        widget.w.clearFocus();
        item.item->setFocus(false);
        for (const QByteArray &step : steps) {
            widget.feed(step);
            item.feed(step);
            item.grab(); // a frame after each step: the next one repaints only changes
        }
        const QImage a = widget.grab();
        const QImage b = item.grab();
        ASSERT_EQ(a.size(), b.size());
        // Something was drawn: text in the palette's foreground at least.
        const QRgb background = widget.w.terminalPalette().background().rgb();
        int drawn = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x)
                drawn += a.pixel(x, y) != background;
        EXPECT_GT(drawn, 100);
        int differing = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x)
                differing += a.pixel(x, y) != b.pixel(x, y);
        EXPECT_EQ(differing, 0);
    }
}

// Selection and palette are the control's, drawn alike by both.
TEST(ShellPixels, SelectionAndPaletteMatch)
{
    WidgetShell widget(16, 4);
    ItemShell item(16, 4);
    widget.w.clearFocus();
    item.item->setFocus(false);
    vesper::Palette palette;
    palette.set_background(QColor(250, 250, 240));
    palette.set_foreground(QColor(20, 20, 90));
    widget.feed("select me\r\nnot me");
    item.feed("select me\r\nnot me");
    widget.w.setSelection(widget.w.firstLine(), 0, widget.w.firstLine(), 6);
    item.item->setSelection(item.item->firstLine(), 0, item.item->firstLine(), 6);
    widget.w.setTerminalPalette(palette);
    item.item->setTerminalPalette(palette);
    QApplication::processEvents();
    item.grab();
    EXPECT_EQ(widget.grab(), item.grab());
}

} // namespace

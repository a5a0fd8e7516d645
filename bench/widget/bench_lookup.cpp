// bench_lookup: milliseconds per user action that reads text around a cell
// or through the whole store, on a 1024x600 grid over 100k lines of
// scrollback: Ctrl+move, tooltip, Ctrl+click and double-click on a link,
// a small repaint while Ctrl is held, and find(). Two stores: one paragraph
// made of the whole scrollback (output without line feeds, a URL every
// 1000-odd cells) and 100k full lines. Each pointer action alternates
// between a cell at the top and one at the bottom of the view, so that
// nothing read for one serves the next. For find, max_step_ms is the
// longest time the event loop waited (a zero timer's longest gap).
#include <QElapsedTimer>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <string>

#include "bench/widget/bench_support.h"

namespace {

using vesper::TerminalWidget;

constexpr int kColumns = 1024;
constexpr int kRows = 600;
constexpr int kScrollback = 100000;

enum class Store { Paragraph, Lines };

// One store at a time: each holds about 1.6 GB of cells.
std::unique_ptr<TerminalWidget> current;
Store currentKind = Store::Lines;

TerminalWidget &store(Store kind)
{
    if (current && currentKind == kind)
        return *current;
    current.reset();
    current = std::make_unique<TerminalWidget>();
    TerminalWidget &w = *current;
    QFont font = vesper::bench::benchFont();
    font.setPixelSize(6);
    w.setTerminalFont(font);
    w.setScrollbackSize(kScrollback);
    w.resize(kColumns * w.cellWidth() + 40, kRows * w.cellHeight());
    w.show();
    QApplication::processEvents();
    const std::string url = " https://example.org/path/to/item?id=1234 ";
    std::string chunk;
    const qint64 total = qint64(kColumns) * (kScrollback + kRows);
    qint64 written = 0;
    int n = 0;
    while (written < total) {
        chunk.clear();
        if (kind == Store::Paragraph) {
            // Base64-like text without a line feed, a URL now and then.
            while (chunk.size() < 1 << 20) {
                for (int i = 0; i < 1000 + n % 37; ++i)
                    chunk += char('A' + (i * 7 + n) % 26);
                chunk += url;
                ++n;
            }
        } else {
            while (chunk.size() < 1 << 20) {
                for (int i = 0; i < kColumns - 1; ++i)
                    chunk += char('a' + (i * 7 + n) % 26);
                chunk += "\r\n";
                ++n;
            }
        }
        written += qint64(chunk.size());
        w.feed(QByteArray::fromRawData(chunk.data(), qsizetype(chunk.size())));
    }
    QApplication::processEvents();
    currentKind = kind;
    return w;
}

// A cell of the view holding a URL's text near view row `row`, in viewport
// pixels; the cell's own centre.
QPoint urlCell(TerminalWidget &w, int row)
{
    for (int r = row; r >= 0 && r < w.terminalRows(); r += row == 0 ? 1 : -1) {
        const int at = w.lineAt(w.viewTopLine() + r).indexOf(QStringLiteral("example.org"));
        if (at >= 0)
            return {at * w.cellWidth() + w.cellWidth() / 2, r * w.cellHeight() + w.cellHeight() / 2};
    }
    return {w.cellWidth() / 2, row * w.cellHeight() + w.cellHeight() / 2};
}

bool checkGrid(benchmark::State &state, TerminalWidget &w)
{
    if (w.columns() == kColumns && w.terminalRows() == kRows && w.scrollbackSize() == kScrollback)
        return true;
    state.SkipWithError("the store did not take the requested size");
    return false;
}

void sendMouse(TerminalWidget &w, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::KeyboardModifiers mods)
{
    QMouseEvent event(type, pos, w.viewport()->mapToGlobal(pos), button,
                      type == QEvent::MouseButtonRelease || type == QEvent::MouseMove ? Qt::NoButton : button, mods);
    QApplication::sendEvent(w.viewport(), &event);
}

enum class Action { CtrlMove, Tooltip, CtrlClick, DoubleClick, PaintCtrlHeld };

void pointerAction(benchmark::State &state, Store kind, Action action)
{
    TerminalWidget &w = store(kind);
    if (!checkGrid(state, w))
        return;
    const QPoint cells[2] = {urlCell(w, 0), urlCell(w, kRows - 1)};
    QKeyEvent ctrl(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
    QApplication::sendEvent(&w, &ctrl);
    int i = 0;
    for (auto _ : state) {
        const QPoint pos = cells[i++ % 2];
        switch (action) {
        case Action::CtrlMove:
            sendMouse(w, QEvent::MouseMove, pos, Qt::NoButton, Qt::ControlModifier);
            break;
        case Action::Tooltip: {
            QHelpEvent help(QEvent::ToolTip, pos, w.viewport()->mapToGlobal(pos));
            QApplication::sendEvent(w.viewport(), &help);
            break;
        }
        case Action::CtrlClick:
            sendMouse(w, QEvent::MouseButtonPress, pos, Qt::LeftButton, Qt::ControlModifier);
            sendMouse(w, QEvent::MouseButtonRelease, pos, Qt::LeftButton, Qt::ControlModifier);
            break;
        case Action::DoubleClick:
            sendMouse(w, QEvent::MouseButtonDblClick, pos, Qt::LeftButton, Qt::NoModifier);
            sendMouse(w, QEvent::MouseButtonRelease, pos, Qt::LeftButton, Qt::NoModifier);
            break;
        case Action::PaintCtrlHeld:
            // Ctrl is held over a link when output changes the screen; the
            // next paint (one cell here) resolves the link again.
            state.PauseTiming();
            sendMouse(w, QEvent::MouseMove, pos, Qt::NoButton, Qt::ControlModifier);
            w.feed(QByteArrayLiteral("\x1b[1;1HX"));
            state.ResumeTiming();
            w.viewport()->repaint(QRect(0, 0, w.cellWidth(), w.cellHeight()));
            break;
        }
    }
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Control, Qt::NoModifier);
    QApplication::sendEvent(&w, &release);
    w.clearSelection();
    QApplication::processEvents();
}

// A miss: the whole store is searched.
void findMiss(benchmark::State &state, Store kind)
{
    TerminalWidget &w = store(kind);
    if (!checkGrid(state, w))
        return;
    w.clearSelection();
    double longestStep = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        qint64 last = 0;
        qint64 longest = 0;
        QTimer tick;
        tick.setInterval(0);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            longest = std::max(longest, clock.nsecsElapsed() - last);
            last = clock.nsecsElapsed();
        });
        tick.start();
        clock.start();
        const bool found = w.find(QStringLiteral("not-in-the-store"));
        longest = std::max(longest, clock.nsecsElapsed() - last);
        tick.stop();
        if (found)
            state.SkipWithError("found what is not there");
        longestStep = std::max(longestStep, double(longest) / 1e6);
    }
    state.counters["max_step_ms"] = longestStep;
}

void registerAll()
{
    const struct {
        const char *name;
        Store kind;
    } stores[] = {{"paragraph", Store::Paragraph}, {"lines", Store::Lines}};
    const struct {
        const char *name;
        Action action;
    } actions[] = {{"ctrl_move", Action::CtrlMove},
                   {"tooltip", Action::Tooltip},
                   {"ctrl_click", Action::CtrlClick},
                   {"double_click", Action::DoubleClick},
                   {"paint_ctrl_held", Action::PaintCtrlHeld}};
    for (const auto &s : stores) {
        for (const auto &a : actions)
            benchmark::RegisterBenchmark((std::string(a.name) + "/" + s.name).c_str(),
                                         [kind = s.kind, action = a.action](benchmark::State &st) {
                                             pointerAction(st, kind, action);
                                         })
                ->Unit(benchmark::kMillisecond)
                ->Iterations(4);
        benchmark::RegisterBenchmark((std::string("find_miss/") + s.name).c_str(),
                                     [kind = s.kind](benchmark::State &st) { findMiss(st, kind); })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3);
    }
}

} // namespace

int main(int argc, char **argv)
{
    // A virtual screen larger than the grid's pixels: windows keep to the screen.
    vesper::bench::useLargeOffscreenScreen(16384, 16384);
    const int status = vesper::bench::runWidgetBenchmarks(argc, argv, registerAll);
    current.reset();
    return status;
}

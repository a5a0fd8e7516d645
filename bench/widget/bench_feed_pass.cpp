// bench_feed_pass: the longest the GUI thread is held by one pass of
// TerminalWidget::feed while a costly byte mix is fed whole, as a session
// hands on a large batch: the feed call itself (the first pass), then each
// event-loop pass that parses the rest.  The widget is hidden, so a pass is
// parsing alone (a shown widget's paint has a budget of its own).  Beside it,
// core_ms: what the bare core takes to parse the same bytes in one go, which
// is how long a single pass that parsed everything would hold the thread.
#include <QApplication>
#include <QElapsedTimer>
#include <QSignalSpy>

#include <algorithm>

#include "bench/widget/bench_support.h"
#include "core/parser.h"
#include "core/screen.h"

namespace {

using namespace vesper;

QByteArray repeated(const QByteArray &unit, qsizetype bytes)
{
    QByteArray out;
    out.reserve(bytes + unit.size());
    while (out.size() < bytes)
        out += unit;
    return out;
}

QByteArray repStorm(int columns) { return repeated("x\x1b[" + QByteArray::number(columns) + "b", 4 << 20); }
QByteArray eraseStorm(int) { return repeated("\x1b[H\x1b[2J\x1b[1;1H\x1b[J", 4 << 20); }
QByteArray insertStorm(int) { return repeated("\x1b[H\x1b[999L\x1b[999@", 4 << 20); }
// A long skipped string costs almost nothing per byte; the sequences after it
// cost a great deal.
QByteArray skippedThenReps(int columns) { return "\x1bP" + QByteArray(64 << 20, 'a') + "\x1b\\" + repStorm(columns); }

void longestPass(benchmark::State &state, QByteArray (*make)(int))
{
    const int columns = int(state.range(0));
    const int rows = int(state.range(1));
    auto w = bench::makeWidget(columns, rows, true);
    w->hide();
    const QByteArray bytes = make(w->columns()) + "\x1b[5n";
    QSignalSpy replies(w.get(), &TerminalWidget::dataReady);
    double worstMs = 0;
    std::int64_t passes = 0;
    QElapsedTimer clock;
    for (auto _ : state) {
        replies.clear();
        clock.start();
        w->feed(bytes);
        worstMs = std::max(worstMs, double(clock.nsecsElapsed()) / 1e6);
        while (replies.isEmpty()) {
            clock.start();
            QApplication::processEvents();
            worstMs = std::max(worstMs, double(clock.nsecsElapsed()) / 1e6);
            ++passes;
        }
    }
    Screen screen(w->columns(), w->terminalRows(), 5000);
    Parser parser(screen);
    clock.start();
    parser.feed(bytes.constData(), bytes.size());
    state.counters["core_ms"] = double(clock.nsecsElapsed()) / 1e6;
    state.counters["max_pass_ms"] = worstMs;
    state.counters["passes"] = double(passes) / double(state.iterations());
}

void registerAll()
{
    const struct {
        const char *name;
        QByteArray (*make)(int);
    } mixes[] = {{"rep_storm", repStorm},
                 {"erase_storm", eraseStorm},
                 {"insert_storm", insertStorm},
                 {"skipped_then_reps", skippedThenReps}};
    for (const auto &mix : mixes)
        benchmark::RegisterBenchmark((std::string("pass/") + mix.name).c_str(),
                                     [make = mix.make](benchmark::State &s) { longestPass(s, make); })
            ->Args({80, 24})
            ->Args({480, 120})
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3);
}

} // namespace

int main(int argc, char **argv)
{
    vesper::bench::useLargeOffscreenScreen();
    return vesper::bench::runWidgetBenchmarks(argc, argv, registerAll);
}

// bench_widget: throughput (MB/s, MB = 10^6 bytes) of the five comparison
// workloads fed through TerminalWidget::feed in 64 KiB chunks, beside the
// bare core (Screen + Parser) fed the same chunks at the same grid size.
// Two deliveries are measured:
//   widget/...  one event-loop pass, and so one paint, after every chunk:
//               the worst case, a producer exactly as fast as the widget;
//   reader/...  a reader thread posts every chunk to the GUI thread as a
//               session's reader does, and the event loop runs meanwhile:
//               queued chunks share the paint that Qt merges for them;
//   reader4/... the same with at most 4 chunks (256 KiB) waiting, as when
//               the producer is held back by a full pipe.
// paints_per_MB shows how often each delivery painted.
// a11y_idle/... and a11y_on/... repeat widget/... after something asked for
// the widget's accessibility interface, with no assistive technology active
// and with one active (its events counted by an update handler).
#include <QAccessible>
#include <QApplication>
#include <QEvent>

#include <atomic>
#include <thread>

#include <algorithm>
#include <string>

#include "bench/widget/bench_support.h"
#include "bench/workload_files.h"
#include "core/parser.h"
#include "core/screen.h"

namespace {

using namespace vesper;

constexpr std::int64_t kChunk = 65536;

void reportThroughput(benchmark::State &state, std::size_t bytes)
{
    state.SetBytesProcessed(std::int64_t(bytes) * state.iterations());
    state.counters["MBps"] = benchmark::Counter(double(bytes) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

// Counts the paint events of one viewport.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget *viewport) { viewport->installEventFilter(this); }
    std::int64_t paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

void reportPaints(benchmark::State &state, std::int64_t paints, std::size_t bytes)
{
    state.counters["paints_per_MB"] = double(paints) / (double(bytes) / 1e6 * double(state.iterations()));
}

enum class Accessibility { Untouched, Idle, Active };

std::int64_t accessibilityEvents = 0;
void countAccessibilityEvent(QAccessibleEvent *) { ++accessibilityEvents; }

void widgetFeed(benchmark::State &state, const std::string &name, Accessibility accessibility)
{
    const std::string &bytes = bench::workload(name);
    const int columns = int(state.range(0));
    const int rows = int(state.range(1));
    auto w = bench::makeWidget(columns, rows, true);
    std::int64_t passes = 0;
    const auto feedAll = [&] {
        for (std::size_t at = 0; at < bytes.size(); at += kChunk) {
            const std::size_t n = std::min<std::size_t>(kChunk, bytes.size() - at);
            w->feed(QByteArray::fromRawData(bytes.data() + at, qsizetype(n)));
            QApplication::processEvents();
            ++passes;
        }
    };
    feedAll(); // warm-up: fills the scrollback
    if (w->columns() != columns || w->terminalRows() != rows)
        state.SkipWithError("the grid did not take the requested size");
    QAccessible::UpdateHandler previousHandler = nullptr;
    if (accessibility != Accessibility::Untouched)
        QAccessible::queryAccessibleInterface(w.get());
    if (accessibility == Accessibility::Active) {
        previousHandler = QAccessible::installUpdateHandler(countAccessibilityEvent);
        QAccessible::setActive(true);
    }
    accessibilityEvents = 0;
    passes = 0;
    PaintCounter counter(w->viewport());
    for (auto _ : state)
        feedAll();
    reportThroughput(state, bytes.size());
    reportPaints(state, counter.paints, bytes.size());
    if (accessibility == Accessibility::Active) {
        QAccessible::setActive(false);
        QAccessible::installUpdateHandler(previousHandler);
        state.counters["a11y_events_per_pass"] = double(accessibilityEvents) / double(std::max<std::int64_t>(passes, 1));
    }
}

void readerFeed(benchmark::State &state, const std::string &name, std::size_t maxQueued)
{
    const std::string &bytes = bench::workload(name);
    const int columns = int(state.range(0));
    const int rows = int(state.range(1));
    auto w = bench::makeWidget(columns, rows, true);
    TerminalWidget *widget = w.get();
    const auto feedAll = [&] {
        std::atomic<std::size_t> fed{0};
        std::thread reader([&] {
            for (std::size_t at = 0; at < bytes.size(); at += kChunk) {
                while (maxQueued > 0 && at - fed.load() >= maxQueued * std::size_t(kChunk))
                    std::this_thread::yield();
                const std::size_t n = std::min<std::size_t>(kChunk, bytes.size() - at);
                const QByteArray chunk = QByteArray::fromRawData(bytes.data() + at, qsizetype(n));
                QMetaObject::invokeMethod(
                    widget, [widget, chunk, n, &fed] {
                        widget->feed(chunk);
                        fed += n;
                    },
                    Qt::QueuedConnection);
            }
        });
        while (fed.load() < bytes.size())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        reader.join();
        QApplication::processEvents(); // the paint of the last chunks
    };
    feedAll();
    if (w->columns() != columns || w->terminalRows() != rows)
        state.SkipWithError("the grid did not take the requested size");
    PaintCounter counter(w->viewport());
    for (auto _ : state)
        feedAll();
    reportThroughput(state, bytes.size());
    reportPaints(state, counter.paints, bytes.size());
}

void coreFeed(benchmark::State &state, const std::string &name)
{
    const std::string &bytes = bench::workload(name);
    Screen screen(int(state.range(0)), int(state.range(1)), 5000);
    Parser parser(screen);
    const auto feedAll = [&] {
        for (std::size_t at = 0; at < bytes.size(); at += kChunk)
            parser.feed(bytes.data() + at, std::min<std::int64_t>(kChunk, std::int64_t(bytes.size() - at)));
    };
    feedAll();
    for (auto _ : state) {
        feedAll();
        benchmark::DoNotOptimize(screen.cursorRow());
    }
    reportThroughput(state, bytes.size());
}

void registerAll()
{
    for (const std::string &name : bench::workloadNames()) {
        for (const std::string kind : {"widget", "a11y_idle", "a11y_on", "reader", "reader4", "core"}) {
            benchmark::RegisterBenchmark((kind + "/" + name).c_str(),
                                         [name, kind](benchmark::State &s) {
                                             if (kind == "widget")
                                                 widgetFeed(s, name, Accessibility::Untouched);
                                             else if (kind == "a11y_idle")
                                                 widgetFeed(s, name, Accessibility::Idle);
                                             else if (kind == "a11y_on")
                                                 widgetFeed(s, name, Accessibility::Active);
                                             else if (kind == "reader")
                                                 readerFeed(s, name, 0);
                                             else if (kind == "reader4")
                                                 readerFeed(s, name, 4);
                                             else
                                                 coreFeed(s, name);
                                         })
                ->Args({80, 24})
                ->Args({200, 60})
                ->Unit(benchmark::kMillisecond)
                ->MinTime(1.0);
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    vesper::bench::useLargeOffscreenScreen();
    return vesper::bench::runWidgetBenchmarks(argc, argv, registerAll);
}

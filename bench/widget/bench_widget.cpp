// bench_widget: throughput (MB/s, MB = 10^6 bytes) of the five comparison
// workloads fed through TerminalWidget::feed in 64 KiB chunks, one event-loop
// pass (and so at most one paint) after each chunk, beside the bare core
// (Screen + Parser) fed the same chunks at the same grid size.
#include <QApplication>

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

void widgetFeed(benchmark::State &state, const std::string &name)
{
    const std::string &bytes = bench::workload(name);
    const int columns = int(state.range(0));
    const int rows = int(state.range(1));
    auto w = bench::makeWidget(columns, rows, true);
    const auto feedAll = [&] {
        for (std::size_t at = 0; at < bytes.size(); at += kChunk) {
            const std::size_t n = std::min<std::size_t>(kChunk, bytes.size() - at);
            w->feed(QByteArray::fromRawData(bytes.data() + at, qsizetype(n)));
            QApplication::processEvents();
        }
    };
    feedAll(); // warm-up: fills the scrollback
    if (w->columns() != columns || w->terminalRows() != rows)
        state.SkipWithError("the grid did not take the requested size");
    for (auto _ : state)
        feedAll();
    reportThroughput(state, bytes.size());
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
        for (const char *kind : {"widget", "core"}) {
            const bool widget = std::string(kind) == "widget";
            benchmark::RegisterBenchmark((std::string(kind) + "/" + name).c_str(),
                                         [name, widget](benchmark::State &s) {
                                             widget ? widgetFeed(s, name) : coreFeed(s, name);
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
    bench::useLargeOffscreenScreen();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    registerAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// bench_core: throughput of the emulation core on the five comparison
// workloads (MB/s, MB = 10^6 bytes, fed in 64 KiB chunks to an 80x24 screen
// with 5000 lines of scrollback, as every peer engine is fed), and the memory
// a full 5000-line scrollback holds at 80 and at 200 columns, and the time
// and peak memory of a column change that re-wraps a full 10 000-line
// scrollback, and what combining marks cost: memory held and column change
// time with fifteen marks on every cell of a 1024-column screen.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>

#include "bench/heap_counter.h"
#include "bench/workload_files.h"
#include "core/parser.h"
#include "core/screen.h"

namespace {

using namespace vesper;

constexpr std::int64_t kChunk = 65536;
constexpr int kScrollback = 5000;

void feedInChunks(Parser& parser, const std::string& bytes) {
    const std::int64_t size = std::int64_t(bytes.size());
    for (std::int64_t at = 0; at < size; at += kChunk) {
        parser.feed(bytes.data() + at, std::min(kChunk, size - at));
    }
}

// One iteration feeds the whole workload.  The screen is kept across
// iterations, so after the first one the scrollback is full and the figures
// show the steady state; allocations per MB show what feeding costs the heap
// (lines entering a full scrollback reuse the trimmed ones).
void feedWorkload(benchmark::State& state, const std::string& name) {
    const std::string& bytes = bench::workload(name);
    Screen screen(80, 24, kScrollback);
    Parser parser(screen);
    feedInChunks(parser, bytes);  // warm-up: fills the scrollback
    const std::int64_t allocationsBefore = bench::heapCounters().allocations;
    for (auto _ : state) {
        feedInChunks(parser, bytes);
        benchmark::DoNotOptimize(screen.cursorRow());
    }
    const double megabytes = double(bytes.size()) / 1e6;
    state.SetBytesProcessed(std::int64_t(bytes.size()) * state.iterations());
    state.counters["MB"] = benchmark::Counter(megabytes, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["allocs_per_MB"] =
        double(bench::heapCounters().allocations - allocationsBefore) / (megabytes * double(state.iterations()));
}

// Fills a scrollback of 5000 lines and the screen with full-width text, then
// reports the heap the Screen holds per cell and its peak while filling.
void fullScrollback(benchmark::State& state) {
    const int columns = int(state.range(0));
    const int rows = 24;
    std::string text;
    for (int line = 0; line < kScrollback + rows + 100; ++line) {
        for (int column = 0; column < columns; ++column) text += char('!' + (line + column) % 90);
        text += "\r\n";
    }
    double bytesPerCell = 0, peakMiB = 0, heldMiB = 0;
    for (auto _ : state) {
        const std::int64_t before = bench::heapCounters().liveBytes;
        bench::resetHeapPeak();
        {
            Screen screen(columns, rows, kScrollback);
            Parser parser(screen);
            feedInChunks(parser, text);
            const bench::HeapCounters after = bench::heapCounters();
            const double cells = double(screen.scrollbackLineCount() + rows) * columns;
            bytesPerCell = double(after.liveBytes - before) / cells;
            heldMiB = double(after.liveBytes - before) / (1 << 20);
            peakMiB = double(after.peakBytes - before) / (1 << 20);
            if (screen.scrollbackLineCount() != kScrollback) state.SkipWithError("the scrollback is not full");
        }
    }
    state.counters["bytes_per_cell"] = bytesPerCell;
    state.counters["held_MiB"] = heldMiB;
    state.counters["peak_MiB"] = peakMiB;
    state.counters["cell_size"] = double(sizeof(Cell));
}

// A 10 000-line scrollback and a 50-row screen at 200 columns where every
// line is soft-wrapped twice (600-character texts); each iteration is one
// column change, alternately to 160 columns (four rows a text) and back.
// peak_ratio is the heap peak during the change over the heap held before.
void reflowFullScrollback(benchmark::State& state) {
    constexpr int kLines = 10000, kRows = 50;
    Screen screen(200, kRows, kLines);
    Parser parser(screen);
    std::string text;
    for (int line = 0; line < (kLines + kRows) / 3 + 1; ++line) {
        for (int column = 0; column < 600; ++column) text += char('!' + (line + column) % 90);
        text += "\r\n";
    }
    feedInChunks(parser, text);
    if (screen.scrollbackLineCount() != kLines) state.SkipWithError("the scrollback is not full");
    double peakRatio = 0;
    bool narrow = true;
    for (auto _ : state) {
        const std::int64_t before = bench::heapCounters().liveBytes;
        bench::resetHeapPeak();
        screen.resize(narrow ? 160 : 200, kRows);
        const std::int64_t peak = bench::heapCounters().peakBytes;
        peakRatio = std::max(peakRatio, double(peak) / double(before));
        narrow = !narrow;
    }
    state.counters["peak_ratio"] = peakRatio;
}

// Text of `lines` lines of `columns` letters, each letter carrying `marks`
// combining marks from U+0300..U+036F (varied per cell, as mark-stacking
// text does), one line per CR LF.
std::string markedText(int columns, int lines, int marks) {
    std::string text;
    for (int line = 0; line < lines; ++line) {
        for (int column = 0; column < columns; ++column) {
            text += char('a' + (line + column) % 26);
            for (int k = 0; k < marks; ++k) {
                const unsigned mark = 0x300 + unsigned(line * 7 + column * 3 + k * 5) % 0x70;
                text += char(0xC0 | (mark >> 6));
                text += char(0x80 | (mark & 0x3F));
            }
        }
        text += "\r\n";
    }
    return text;
}

// The heap a Screen of `columns` x `rows` with 5000 lines of scrollback holds once fed
// `text`, in MiB.
double heldAfterFeeding(const std::string& text, int columns, int rows) {
    const std::int64_t before = bench::heapCounters().liveBytes;
    Screen screen(columns, rows, kScrollback);
    Parser parser(screen);
    feedInChunks(parser, text);
    return double(bench::heapCounters().liveBytes - before) / (1 << 20);
}

// Fifteen marks on every cell of 5100 held lines at 1024 columns.  Reported
// once: held_MiB with the marks, plain_MiB for the same letters without
// them, and their ratio.  Each iteration is one column change that re-wraps
// everything (1024 -> 1000 columns, and back the next time); its time is the
// iteration's, peak_MiB the heap at its highest during the change.
void marksOnEveryCell(benchmark::State& state) {
    constexpr int kColumns = 1024, kRows = 100, kMarks = 15;
    const int lines = kScrollback + kRows + 10;
    const double plainMiB = heldAfterFeeding(markedText(kColumns, lines, 0), kColumns, kRows);
    const std::string text = markedText(kColumns, lines, kMarks);
    const std::int64_t before = bench::heapCounters().liveBytes;
    Screen screen(kColumns, kRows, kScrollback);
    Parser parser(screen);
    feedInChunks(parser, text);
    const double heldMiB = double(bench::heapCounters().liveBytes - before) / (1 << 20);
    if (screen.scrollbackLineCount() != kScrollback) state.SkipWithError("the scrollback is not full");
    double peakMiB = 0;
    bool narrow = true;
    for (auto _ : state) {
        bench::resetHeapPeak();
        screen.resize(narrow ? kColumns - 24 : kColumns, kRows);
        peakMiB = std::max(peakMiB, double(bench::heapCounters().peakBytes - before) / (1 << 20));
        narrow = !narrow;
    }
    state.counters["held_MiB"] = heldMiB;
    state.counters["plain_MiB"] = plainMiB;
    state.counters["held_over_plain"] = heldMiB / plainMiB;
    state.counters["peak_MiB"] = peakMiB;
}

int registerAll() {
    for (const std::string& name : bench::workloadNames()) {
        benchmark::RegisterBenchmark(("feed/" + name).c_str(), feedWorkload, name)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->MinTime(1.0);
    }
    benchmark::RegisterBenchmark("full_scrollback_5000", fullScrollback)
        ->Arg(80)
        ->Arg(200)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
    benchmark::RegisterBenchmark("reflow_10000x200", reflowFullScrollback)->Unit(benchmark::kMillisecond)->Iterations(20);
    benchmark::RegisterBenchmark("marks_15_per_cell_1024x5100", marksOnEveryCell)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(4);
    return 0;
}

const int registered = registerAll();

}  // namespace

BENCHMARK_MAIN();

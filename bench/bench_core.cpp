// bench_core: throughput of the emulation core on the five comparison
// workloads (MB/s, MB = 10^6 bytes, fed in 64 KiB chunks to an 80x24 screen
// with 5000 lines of scrollback, as every peer engine is fed), and the memory
// a full 5000-line scrollback holds at 80 and at 200 columns, and the time
// and peak memory of a column change that re-wraps a full 10 000-line
// scrollback, and what combining marks cost: memory held and column change
// time with fifteen marks on every cell of a 1024-column screen; and the
// packed scrollback: heap per stored character of 100 000-line plain,
// coloured and CJK logs at 80 and 200 columns, and the time to read every
// line's text (what a search does) and the session text of such a log.
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

// A seeded log of `lines` lines, CR LF each: plain (20-80 characters of
// build-log words, 60 on average), coloured (the same with an SGR colour on
// about a third of the words, as ls --color or git log --graph print) or CJK
// (10-40 characters, most of them two columns wide).  `characters` counts
// the printed characters.
std::string logText(const std::string& kind, int lines, std::int64_t& characters) {
    static const char* const words[] = {"gcc", "-O2", "-c", "src/main.cpp", "-o", "build/main.o", "warning:",
                                        "unused", "variable", "Compiling", "Linking", "[", "42%]", "Building",
                                        "CXX", "object", "core/CMakeFiles", "error:", "expected", "note:", "PASS",
                                        "ok", "0.003s", "/usr/include/c++/14/bits"};
    static const char* const colours[] = {"31", "32", "1;34", "01;32", "38;5;208", "38;2;200;120;40"};
    std::uint64_t seed = 20261210;
    auto next = [&](std::uint64_t n) {
        seed = seed * 6364136223846793005u + 1442695040888963407u;
        return (seed >> 33) % n;
    };
    std::string out;
    characters = 0;
    for (int line = 0; line < lines; ++line) {
        if (kind == "cjk") {
            const std::uint64_t n = 10 + next(31);
            for (std::uint64_t i = 0; i < n; ++i) {
                if (next(5) == 0) {
                    out += char('a' + next(26));
                } else {
                    const auto cp = std::uint32_t(0x4E00 + next(0x51A6));
                    out += char(0xE0 | (cp >> 12));
                    out += char(0x80 | ((cp >> 6) & 0x3F));
                    out += char(0x80 | (cp & 0x3F));
                }
                ++characters;
            }
        } else {
            const std::uint64_t target = 20 + std::max(next(61), next(61));
            std::uint64_t length = 0;
            while (length < target) {
                std::string word = words[next(std::size(words))];
                word.resize(std::min<std::size_t>(word.size(), target - length));
                if (kind == "coloured" && next(3) == 0)
                    out += "\x1b[" + std::string(colours[next(std::size(colours))]) + "m" + word + "\x1b[m";
                else
                    out += word;
                length += word.size();
                if (length < target) {
                    out += ' ';
                    ++length;
                }
            }
            characters += std::int64_t(length);
        }
        out += "\r\n";
    }
    return out;
}

constexpr int kLogLines = 100000;

// The heap a 100 000-line scrollback of a log holds per printed character
// (the screen's own rows are counted too: they are 24 of 100 000 lines).
void packedScrollback(benchmark::State& state, const std::string& kind) {
    const int columns = int(state.range(0));
    std::int64_t characters = 0;
    const std::string text = logText(kind, kLogLines, characters);
    double heldMiB = 0;
    for (auto _ : state) {
        const std::int64_t before = bench::heapCounters().liveBytes;
        Screen screen(columns, 24, kLogLines);
        Parser parser(screen);
        feedInChunks(parser, text);
        heldMiB = double(bench::heapCounters().liveBytes - before) / (1 << 20);
        if (screen.scrollbackLineCount() < kLogLines - 24) state.SkipWithError("the scrollback is not filled");
    }
    state.counters["held_MiB"] = heldMiB;
    state.counters["bytes_per_char"] = heldMiB * (1 << 20) / double(characters);
    state.counters["log_MB"] = double(text.size()) / 1e6;
}

// One Screen holding the plain log at 200 columns, shared by the readers.
Screen& plainLogScreen() {
    static Screen* screen = [] {
        auto* s = new Screen(200, 50, kLogLines);
        Parser parser(*s);
        std::int64_t characters = 0;
        feedInChunks(parser, logText("plain", kLogLines, characters));
        return s;
    }();
    return *screen;
}

// Every held line's text, one line at a time, as a search that finds
// nothing reads them (its own matching not included).
void everyLineText(benchmark::State& state) {
    const Screen& screen = plainLogScreen();
    for (auto _ : state) {
        std::size_t bytes = 0;
        for (int line = screen.firstLine(); line < screen.endLine(); ++line) bytes += screen.lineText(line).size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["lines"] = double(screen.endLine() - screen.firstLine());
}

// sessionText() of the first `range(0)` thousand lines' worth: the whole
// store, timed at two sizes to show it linear.
void sessionTextOfLog(benchmark::State& state) {
    const auto lines = int(state.range(0));
    Screen screen(200, 50, lines);
    Parser parser(screen);
    std::int64_t characters = 0;
    feedInChunks(parser, logText("plain", lines, characters));
    std::size_t size = 0;
    for (auto _ : state) {
        size = screen.sessionText().size();
        benchmark::DoNotOptimize(size);
    }
    state.counters["ns_per_byte"] =
        benchmark::Counter(double(size) * double(state.iterations()), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
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
    for (const char* kind : {"plain", "coloured", "cjk"})
        benchmark::RegisterBenchmark((std::string("packed_scrollback_100000/") + kind).c_str(), packedScrollback,
                                     std::string(kind))
            ->Arg(80)
            ->Arg(200)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1);
    benchmark::RegisterBenchmark("line_texts_100000x200", everyLineText)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("session_text_200", sessionTextOfLog)
        ->Arg(25000)
        ->Arg(100000)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("marks_15_per_cell_1024x5100", marksOnEveryCell)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(4);
    return 0;
}

const int registered = registerAll();

}  // namespace

BENCHMARK_MAIN();

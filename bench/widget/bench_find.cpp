// bench_find: milliseconds per find() and sessionText() over a store of log
// lines at 200 columns (lines of 20-80 characters, some coloured), the
// scrollback packed: find misses (every line read), a hit on the oldest line
// found backward from the bottom (every line read up to it), and the whole
// session's text at two store sizes (its time should grow with the text).
#include <string>

#include "bench/widget/bench_support.h"

namespace {

using vesper::TerminalWidget;

constexpr int kColumns = 200;
constexpr int kRows = 50;

std::string logLines(int lines)
{
    static const char *const words[] = {"gcc", "-O2", "-c", "src/main.cpp", "-o", "build/main.o", "warning:",
                                        "unused", "variable", "Compiling", "Linking", "[", "42%]", "Building",
                                        "CXX", "object", "core/CMakeFiles", "error:", "expected", "note:", "PASS"};
    std::uint64_t seed = 20261210;
    auto next = [&](std::uint64_t n) {
        seed = seed * 6364136223846793005u + 1442695040888963407u;
        return (seed >> 33) % n;
    };
    std::string out = "needle-on-the-oldest-line\r\n";
    for (int line = 1; line < lines; ++line) {
        const std::size_t length = 20 + next(61);
        const bool coloured = next(8) == 0;
        if (coloured)
            out += "\x1b[1;32m";
        std::size_t written = 0;
        while (written < length) {
            const std::string word = words[next(sizeof words / sizeof *words)];
            out += word;
            out += ' ';
            written += word.size() + 1;
        }
        if (coloured)
            out += "\x1b[0m";
        out += "\r\n";
    }
    return out;
}

std::unique_ptr<TerminalWidget> current;
int currentLines = 0;

TerminalWidget &store(int lines)
{
    if (current && currentLines == lines)
        return *current;
    current = vesper::bench::makeWidget(kColumns, kRows, true);
    current->setScrollbackSize(lines);
    const std::string text = logLines(lines + kRows - 1);
    current->feed(QByteArray(text.data(), qsizetype(text.size())));
    current->sessionText();  // parses what is still waiting
    QApplication::processEvents();
    currentLines = lines;
    return *current;
}

bool full(benchmark::State &state, TerminalWidget &w, int lines)
{
    if (w.scrollbackSize() == lines && w.columns() == kColumns)
        return true;
    state.SkipWithError("the store did not take the requested size");
    return false;
}

void findMiss(benchmark::State &state, bool caseSensitive)
{
    TerminalWidget &w = store(100000);
    if (!full(state, w, 100000))
        return;
    for (auto _ : state) {
        w.clearSelection();
        if (w.find(QStringLiteral("not-in-the-store"), false, caseSensitive))
            state.SkipWithError("found what is not there");
    }
}

void findHitOldest(benchmark::State &state)
{
    TerminalWidget &w = store(100000);
    if (!full(state, w, 100000))
        return;
    for (auto _ : state) {
        state.PauseTiming();
        w.clearSelection();
        w.verticalScrollBar()->setValue(w.verticalScrollBar()->maximum());  // from the bottom again
        QApplication::processEvents();
        state.ResumeTiming();
        if (!w.find(QStringLiteral("needle-ON-the"), true) || w.selectedText() != QStringLiteral("needle-on-the"))
            state.SkipWithError("missed the oldest line");
    }
}

void sessionText(benchmark::State &state)
{
    TerminalWidget &w = store(int(state.range(0)));
    if (!full(state, w, int(state.range(0))))
        return;
    qsizetype size = 0;
    for (auto _ : state)
        size = w.sessionText().size();
    state.counters["chars"] = double(size);
}

void registerAll()
{
    benchmark::RegisterBenchmark("find_miss/200x100000", findMiss, false)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("find_miss_case_sensitive/200x100000", findMiss, true)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("find_hit_oldest/200x100000", findHitOldest)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("session_text/200", sessionText)->Arg(50000)->Arg(100000)->Unit(benchmark::kMillisecond);
}

} // namespace

int main(int argc, char **argv)
{
    vesper::bench::useLargeOffscreenScreen(4096, 4096);
    const int status = vesper::bench::runWidgetBenchmarks(argc, argv, registerAll);
    current.reset();
    return status;
}

// bench_paint: milliseconds per full frame (the Time column) of the viewport rendered into a
// QImage, at 80x24 and 200x60, for screens of plain ASCII, of SGR-dense text
// (a colour change every 1 to 8 cells, 256-colour and truecolor) and of CJK,
// wide and other non-ASCII text, and of code under an editor's diagnostics
// (curly, dotted and dashed underlines in their own colours).
#include <QImage>
#include <QPainter>

#include <random>
#include <string>

#include "bench/widget/bench_support.h"

namespace {

using vesper::TerminalWidget;

enum class Content { Ascii, Sgr, Wide, Syntax, Diagnostics };

std::string asciiScreen(int columns, int rows)
{
    std::string out;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c)
            out += char('!' + (r * 7 + c) % 94);
        if (r + 1 < rows)
            out += "\r\n";
    }
    return out;
}

std::string sgrScreen(int columns, int rows)
{
    std::mt19937 random(42);
    std::string out;
    for (int r = 0; r < rows; ++r) {
        int c = 0;
        while (c < columns) {
            if (random() % 2)
                out += "\x1b[38;5;" + std::to_string(random() % 256) + "m";
            else
                out += "\x1b[38;2;" + std::to_string(random() % 256) + ";" + std::to_string(random() % 256) + ";"
                       + std::to_string(random() % 256) + "m";
            if (random() % 3 == 0)
                out += "\x1b[48;5;" + std::to_string(random() % 256) + "m";
            const int span = 1 + int(random() % 8);
            for (int k = 0; k < span && c < columns; ++k, ++c)
                out += char('a' + (c + r) % 26);
            out += "\x1b[0m";
        }
        if (r + 1 < rows)
            out += "\r\n";
    }
    return out;
}

std::string wideScreen(int columns, int rows)
{
    // CJK ideographs (two cells), accented Latin, Greek and box drawing.
    const char *pieces[] = {"\xe4\xb8\xad", "\xe6\x96\x87", "\xc3\xa9", "\xce\xbb", "\xe2\x94\x80", "\xe5\xad\x97", "x"};
    const int widths[] = {2, 2, 1, 1, 1, 2, 1};
    std::string out;
    for (int r = 0; r < rows; ++r) {
        int c = 0;
        for (int k = r; c < columns; ++k) {
            const int i = k % 7;
            if (c + widths[i] > columns)
                break;
            out += pieces[i];
            c += widths[i];
        }
        if (r + 1 < rows)
            out += "\r\n";
    }
    return out;
}

// The plain screen's text with what an editor marks on a screen of code:
// every line has a few spans under curly (errors, warnings), dotted (hints)
// or dashed underlines, in red, yellow or blue, on a coloured syntax.
// Without `marked`, the same screen with the same colours and no underlines:
// the baseline that shows what the underlines cost.
std::string diagnosticsScreen(int columns, int rows, bool underlined)
{
    std::mt19937 random(7);
    const char *marks[] = {"\x1b[4:3;58:2::240:60:60m", "\x1b[4:3;58:2::230:200:40m", "\x1b[4:4;58:2::90:140:250m",
                           "\x1b[4:5;58:5;12m"};
    std::string out;
    for (int r = 0; r < rows; ++r) {
        int c = 0;
        while (c < columns) {
            const int span = 2 + int(random() % 10);
            const bool marked = random() % 3 == 0;
            out += "\x1b[38;5;" + std::to_string(random() % 256) + "m";
            const char *mark = marks[random() % 4];
            if (marked && underlined)
                out += mark;
            for (int k = 0; k < span && c < columns; ++k, ++c)
                out += char('!' + (r * 7 + c) % 94);
            out += "\x1b[0m";
        }
        if (r + 1 < rows)
            out += "\r\n";
    }
    return out;
}

void paintFrames(benchmark::State &state, Content content)
{
    const int columns = int(state.range(0));
    const int rows = int(state.range(1));
    auto w = vesper::bench::makeWidget(columns, rows, false);
    const std::string bytes = content == Content::Ascii ? asciiScreen(columns, rows)
                              : content == Content::Sgr         ? sgrScreen(columns, rows)
                              : content == Content::Syntax      ? diagnosticsScreen(columns, rows, false)
                              : content == Content::Diagnostics ? diagnosticsScreen(columns, rows, true)
                                                                : wideScreen(columns, rows);
    w->feed(QByteArray(bytes.data(), qsizetype(bytes.size())));
    if (w->columns() != columns || w->terminalRows() != rows)
        state.SkipWithError(("the grid is " + std::to_string(w->columns()) + "x" + std::to_string(w->terminalRows())
                             + ", not the requested size")
                                .c_str());
    QImage frame(w->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        w->viewport()->render(&frame);
        benchmark::DoNotOptimize(frame.constBits());
    }
}

void BM_PaintAscii(benchmark::State &state) { paintFrames(state, Content::Ascii); }
void BM_PaintSgr(benchmark::State &state) { paintFrames(state, Content::Sgr); }
void BM_PaintWide(benchmark::State &state) { paintFrames(state, Content::Wide); }
void BM_PaintSyntax(benchmark::State &state) { paintFrames(state, Content::Syntax); }
void BM_PaintDiagnostics(benchmark::State &state) { paintFrames(state, Content::Diagnostics); }

} // namespace

BENCHMARK(BM_PaintAscii)->Args({80, 24})->Args({200, 60})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintSgr)->Args({80, 24})->Args({200, 60})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintWide)->Args({80, 24})->Args({200, 60})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintSyntax)->Args({80, 24})->Args({200, 60})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintDiagnostics)->Args({80, 24})->Args({200, 60})->Unit(benchmark::kMillisecond);

VESPER_BENCHMARK_MAIN()

// Shared set-up of the widget benchmarks: the application on the offscreen
// platform, a widget whose viewport holds an exact grid, and a main that
// creates the application before Google Benchmark runs.
#pragma once

#include <QApplication>
#include <QFont>
#include <QScrollBar>
#include <QStyle>

#include <benchmark/benchmark.h>

#include <memory>

#include "widget/terminal_widget.h"

namespace vesper::bench {

inline QFont benchFont()
{
    QFont f(QStringLiteral("DejaVu Sans Mono"));
    f.setPixelSize(14);
    return f;
}

// A shown widget with exactly `columns` x `rows` cells, the scroll bar's
// width included so that the grid stays put when scrollback appears.
inline std::unique_ptr<TerminalWidget> makeWidget(int columns, int rows)
{
    auto w = std::make_unique<TerminalWidget>();
    w->setTerminalFont(benchFont());
    const int bar = w->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, w->verticalScrollBar());
    w->resize(columns * w->cellWidth() + bar, rows * w->cellHeight());
    w->show();
    QApplication::processEvents();
    return w;
}

} // namespace vesper::bench

#define VESPER_BENCHMARK_MAIN()                                                   \
    int main(int argc, char **argv)                                              \
    {                                                                            \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))                      \
            qputenv("QT_QPA_PLATFORM", "offscreen");                             \
        QApplication app(argc, argv);                                            \
        benchmark::Initialize(&argc, argv);                                      \
        benchmark::RunSpecifiedBenchmarks();                                     \
        benchmark::Shutdown();                                                   \
        return 0;                                                                \
    }

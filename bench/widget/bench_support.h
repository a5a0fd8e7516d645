// Shared set-up of the widget benchmarks: the application on the offscreen
// platform, a widget whose viewport holds an exact grid, and a main that
// creates the application before Google Benchmark runs.
#pragma once

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QScrollBar>
#include <QStyle>

#include <benchmark/benchmark.h>

#include <memory>

#include "lumenvale/terminal_widget.h"

namespace vesper::bench {

inline QFont benchFont()
{
    QFont f(QStringLiteral("DejaVu Sans Mono"));
    f.setPixelSize(14);
    return f;
}

// A shown widget with exactly `columns` x `rows` cells; with `scrollBar` the
// width leaves room for the bar that scrollback will show.
inline std::unique_ptr<TerminalWidget> makeWidget(int columns, int rows, bool scrollBar)
{
    auto w = std::make_unique<TerminalWidget>();
    w->setTerminalFont(benchFont());
    const int bar = scrollBar ? w->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, w->verticalScrollBar()) : 0;
    w->resize(columns * w->cellWidth() + bar, rows * w->cellHeight());
    w->show();
    QApplication::processEvents();
    return w;
}

// Selects the offscreen platform with a screen of `width` x `height` pixels
// (the platform's default screen is 800x600 and windows keep to it; the
// default fits a 200x60 grid), unless the caller chose a platform.
inline void useLargeOffscreenScreen(int width = 4096, int height = 2160)
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return;
    const QByteArray path = QDir::temp().filePath(QStringLiteral("vesper_bench_screen_%1x%2.json").arg(width).arg(height)).toLocal8Bit();
    QFile config(QString::fromLocal8Bit(path));
    if (config.open(QIODevice::WriteOnly | QIODevice::Truncate))
        config.write(QStringLiteral(R"({"screens": [{"name": "bench", "x": 0, "y": 0, "width": %1, "height": %2,
                        "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})").arg(width).arg(height).toUtf8());
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + path);
}

// The body of a widget benchmark's main: the application, then the
// benchmarks `registerAll` adds.
inline int runWidgetBenchmarks(int argc, char **argv, void (*registerAll)())
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    registerAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace vesper::bench

#define VESPER_BENCHMARK_MAIN()                                                   \
    int main(int argc, char **argv)                                              \
    {                                                                            \
        vesper::bench::useLargeOffscreenScreen();                                \
        QApplication app(argc, argv);                                            \
        benchmark::Initialize(&argc, argv);                                      \
        benchmark::RunSpecifiedBenchmarks();                                     \
        benchmark::Shutdown();                                                   \
        return 0;                                                                \
    }

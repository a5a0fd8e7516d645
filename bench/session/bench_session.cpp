// Session figures with real children on the offscreen platform: throughput of
// `cat` of a 50 MB file into an attached widget, peak resident memory while
// `yes` floods a widget, the longest event-loop stall while 10 MB are written
// to a child that reads slowly, and peak resident memory while a child floods
// device-attribute requests and never reads.  Each case runs once (the
// child's start-up is part of the cost being measured).
#include "lumenvale/attach.h"
#include "lumenvale/terminal_widget.h"
#include "lumenvale/pty_session.h"
#include "tests/support/resident_memory.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <memory>

namespace vesper {
namespace {

std::unique_ptr<TerminalWidget> shownWidget()
{
    auto widget = std::make_unique<TerminalWidget>();
    widget->resize(800, 600); // 80 x 24 cells or more
    widget->show();
    QApplication::processEvents();
    return widget;
}

void CatFileIntoWidget(benchmark::State &state)
{
    const qint64 size = state.range(0) << 20;
    QTemporaryDir dir;
    const QString path = dir.filePath("text");
    {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        QByteArray line;
        for (int i = 0; file.size() < size; ++i) {
            line = "line " + QByteArray::number(i) + " \x1b[32mgreen\x1b[0m the quick brown fox jumps over\r\n";
            file.write(line);
        }
    }
    const qint64 bytes = QFile(path).size();
    const bool intoWidget = state.range(1) != 0;
    for (auto _ : state) {
        // Without a widget the figure is the session's own cost.
        auto widget = intoWidget ? shownWidget() : nullptr;
        std::unique_ptr<PtySession> session(PtySession::create());
        if (widget)
            attach(widget.get(), session.get());
        qint64 received = 0;
        bool finished = false;
        QObject::connect(session.get(), &PtySession::dataReceived, [&](const QByteArray &d) { received += d.size(); });
        QObject::connect(session.get(), &PtySession::finished, [&] { finished = true; });
        QElapsedTimer timer;
        timer.start();
        session->start("cat", {path}, {}, 80, 24);
        (void)QTest::qWaitFor([&] { return finished && received >= bytes; }, 600000);
        state.SetIterationTime(timer.elapsed() / 1000.0);
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(CatFileIntoWidget)->Args({50, 1})->Args({50, 0})->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void YesIntoWidgetPeakMemory(benchmark::State &state)
{
    const bool intoWidget = state.range(1) != 0;
    for (auto _ : state) {
        // Without a widget the figure is the session's own cost.
        auto widget = intoWidget ? shownWidget() : nullptr;
        std::unique_ptr<PtySession> session(PtySession::create());
        if (widget)
            attach(widget.get(), session.get());
        qint64 received = 0;
        QObject::connect(session.get(), &PtySession::dataReceived, [&](const QByteArray &d) { received += d.size(); });
        const long before = residentKiB();
        long peak = before;
        QTimer sampler;
        QObject::connect(&sampler, &QTimer::timeout, [&] { peak = std::max(peak, residentKiB()); });
        sampler.start(10);
        session->start("yes", {}, {}, widget->columns(), widget->terminalRows());
        QTest::qWait(static_cast<int>(state.range(0)) * 1000);
        session->terminate();
        state.counters["peak_growth_MiB"] = (peak - before) / 1024.0;
        state.counters["peak_rss_MiB"] = peak / 1024.0;
        state.counters["received_MB"] = received / 1e6;
    }
}
BENCHMARK(YesIntoWidgetPeakMemory)->Args({10, 1})->Iterations(1)->Unit(benchmark::kSecond);

void WriteToSlowReaderStall(benchmark::State &state)
{
    const int size = 10 << 20;
    const QByteArray data(size, 'x');
    for (auto _ : state) {
        std::unique_ptr<PtySession> session(PtySession::create());
        QByteArray output;
        QObject::connect(session.get(), &PtySession::dataReceived, [&](const QByteArray &d) { output += d; });
        // Reads 4 KB about every millisecond: about 4 MB/s.
        session->start("sh",
                       {"-c", QString("stty raw -echo; echo ready; "
                                      "i=0; while [ $i -lt %1 ]; do head -c 4096 >/dev/null; i=$((i+1)); done; echo done")
                                  .arg(size / 4096)},
                       {}, 80, 24);
        (void)QTest::qWaitFor([&] { return output.contains("ready"); }, 10000);
        qint64 longest = 0;
        QElapsedTimer sinceTick;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] { longest = std::max(longest, sinceTick.restart()); });
        sinceTick.start();
        ticker.start(1);
        QElapsedTimer writeCall;
        writeCall.start();
        session->write(data);
        const qint64 writeMs = writeCall.elapsed();
        (void)QTest::qWaitFor([&] { return output.contains("done"); }, 600000);
        state.counters["longest_stall_ms"] = static_cast<double>(longest);
        state.counters["write_call_ms"] = static_cast<double>(writeMs);
    }
}
BENCHMARK(WriteToSlowReaderStall)->Iterations(1)->Unit(benchmark::kSecond);

// A child that floods ESC Z (each answered with the device attributes) and
// never reads its input: the replies pile up for the writer until the
// session's input bound drops them.  Resident memory is sampled for the whole
// run (the first argument, in seconds); the bound keeps the growth below
// 80 MiB however long the flood lasts.
void EscZFloodPeakMemory(benchmark::State &state)
{
    for (auto _ : state) {
        auto widget = shownWidget();
        std::unique_ptr<PtySession> session(PtySession::create());
        attach(widget.get(), session.get());
        qint64 received = 0;
        QObject::connect(session.get(), &PtySession::dataReceived, [&](const QByteArray &d) { received += d.size(); });
        const long before = residentKiB();
        long peak = before;
        QTimer sampler;
        QObject::connect(&sampler, &QTimer::timeout, [&] { peak = std::max(peak, residentKiB()); });
        sampler.start(10);
        session->start("sh", {"-c", "yes \"$(printf '\\033Z')\""}, {}, widget->columns(), widget->terminalRows());
        QTest::qWait(static_cast<int>(state.range(0)) * 1000);
        const bool dropped = session->error().startsWith("write: input buffer full");
        session->terminate();
        state.counters["peak_growth_MiB"] = (peak - before) / 1024.0;
        state.counters["peak_rss_MiB"] = peak / 1024.0;
        state.counters["received_MB"] = received / 1e6;
        state.counters["replies_dropped"] = dropped ? 1 : 0;
    }
}
BENCHMARK(EscZFloodPeakMemory)->Arg(60)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
} // namespace vesper

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

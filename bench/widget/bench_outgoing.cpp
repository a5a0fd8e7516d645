// bench_outgoing: how long the widget's event loop is held by sliced sending
// of a large text.  Each case sends 32 Mi UTF-16 units of one kind of text
// through OutgoingText and times every event-loop pass until the last slice
// has left: longest_pass_ms is the worst stall a window would see (the
// median over the runs of each run's longest pass, so that one preemption of
// a busy machine does not decide it), passes the number of slices.  Line breaks and controls are the hard cases: each
// unit goes through the encoder's slow branch.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QObject>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

#include "control/input/outgoing_text.h"

namespace {

using namespace vesper;

constexpr qsizetype kUnits = qsizetype(32) << 20;

QString repeatedUnits(QStringView pattern)
{
    QString text;
    text.reserve(kUnits);
    while (text.size() + pattern.size() <= kUnits)
        text += pattern;
    return text;
}

QString sample(const std::string &kind)
{
    if (kind == "lf")
        return repeatedUnits(u"\n");
    if (kind == "crlf")
        return repeatedUnits(u"\r\n");
    if (kind == "c0") {
        QString all;
        for (char16_t c = 0; c < 0x20; ++c)
            all += QChar(c);
        return repeatedUnits(all);
    }
    return repeatedUnits(u"the quick brown fox jumps over it "); // ascii
}

void slicedSending(benchmark::State &state, const std::string &kind, bool bracketed)
{
    const QString text = sample(kind);
    QObject owner;
    std::int64_t bytes = 0;
    std::vector<qint64> longestNs;
    std::int64_t passes = 0;
    for (auto _ : state) {
        OutgoingText out(&owner, [&](const QByteArray &b) { bytes += b.size(); });
        QElapsedTimer pass;
        pass.start();
        out.addText(text, bracketed);
        qint64 longest = pass.nsecsElapsed();
        while (out.pending()) {
            pass.restart();
            QCoreApplication::processEvents();
            longest = std::max(longest, pass.nsecsElapsed());
            ++passes;
        }
        longestNs.push_back(longest);
    }
    benchmark::DoNotOptimize(bytes);
    std::sort(longestNs.begin(), longestNs.end());
    state.counters["longest_pass_ms"] = double(longestNs[longestNs.size() / 2]) / 1e6;
    state.counters["passes"] = double(passes) / double(state.iterations());
}

void registerAll()
{
    for (const std::string kind : {"lf", "crlf", "c0", "ascii"}) {
        for (const bool bracketed : {false, true}) {
            const std::string name = "sliced_sending/" + kind + (bracketed ? "/bracketed" : "/plain");
            benchmark::RegisterBenchmark(name.c_str(),
                                         [kind, bracketed](benchmark::State &s) { slicedSending(s, kind, bracketed); })
                ->Unit(benchmark::kMillisecond)
                ->Iterations(5);
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    registerAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// bench_e2e: the whole road, the way a user sees it.  A real child runs on a
// pseudo terminal through PtySession into a shown TerminalWidget (offscreen
// platform); the GUI thread carries a precise 5 ms timer whose largest
// lateness is the longest stall.  Modes:
//
//   bench_e2e [--cols N] [--rows N] WORKLOAD|FILE
//       `cat FILE` then a marker; the clock runs from start() to the end of
//       the first paint after the marker was fed.  Prints, like the peers'
//       e2e-qtw:  bytes= seconds= MBps= paints= rss0_mb= peak_rss_mb=
//       max_stall_ms= onscreen= cols= rows=, then the pty limit of the same
//       command and grid (pty_limit_mbps=, the mean of a reading before and
//       one after the widget's run, both in limit_before_after=) with
//       of_limit= (MBps over it), and the
//       stall figures p99_stall_ms= and over16= (ticks later than 16 ms),
//       busy_max_ms= and busy_over16= (the GUI thread's CPU time between two
//       ticks: its largest, and how often it passed 16 ms) and
//       worst_late_busy_wait_ms= (the latest tick: its lateness, the thread's
//       CPU time and its wait on a run queue since the tick before).  Also
//       gui_cpu_s= (the GUI thread's CPU time in the run) and, for the run
//       and for the limit's reading, the shares of the machine's time that
//       stayed idle and that a virtual machine's host stole (idle= stolen=
//       limit_idle= limit_stolen=): with processors idle the pty's hand-offs
//       held the rate, with none the processors did.
//   bench_e2e --session-only [--spin NS] [--cols N] [--rows N] WORKLOAD|FILE
//       the first mode through the session alone, its output counted and
//       dropped, with the same figures: what the pty and the session's
//       hand-over allow.  --spin burns NS nanoseconds of the GUI thread per
//       byte received, a stand-in for a terminal of that cost.
//   bench_e2e --yes SECONDS
//       `yes` for that long: MB/s, paints, the longest stall, and the growth
//       of the resident size in the second half over the first half; the
//       pty limit of `yes` over the same time and the stall figures.
//   bench_e2e --paste MIB [--via shortcut|paste|send]
//       that much text handed to a child that never reads (Ctrl+Shift+V from
//       the clipboard by default): the time of the call and the stall figures.
//   bench_e2e --latency N
//       N keys typed into the widget attached to `cat` on a raw terminal: the
//       time from the key press to the end of the paint that shows its echo.
//   bench_e2e --ledger ...
//       any mode above, and then where the GUI thread's time went: per kind
//       of event (receiver class / event type) the count, total and longest
//       delivery (event_ledger.h).
//   bench_e2e --item [--cols N] [--rows N] WORKLOAD|FILE
//       the first mode through the Qt Quick item in a QQuickWindow (software
//       scene graph): the clock stops at the first frame after the marker.
//
// WORKLOAD is one of the five comparison workloads (ascii sgr cursor unicode
// scroll), made by the peers' seeded generator in the build folder.
#include <QApplication>
#include <QClipboard>
#include <QQuickWindow>
#include <QEventLoop>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench/e2e/e2e_support.h"
#include "bench/e2e/event_ledger.h"
#include "bench/e2e/pty_limit.h"
#include "bench/widget/bench_support.h"
#include "bench/workload_files.h"
#include "lumenvale/terminal_item.h"
#include "lumenvale/attach.h"
#include "lumenvale/terminal_widget.h"
#include "lumenvale/pty_session.h"

namespace vesper::bench {

double procStatusMiB(const char *key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray k(key);
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(k))
            return line.mid(k.size()).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}

double threadWaitSeconds()
{
    // run time, run-queue wait, timeslices; in nanoseconds
    FILE *f = std::fopen("/proc/thread-self/schedstat", "r");
    if (!f)
        return 0;
    unsigned long long run = 0, wait = 0;
    const int got = std::fscanf(f, "%llu %llu", &run, &wait);
    std::fclose(f);
    return got == 2 ? double(wait) * 1e-9 : 0;
}

MachineTicks machineTicks()
{
    QFile f(QStringLiteral("/proc/stat"));
    MachineTicks ticks;
    if (!f.open(QIODevice::ReadOnly))
        return ticks;
    // cpu  user nice system idle iowait irq softirq steal guest guest_nice;
    // the guest times are already counted in user and nice.
    const QList<QByteArray> fields = f.readLine().simplified().split(' ');
    for (qsizetype i = 1; i < std::min<qsizetype>(fields.size(), 9); ++i) {
        const double v = fields[i].toDouble();
        ticks.total += v;
        ticks.idle += (i == 4 || i == 5) ? v : 0;
        ticks.stolen += i == 8 ? v : 0;
    }
    return ticks;
}

namespace {

struct Options {
    int columns = 80;
    int rows = 24;
    QString file;
    double yesSeconds = 0;
    int pasteMiB = 0;
    QString via = QStringLiteral("shortcut");
    int latencyKeys = 0;
    bool item = false;
    bool ledger = false;
    bool sessionOnly = false;
    double spinNsPerByte = 0;
};

[[noreturn]] void usage()
{
    std::fprintf(stderr, "usage: bench_e2e [--ledger] [--item] [--cols N] [--rows N] WORKLOAD|FILE\n"
                         "       bench_e2e --session-only [--spin NS] [--cols N] [--rows N] WORKLOAD|FILE\n"
                         "       bench_e2e [--cols N] [--rows N] --yes SECONDS\n"
                         "       bench_e2e --paste MIB [--via shortcut|paste|send]\n"
                         "       bench_e2e --latency N\n");
    std::exit(2);
}

Options parse(int argc, char **argv)
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        const QByteArray a(argv[i]);
        auto next = [&]() -> QByteArray {
            if (i + 1 >= argc)
                usage();
            return QByteArray(argv[++i]);
        };
        if (a == "--cols") o.columns = next().toInt();
        else if (a == "--rows") o.rows = next().toInt();
        else if (a == "--yes") o.yesSeconds = next().toDouble();
        else if (a == "--paste") o.pasteMiB = next().toInt();
        else if (a == "--via") o.via = QString::fromLatin1(next());
        else if (a == "--latency") o.latencyKeys = next().toInt();
        else if (a == "--item") o.item = true;
        else if (a == "--session-only") o.sessionOnly = true;
        else if (a == "--spin") o.spinNsPerByte = next().toDouble();
        else if (a == "--ledger") o.ledger = true;
        else if (a.startsWith('-')) usage();
        else o.file = QString::fromLocal8Bit(a);
    }
    const bool oneMode = (o.file.isEmpty() ? 0 : 1) + (o.yesSeconds > 0) + (o.pasteMiB > 0) + (o.latencyKeys > 0) == 1;
    if (!oneMode || o.columns < 1 || o.rows < 1)
        usage();
    return o;
}

QString catCommand(const QString &path, const QByteArray &marker);

// Counts a session's output and watches it for the marker, also across two
// deliveries.
struct OutputWatch {
    explicit OutputWatch(const QByteArray &marker) : marker(marker) {}
    void take(const QByteArray &data)
    {
        bytes += data.size();
        if (seen)
            return;
        seen = (tail + data.left(marker.size())).contains(marker) || data.contains(marker);
        tail = (tail + data.right(marker.size())).right(marker.size() - 1);
    }
    QByteArray marker;
    QByteArray tail;
    qint64 bytes = 0;
    bool seen = false;
};

// The figures every mode ends its line with: the stalls, and the pty limit
// when there is one.
void printStallsAndLimit(const StallProbe &probe, double mbps, const LimitAround *limit)
{
    std::printf(" p99_stall_ms=%.1f over16=%ld busy_max_ms=%.1f busy_over16=%ld worst_late_busy_wait_ms=%.1f/%.1f/%.1f",
                probe.percentileMs(0.99), probe.countOverMs(16), probe.maxBusy * 1000, probe.busyOver16,
                probe.worst.late * 1000, probe.worst.busy * 1000, probe.worst.waited * 1000);
    if (limit)
        std::printf(" pty_limit_mbps=%.2f of_limit=%.3f limit_before_after=%.2f/%.2f", limit->mbps(),
                    limit->mbps() > 0 ? mbps / limit->mbps() : 0.0, limit->before.mbps(), limit->after.mbps());
    if (limit && limit->before.idleShare >= 0 && limit->after.idleShare >= 0)
        std::printf(" limit_idle=%.2f limit_stolen=%.2f", limit->idleShare(), limit->stolenShare());
    std::printf("\n");
    std::fflush(stdout);
}

// The pty limit of `sh -c command`.
PtyLimit catLimit(const Options &o, const QString &path, const QByteArray &marker)
{
    return measurePtyLimit(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), catCommand(path, marker)}, o.columns,
                           o.rows, marker);
}

// The widget at the requested grid with the session attached to it.
struct Road {
    std::unique_ptr<TerminalWidget> widget;
    std::unique_ptr<PtySession> session;
    std::unique_ptr<PaintWatch> paints;
    bool finished = false;
};

Road makeRoad(const Options &o)
{
    Road road;
    road.widget = makeWidget(o.columns, o.rows, true);
    // The bar stays, so the grid keeps its size when scrollback appears.
    road.widget->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QApplication::processEvents();
    road.widget->activateWindow();
    road.widget->setFocus();
    QApplication::processEvents();
    if (road.widget->columns() != o.columns || road.widget->terminalRows() != o.rows) {
        std::fprintf(stderr, "bench_e2e: the grid is %dx%d, not %dx%d\n", road.widget->columns(),
                     road.widget->terminalRows(), o.columns, o.rows);
        std::exit(1);
    }
    road.session.reset(PtySession::create());
    attach(road.widget.get(), road.session.get());
    QObject::connect(road.session.get(), &PtySession::finished, [&finished = road.finished] { finished = true; });
    road.paints = std::make_unique<PaintWatch>(road.widget->viewport());
    return road;
}

void start(Road &road, const QString &program, const QStringList &args)
{
    if (!road.session->start(program, args, {}, road.widget->columns(), road.widget->terminalRows())) {
        std::fprintf(stderr, "bench_e2e: start failed: %s\n", qPrintable(road.session->error()));
        std::exit(1);
    }
}

QString shQuote(const QString &s)
{
    QString q = s;
    q.replace(QLatin1Char('\''), QLatin1String("'\\''"));
    return QLatin1Char('\'') + q + QLatin1Char('\'');
}

QString catCommand(const QString &path, const QByteArray &marker)
{
    return QStringLiteral("cat %1; printf '\\033[0m\\r\\n%2'").arg(shQuote(path), QString::fromLatin1(marker));
}

// The cat run through the Quick item: the same clock, marker and report.
int runCatItem(const Options &o, const QString &path, const QByteArray &marker)
{
    const PtyLimit limitBefore = catLimit(o, path, marker);
    QQuickWindow window;
    auto *item = new TerminalItem(window.contentItem());
    item->setSize(QSizeF(o.columns * item->cellWidth(), o.rows * item->cellHeight()));
    window.resize(item->size().toSize());
    window.show();
    item->forceActiveFocus();
    QApplication::processEvents();
    std::unique_ptr<PtySession> session(PtySession::create());
    attach(item, session.get());

    OutputWatch output(marker);
    int frames = 0;
    bool done = false;
    double tEnd = 0;
    QObject::connect(session.get(), &PtySession::dataReceived, [&](const QByteArray &data) { output.take(data); });
    QObject::connect(&window, &QQuickWindow::afterRendering, &window, [&] {
        ++frames;
        if (output.seen && !done) {
            done = true;
            tEnd = nowSeconds();
            QMetaObject::invokeMethod(qApp, &QApplication::quit, Qt::QueuedConnection);
        }
    }, Qt::DirectConnection);
    StallProbe probe;
    const double rss0 = procStatusMiB("VmRSS:");
    probe.start();
    const double t0 = nowSeconds();
    if (!session->start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), catCommand(path, marker)}, {}, item->columns(),
                        item->terminalRows()))
        return 1;
    QApplication::exec();
    probe.stop();
    const double seconds = tEnd - t0;
    const bool onscreen = item->screenText().contains(QString::fromLatin1(marker));
    session->terminate();
    const LimitAround limit{limitBefore, catLimit(o, path, marker)};
    const qint64 bytes = output.bytes;
    std::printf("item bytes=%lld seconds=%.6f MBps=%.2f paints=%d rss0_mb=%.1f peak_rss_mb=%.1f max_stall_ms=%.1f "
                "onscreen=%s cols=%d rows=%d",
                (long long)bytes, seconds, seconds > 0 ? double(bytes) / 1e6 / seconds : 0.0, frames, rss0,
                procStatusMiB("VmHWM:"), probe.maxStall * 1000, onscreen ? "yes" : "no", item->columns(),
                item->terminalRows());
    printStallsAndLimit(probe, seconds > 0 ? double(bytes) / 1e6 / seconds : 0.0, &limit);
    return onscreen ? 0 : 1;
}

// The session alone, its output counted and dropped: what the session's
// reader and hand-over allow without a terminal behind them.
int runCatSessionOnly(const Options &o, const QString &path, const QByteArray &marker)
{
    const PtyLimit limitBefore = catLimit(o, path, marker);
    std::unique_ptr<PtySession> session(PtySession::create());
    OutputWatch output(marker);
    double tEnd = 0;
    QObject::connect(session.get(), &PtySession::dataReceived, [&](const QByteArray &data) {
        const double until = nowSeconds() + o.spinNsPerByte * 1e-9 * double(data.size());
        while (nowSeconds() < until) {
        }
        const bool seenBefore = output.seen;
        output.take(data);
        if (output.seen && !seenBefore) {
            tEnd = nowSeconds();
            QApplication::quit();
        }
    });
    StallProbe probe;
    probe.start();
    const MachineTicks ticks0 = machineTicks();
    const double cpu0 = threadCpuSeconds();
    const double t0 = nowSeconds();
    if (!session->start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), catCommand(path, marker)}, {}, o.columns,
                        o.rows))
        return 1;
    QApplication::exec();
    probe.stop();
    const double guiCpu = threadCpuSeconds() - cpu0;
    const MachineTicks ticks1 = machineTicks();
    session->terminate();
    const LimitAround limit{limitBefore, catLimit(o, path, marker)};
    const double mbps = double(output.bytes) / 1e6 / (tEnd - t0);
    std::printf("session-only bytes=%lld MBps=%.2f max_stall_ms=%.1f gui_cpu_s=%.3f idle=%.2f stolen=%.2f",
                (long long)output.bytes, mbps, probe.maxStall * 1000, guiCpu, ticks1.idleSince(ticks0),
                ticks1.stolenSince(ticks0));
    printStallsAndLimit(probe, mbps, &limit);
    return 0;
}

int runCat(const Options &o)
{
    QString path = o.file;
    if (workloadNames().end() != std::find(workloadNames().begin(), workloadNames().end(), o.file.toStdString()))
        path = QString::fromStdString(workloadPath(o.file.toStdString()));
    if (!QFile::exists(path)) {
        std::fprintf(stderr, "bench_e2e: no such file: %s\n", qPrintable(path));
        return 2;
    }
    const QByteArray marker =
        "E2E-DONE-" + QByteArray::number(QRandomGenerator::global()->generate(), 16).rightJustified(8, '0').toUpper();
    if (o.item)
        return runCatItem(o, path, marker);
    if (o.sessionOnly)
        return runCatSessionOnly(o, path, marker);
    const PtyLimit limitBefore = catLimit(o, path, marker);
    Road road = makeRoad(o);

    OutputWatch output(marker);
    bool done = false;
    double t0 = 0, tEnd = 0;
    QObject::connect(road.session.get(), &PtySession::dataReceived, [&](const QByteArray &data) { output.take(data); });
    road.paints->afterPaint = [&] {
        if (output.seen && !done) {
            done = true;
            tEnd = nowSeconds();
            QApplication::quit();
        }
    };
    StallProbe probe;
    const double rss0 = procStatusMiB("VmRSS:");
    const int paintsAtStart = road.paints->paints;
    probe.start();
    const MachineTicks ticks0 = machineTicks();
    const double cpu0 = threadCpuSeconds();
    t0 = nowSeconds();
    start(road, QStringLiteral("/bin/sh"), {QStringLiteral("-c"), catCommand(path, marker)});
    QApplication::exec();
    probe.stop();
    const double guiCpu = threadCpuSeconds() - cpu0;
    const MachineTicks ticks1 = machineTicks();
    const double seconds = tEnd - t0;
    const bool onscreen = road.widget->screenText().contains(QString::fromLatin1(marker));
    road.session->terminate();
    const LimitAround limit{limitBefore, catLimit(o, path, marker)};
    const qint64 bytes = output.bytes;
    std::printf("bytes=%lld seconds=%.6f MBps=%.2f paints=%d rss0_mb=%.1f peak_rss_mb=%.1f max_stall_ms=%.1f "
                "onscreen=%s cols=%d rows=%d",
                (long long)bytes, seconds, seconds > 0 ? double(bytes) / 1e6 / seconds : 0.0,
                road.paints->paints - paintsAtStart, rss0, procStatusMiB("VmHWM:"), probe.maxStall * 1000,
                onscreen ? "yes" : "no", road.widget->columns(), road.widget->terminalRows());
    std::printf(" gui_cpu_s=%.3f idle=%.2f stolen=%.2f", guiCpu, ticks1.idleSince(ticks0), ticks1.stolenSince(ticks0));
    printStallsAndLimit(probe, seconds > 0 ? double(bytes) / 1e6 / seconds : 0.0, &limit);
    return onscreen ? 0 : 1;
}

int runYes(const Options &o)
{
    const auto yesLimit = [&] { return measurePtyLimit(QStringLiteral("yes"), {}, o.columns, o.rows, {}, o.yesSeconds / 2); };
    const PtyLimit limitBefore = yesLimit();
    Road road = makeRoad(o);
    qint64 bytes = 0;
    QObject::connect(road.session.get(), &PtySession::dataReceived, [&](const QByteArray &data) { bytes += data.size(); });
    StallProbe probe;
    const double t0 = nowSeconds();
    double firstHalfMax = 0, secondHalfMax = 0;
    probe.onSample = [&](double rss) {
        double &slot = nowSeconds() - t0 < o.yesSeconds / 2 ? firstHalfMax : secondHalfMax;
        slot = std::max(slot, rss);
    };
    const int paintsAtStart = road.paints->paints;
    probe.start();
    const MachineTicks ticks0 = machineTicks();
    start(road, QStringLiteral("yes"), {});
    QTimer::singleShot(int(o.yesSeconds * 1000), qApp, &QApplication::quit);
    QApplication::exec();
    probe.stop();
    const MachineTicks ticks1 = machineTicks();
    const double seconds = nowSeconds() - t0;
    road.session->terminate();
    const LimitAround limit{limitBefore, yesLimit()};
    std::printf("yes seconds=%.1f MBps=%.2f paints=%d max_stall_ms=%.1f rss_first_half_mb=%.2f "
                "rss_second_half_mb=%.2f growth_second_half_mib=%.2f cols=%d rows=%d",
                seconds, double(bytes) / 1e6 / seconds, road.paints->paints - paintsAtStart, probe.maxStall * 1000,
                firstHalfMax, secondHalfMax, secondHalfMax - firstHalfMax, road.widget->columns(),
                road.widget->terminalRows());
    std::printf(" idle=%.2f stolen=%.2f", ticks1.idleSince(ticks0), ticks1.stolenSince(ticks0));
    printStallsAndLimit(probe, double(bytes) / 1e6 / seconds, &limit);
    return 0;
}

// Text of `mib` MiB in lines of printable ASCII, as a big log would be.
QString pasteText(int mib)
{
    QString line = QStringLiteral("the quick brown fox jumps over the lazy dog 0123456789 ");
    line += line;
    line += QLatin1Char('\n');
    QString text;
    const qsizetype size = qsizetype(mib) << 20;
    text.reserve(size + line.size());
    while (text.size() < size)
        text += line;
    text.truncate(size);
    return text;
}

int runPaste(const Options &o)
{
    Road road = makeRoad(o);
    const QString text = pasteText(o.pasteMiB);
    if (o.via == QLatin1String("shortcut"))
        QApplication::clipboard()->setText(text);
    // A child that never reads: the terminal's input fills up at once.
    start(road, QStringLiteral("sleep"), {QStringLiteral("3600")});
    QTest::qWait(300);
    StallProbe probe;
    probe.start();
    QTest::qWait(100);
    const double t0 = nowSeconds();
    if (o.via == QLatin1String("shortcut"))
        QTest::keyClick(road.widget.get(), Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
    else if (o.via == QLatin1String("paste"))
        road.widget->paste(text);
    else
        road.widget->send(text);
    const double callMs = (nowSeconds() - t0) * 1000;
    QTest::qWait(1500);
    probe.stop();
    std::printf("paste MiB=%d via=%s call_ms=%.1f max_stall_ms=%.1f", o.pasteMiB, qPrintable(o.via), callMs,
                probe.maxStall * 1000);
    printStallsAndLimit(probe, 0, nullptr);
    road.session->terminate();
    return 0;
}

int runLatency(const Options &o)
{
    Road road = makeRoad(o);
    QByteArray received;
    QObject::connect(road.session.get(), &PtySession::dataReceived, [&](const QByteArray &data) { received += data; });
    start(road, QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("stty raw -echo; echo ready; exec cat")});
    if (!QTest::qWaitFor([&] { return received.contains("ready"); }, 10000)) {
        std::fprintf(stderr, "bench_e2e: the child did not start\n");
        return 1;
    }
    QTest::qWait(100);
    std::vector<double> latencies;
    char expected = 0;
    bool echoed = false, painted = false;
    double t0 = 0;
    QObject::connect(road.session.get(), &PtySession::dataReceived, [&](const QByteArray &data) {
        echoed = echoed || data.contains(expected);
    });
    // The wait is an event loop that ends at the paint: QTest::qWaitFor
    // sleeps 10 ms between its looks, which would be measured as latency.
    QEventLoop waiting;
    QTimer giveUp;
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, &waiting, &QEventLoop::quit);
    road.paints->afterPaint = [&] {
        if (echoed && !painted) {
            painted = true;
            latencies.push_back((nowSeconds() - t0) * 1000);
            waiting.quit();
        }
    };
    for (int i = 0; i < o.latencyKeys; ++i) {
        expected = char('a' + i % 26);
        echoed = painted = false;
        t0 = nowSeconds();
        QTest::keyClick(road.widget.get(), expected);
        giveUp.start(5000);
        if (!painted)
            waiting.exec();
        if (!painted) {
            std::fprintf(stderr, "bench_e2e: no echo of key %d\n", i);
            return 1;
        }
        QTest::qWait(10);
    }
    std::sort(latencies.begin(), latencies.end());
    const auto at = [&](double q) { return latencies[std::size_t(q * double(latencies.size() - 1))]; };
    std::printf("latency keys=%zu median_ms=%.2f p90_ms=%.2f max_ms=%.2f\n", latencies.size(), at(0.5), at(0.9),
                latencies.back());
    std::fflush(stdout);
    road.session->terminate();
    return 0;
}

} // namespace
} // namespace vesper::bench

int main(int argc, char **argv)
{
    using namespace vesper::bench;
    const Options options = parse(argc, argv);
    useLargeOffscreenScreen();
    if (options.item)
        qputenv("QT_QUICK_BACKEND", "software");
    LedgerApplication app(argc, argv);
    app.recording = options.ledger;
    const int result = options.yesSeconds > 0    ? runYes(options)
                       : options.pasteMiB > 0    ? runPaste(options)
                       : options.latencyKeys > 0 ? runLatency(options)
                                                 : runCat(options);
    if (options.ledger)
        app.print();
    return result;
}

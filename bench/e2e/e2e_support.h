// Measuring helpers of the end-to-end benchmark: a clock, the resident size,
// a paint counter and the stall probe (the lateness of a 5 ms timer on the
// GUI thread: its largest, its 99th percentile, and how often it passed a
// 60 Hz frame; and beside it the thread's own CPU time between two ticks,
// which tells the time this code held the thread from the time the thread
// waited for a processor on a loaded machine).
#pragma once

#include <QElapsedTimer>
#include <QEvent>
#include <QObject>
#include <QTimer>

#include <time.h>

#include <algorithm>
#include <cstddef>
#include <functional>
#include <vector>

namespace vesper::bench {

inline double threadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// The time this thread has waited on a run queue, ready but not running, in
// seconds (0 where the kernel does not say).  Time the host of a virtual
// machine stole is in neither this nor the thread's CPU time.
double threadWaitSeconds();

inline double nowSeconds()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return double(clock.nsecsElapsed()) * 1e-9;
}

// VmRSS or VmHWM of this process in MiB (-1 when /proc is not there).
double procStatusMiB(const char *key);

// The machine's processor time so far (all cores, in clock ticks, from
// /proc/stat): whether a run was short of processors or waited with
// processors idle tells which limit held its rate.  Stolen time is what a
// virtual machine's host gave to other guests: no thread here could run then,
// whatever its priority.
struct MachineTicks {
    double idle = 0, stolen = 0, total = 0;
    // The share of the machine's time from `start` to this sample that was
    // idle, or stolen.
    double idleSince(const MachineTicks &start) const { return share(idle - start.idle, start); }
    double stolenSince(const MachineTicks &start) const { return share(stolen - start.stolen, start); }

private:
    double share(double ticks, const MachineTicks &start) const
    {
        return total > start.total ? ticks / (total - start.total) : 0;
    }
};
MachineTicks machineTicks();

// Counts the paint events of a widget and calls onPaint after each one has
// finished (a zero-time timer queued from the event runs after it).
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QObject *target) { target->installEventFilter(this); }
    int paints = 0;
    std::function<void()> afterPaint;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            ++paints;
            if (afterPaint)
                QTimer::singleShot(0, this, [this] {
                    if (afterPaint)
                        afterPaint();
                });
        }
        return false;
    }
};

// A precise 5 ms timer whose largest lateness is the longest time the GUI
// thread was busy; it also samples the resident size every 20 ticks.
class StallProbe : public QObject {
public:
    StallProbe()
    {
        timer.setTimerType(Qt::PreciseTimer);
        connect(&timer, &QTimer::timeout, this, [this] { tick(); });
    }
    void start()
    {
        maxStall = 0;
        lateness.clear();
        maxBusy = 0;
        busyOver16 = 0;
        worst = {};
        lastTick = nowSeconds();
        lastCpu = threadCpuSeconds();
        lastWait = threadWaitSeconds();
        timer.start(5);
    }
    void stop() { timer.stop(); }
    // The lateness that `q` of the ticks kept within, in milliseconds.
    double percentileMs(double q) const
    {
        if (lateness.empty())
            return 0;
        std::vector<double> sorted = lateness;
        const auto at = sorted.begin() + std::ptrdiff_t(q * double(sorted.size() - 1));
        std::nth_element(sorted.begin(), at, sorted.end());
        return *at * 1000;
    }
    // Ticks later than `ms` milliseconds: frames a 60 Hz display would drop
    // for ms = 16.
    long countOverMs(double ms) const
    {
        return long(std::count_if(lateness.begin(), lateness.end(), [ms](double s) { return s * 1000 > ms; }));
    }
    double maxStall = 0; // seconds
    std::vector<double> lateness; // of every tick, seconds
    // The most CPU time the thread used between two ticks, and how often it
    // used more than 16 ms there.
    double maxBusy = 0; // seconds
    long busyOver16 = 0;
    // The latest tick: how late it was, the thread's CPU time and its wait
    // for a processor since the tick before (seconds); what is left of the
    // lateness was neither (sleep, or time stolen by a virtual machine's host).
    struct Tick {
        double late = 0, busy = 0, waited = 0;
    } worst;
    double maxRssMiB = 0;
    std::function<void(double rssMiB)> onSample;

private:
    void tick()
    {
        const double t = nowSeconds();
        const double late = std::max(t - lastTick - 0.005, 0.0);
        maxStall = std::max(maxStall, late);
        lateness.push_back(late);
        lastTick = t;
        const double cpu = threadCpuSeconds();
        const double wait = threadWaitSeconds();
        maxBusy = std::max(maxBusy, cpu - lastCpu);
        busyOver16 += cpu - lastCpu > 0.016 ? 1 : 0;
        if (late >= worst.late)
            worst = {late, cpu - lastCpu, wait - lastWait};
        lastCpu = cpu;
        lastWait = wait;
        if (++ticks % 20 == 0) {
            const double rss = procStatusMiB("VmRSS:");
            maxRssMiB = std::max(maxRssMiB, rss);
            if (onSample)
                onSample(rss);
        }
    }
    QTimer timer;
    double lastTick = 0;
    double lastCpu = 0;
    double lastWait = 0;
    long ticks = 0;
};

} // namespace vesper::bench

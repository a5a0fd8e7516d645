// The shared life cycle of pseudo-terminal sessions.  Threads: the reader
// blocks in PtyBackend::read(), queues chunks and rings the OutputRelay; the
// writer drains an ordered queue into PtyBackend::write(); everything else
// runs on the session's thread.  The threads share only a Run: stop flags,
// two lock-free single-producer queues and a counter of bytes in flight,
// which the reader waits on (C++20 atomic wait) so that a fast child is slowed
// down by the terminal instead of growing memory.  The other way round, the
// writer rings the relay when the input it holds drains to the low-water
// mark, so that inputBacklogChanged paces the writers of a slow child.  The
// session's thread never waits for the reader, the writer or a child: a child
// that has not ended when the session lets go of it (terminate(),
// destruction) is hung up and handed to the ChildReaper with its backend.
#include "session/process_session.h"

#include "session/child_reaper.h"
#include "session/output_batcher.h"
#include "session/output_relay.h"
#include "session/spsc_queue.h"

#include <QElapsedTimer>
#include <QMetaObject>
#include <QPointer>
#include <QTimer>
#ifdef Q_OS_WIN
#include <QWinEventNotifier>
#include <qt_windows.h>
#else
#include <QSocketNotifier>
#endif

#include <algorithm>
#include <atomic>
#include <mutex>
#include <system_error>
#include <utility>
#include <vector>

namespace vesper {

namespace {

constexpr std::size_t readChunkSize = 65536;

// `count` cells of `cell` pixels, without overflow (a terminal's size in
// pixels has 16 bits anyway).
int pixels(int count, int cell)
{
    return int(std::min<std::int64_t>(std::int64_t(count) * cell, 0xffff));
}
// How long `finished` waits for the end of the output after the child's
// exit; a background process may keep the terminal open indefinitely.
constexpr int outputGraceMs = 200;
constexpr int hangUpGraceMs = 2000;

#ifdef Q_OS_WIN
using ExitNotifier = QWinEventNotifier;
#else
using ExitNotifier = QSocketNotifier;
#endif

std::string toUtf8(const QString &text)
{
    return text.toStdString();
}

} // namespace

struct ProcessSession::Run {
    std::atomic<bool> stop{false};
    std::atomic<std::int64_t> bytesInFlight{0};
    // Bumped whenever the reader may continue (delivery or stop): the value
    // the reader waits on.
    std::atomic<std::uint32_t> wakeups{0};

    // Reader -> session's thread.
    SpscQueue<QByteArray> output;
    // The relay was rung and its drain has not yet found the queue empty.
    // Both sides change it only by exchange, so whichever comes second in
    // its modification order sees the other's queue state (no lost ring).
    std::atomic<bool> drainPending{false};
    // read() returned 0; set after the last chunk was queued.
    std::atomic<bool> readerEnded{false};
    // Session's thread only: what each pass hands on, and the bytes handed on.
    OutputBatcher batches;
    std::int64_t delivered = 0;

    // Session's thread -> writer.
    SpscQueue<QByteArray> pendingWrites;
    // Input queued or being written, in the cost maxUnwrittenInput bounds;
    // lowered by the writer as it goes out.
    std::atomic<std::int64_t> unwrittenCost{0};
    std::atomic<bool> writerStop{false};
    // The writer gave up (the terminal is gone): later writes are dropped.
    std::atomic<bool> writerEnded{false};
    // The session's thread waits for unwrittenCost to fall to inputLowWater;
    // the writer takes the flag back when it does, and rings the relay.
    std::atomic<bool> drainWatched{false};
    // Bumped after every push and on stop: the value the writer sleeps on.
    std::atomic<std::uint32_t> writeSignals{0};

    // Reader only: asks for a drain unless one is already on its way.
    void ringRelay(OutputRelay *relay)
    {
        // The relay outlives the reader (the session joins it first); Qt
        // drops the queued drain if the session is gone by then.
        if (!drainPending.exchange(true, std::memory_order_acq_rel))
            emit relay->outputReady();
    }

    // Writer only, after lowering unwrittenCost to `left` (or giving up).
    // Sequentially consistent with the session's arming in
    // updateInputBacklog(): one of the two sees the other's write.
    void noteInputLeft(OutputRelay *relay, std::int64_t left)
    {
        if (left <= inputLowWater && drainWatched.load() && drainWatched.exchange(false))
            emit relay->inputDrained();
    }

    void wakeWriter()
    {
        writeSignals.fetch_add(1, std::memory_order_release);
        writeSignals.notify_one();
    }

    void wakeReader()
    {
        wakeups.fetch_add(1, std::memory_order_release);
        wakeups.notify_all();
    }

    void waitForRoom()
    {
        while (!stop.load(std::memory_order_acquire) &&
               bytesInFlight.load(std::memory_order_acquire) > maxBytesInFlight) {
            const auto seen = wakeups.load(std::memory_order_acquire);
            if (stop.load(std::memory_order_acquire) ||
                bytesInFlight.load(std::memory_order_acquire) <= maxBytesInFlight)
                break;
            wakeups.wait(seen, std::memory_order_acquire);
        }
    }
};

// The exit code of a child that terminate() handed to the reaper comes back
// here from the reaper's thread and leaves as `finished` on the session's
// thread, unless the session is gone by then.  The lock is held only while an
// event is posted (or while the destructor closes the mailbox); Qt drops the
// posted call if the session is destroyed before it runs.
class ProcessSession::ExitMailbox {
public:
    explicit ExitMailbox(ProcessSession *session) : session_(session) {}

    void post(int exitCode)
    {
        const std::lock_guard lock(mutex_);
        // Queued by name, so Qt copies the argument itself, as it does for
        // the reader's queued signal: a functor's captures would be written
        // on this thread and read on the session's, through Qt's event lock,
        // which ThreadSanitizer cannot see.
        if (session_)
            QMetaObject::invokeMethod(session_, "finished", Qt::QueuedConnection, Q_ARG(int, exitCode));
    }

    void close()
    {
        const std::lock_guard lock(mutex_);
        session_ = nullptr;
    }

private:
    std::mutex mutex_;
    ProcessSession *session_;
};

ProcessSession::ProcessSession(BackendFactory makeBackend, QObject *parent)
    : PtySession(parent), makeBackend_(std::move(makeBackend)), backend_(makeBackend_()),
      exitMailbox_(std::make_shared<ExitMailbox>(this)), relay_(std::make_unique<OutputRelay>())
{
    connect(relay_.get(), &OutputRelay::outputReady, this, &ProcessSession::drainOutput, Qt::QueuedConnection);
    connect(relay_.get(), &OutputRelay::inputDrained, this, &ProcessSession::updateInputBacklog, Qt::QueuedConnection);
}

ProcessSession::~ProcessSession()
{
    // Destruction lets go of the child (no zombie, no thread remains once the
    // reaper is done) but emits nothing, now or later.
    exitMailbox_->close();
    releaseResources();
}

bool ProcessSession::start(const QString &program, const QStringList &args, const QStringList &env,
                           int cols, int rows)
{
    if (state_ == State::Running || state_ == State::Exited) {
        errorText_ = QStringLiteral("session already started");
        return false;
    }
    // C strings would end at the NUL and run something else than asked.
    const auto hasNul = [](const QString &text) { return text.contains(QChar(u'\0')); };
    if (hasNul(program) || std::any_of(args.begin(), args.end(), hasNul) ||
        std::any_of(env.begin(), env.end(), hasNul)) {
        errorText_ = QStringLiteral("start: program, argument or environment contains a NUL character");
        return false;
    }
    PtyLaunch launch;
    launch.program = toUtf8(program);
    for (const auto &arg : args)
        launch.args.push_back(toUtf8(arg));
    for (const auto &entry : env)
        launch.env.push_back(toUtf8(entry));
    launch.workingDirectory = toUtf8(workingDirectory());
    launch.columns = std::max(cols, 1);
    launch.rows = std::max(rows, 1);
    launch.pixelWidth = pixels(launch.columns, cellPixelWidth());
    launch.pixelHeight = pixels(launch.rows, cellPixelHeight());
    if (requestedFlowControl_ >= 0)
        launch.flowControl = requestedFlowControl_ != 0;
    if (!backend_->start(launch)) {
        errorText_ = QString::fromStdString(backend_->errorText());
        return false;
    }

    setOutputSuspended(false);

    // A new run: whatever the last one left behind no longer counts.
    run_ = std::make_shared<Run>();
    finishedReported_ = false;
    exitCode_.reset();
    state_ = State::Running;
    columns_ = launch.columns;
    rows_ = launch.rows;
    QString failure;
    if (!startThreads(failure)) {
        releaseResources();
        state_ = State::Idle;
        errorText_ = failure;
        return false;
    }

#ifdef Q_OS_WIN
    auto *notifier = new QWinEventNotifier(reinterpret_cast<HANDLE>(backend_->exitHandle()));
    connect(notifier, &QWinEventNotifier::activated, this, &ProcessSession::onChildExited);
#else
    auto *notifier = new QSocketNotifier(static_cast<qintptr>(backend_->exitHandle()), QSocketNotifier::Read);
    connect(notifier, &QSocketNotifier::activated, this, &ProcessSession::onChildExited);
#endif
    exitNotifier_.reset(notifier);
    return true;
}

bool ProcessSession::startThreads(QString &failure)
{
    try {
        reader_ = std::thread(&ProcessSession::readLoop, backend_.get(), relay_.get(), run_);
        writer_ = std::thread(&ProcessSession::writeLoop, backend_.get(), relay_.get(), run_);
    } catch (const std::system_error &e) {
        failure = QStringLiteral("thread: ") + QString::fromLocal8Bit(e.what());
        return false;
    }
    return true;
}

// The reader thread: the child's output into the Run's queue until the
// terminal ends, waiting whenever the session's thread is behind.
void ProcessSession::readLoop(PtyBackend *backend, OutputRelay *relay, std::shared_ptr<Run> run)
{
    std::vector<char> buffer(readChunkSize);
    while (const std::size_t got = backend->read(buffer.data(), buffer.size())) {
        // After a stop the reader keeps draining, so that the other side can
        // always finish closing.
        if (run->stop.load(std::memory_order_acquire))
            continue;
        run->bytesInFlight.fetch_add(static_cast<std::int64_t>(got), std::memory_order_acq_rel);
        run->output.push(QByteArray(buffer.data(), static_cast<qsizetype>(got)));
        run->ringRelay(relay);
        run->waitForRoom();
    }
    run->readerEnded.store(true, std::memory_order_release);
    run->ringRelay(relay);
}

// The writer thread: the queued input into the terminal, in order, until
// stopped or until the terminal is gone.
void ProcessSession::writeLoop(PtyBackend *backend, OutputRelay *relay, std::shared_ptr<Run> run)
{
    while (true) {
        // Read the signal count before looking at the queue: a push after
        // the look changes it, so the wait below cannot sleep through it.
        const auto seen = run->writeSignals.load(std::memory_order_acquire);
        if (run->writerStop.load(std::memory_order_acquire))
            return;
        QByteArray data;
        if (!run->pendingWrites.pop(data)) {
            run->writeSignals.wait(seen, std::memory_order_acquire);
            continue;
        }
        qsizetype done = 0;
        while (done < data.size()) {
            const std::size_t wrote =
                backend->write(data.constData() + done, static_cast<std::size_t>(data.size() - done));
            if (wrote == 0)
                break;
            done += static_cast<qsizetype>(wrote);
            const auto cost = static_cast<std::int64_t>(wrote);
            run->noteInputLeft(relay, run->unwrittenCost.fetch_sub(cost) - cost);
        }
        if (done < data.size()) {
            // The terminal is gone: nothing queued can arrive any more (what
            // is left is freed with the Run), and nobody need wait for it.
            run->writerEnded.store(true, std::memory_order_release);
            run->noteInputLeft(relay, 0);
            return;
        }
        run->noteInputLeft(relay, run->unwrittenCost.fetch_sub(queuedWriteCost) - queuedWriteCost);
    }
}

void ProcessSession::drainOutput()
{
    if (!run_)
        return;
    const std::shared_ptr<Run> run = run_;
    const QPointer<ProcessSession> alive(this);
    const QByteArray batch = run->batches.take([&run](QByteArray &chunk) { return run->output.pop(chunk); });
    if (!batch.isEmpty()) {
        const auto size = static_cast<std::int64_t>(batch.size());
        const auto before = run->bytesInFlight.fetch_sub(size, std::memory_order_acq_rel);
        if (before > maxBytesInFlight && before - size <= maxBytesInFlight)
            run->wakeReader();
        QElapsedTimer handing;
        handing.start();
        run->delivered += size;
        emit dataReceived(batch);
        // A slot may have deleted the session, or started a new run (after
        // terminating this one).
        if (!alive || run_ != run)
            return;
        run->batches.record(batch.size(), handing.nsecsElapsed());
        if (run->batches.hasRest() || !run->output.empty()) {
            // The rest after the events that queued up meanwhile; the ring
            // stays taken, so the reader does not ask again.
            QMetaObject::invokeMethod(this, &ProcessSession::drainOutput, Qt::QueuedConnection);
            return;
        }
    }
    // Hand the ring back.  A chunk (or the end) the reader queued meanwhile
    // either found the ring handed back and rang again, or exchanged before
    // us and is visible from here on.
    run->drainPending.exchange(false, std::memory_order_acq_rel);
    // The end flag before the queue: it is set after the last push, so
    // "ended and empty" means every chunk has been taken.
    const bool ended = run->readerEnded.load(std::memory_order_acquire);
    if (!run->output.empty()) {
        // Take the ring again, unless the reader already rang.
        if (!run->drainPending.exchange(true, std::memory_order_acq_rel))
            QMetaObject::invokeMethod(this, &ProcessSession::drainOutput, Qt::QueuedConnection);
        return;
    }
    // All output is out: an exit that waited for it is reported now.
    if (ended)
        reportFinished();
}

bool ProcessSession::outputEnded() const
{
    // The flag first: see drainOutput().
    return run_->readerEnded.load(std::memory_order_acquire) && run_->output.empty() && !run_->batches.hasRest();
}

void ProcessSession::reportFinished()
{
    if (!exitCode_ || finishedReported_)
        return;
    finishedReported_ = true;
    emit finished(*exitCode_);
}

bool ProcessSession::running() const
{
    return state_ == State::Running && !backend_->exitCode().has_value();
}

QString ProcessSession::error() const
{
    return errorText_;
}

qint64 ProcessSession::processId() const
{
    return running() ? backend_->processId() : 0;
}

qint64 ProcessSession::foregroundProcessId() const
{
    return running() ? backend_->foregroundProcessId() : 0;
}

QString ProcessSession::foregroundProcessName() const
{
    return running() ? QString::fromStdString(backend_->foregroundProcessName()) : QString();
}

void ProcessSession::setFlowControl(bool on)
{
    PtySession::setFlowControl(on);
    if (running())
        backend_->setFlowControl(on);
    if (!on)
        setOutputSuspended(false);
}

bool ProcessSession::flowControl() const
{
    if (running())
        return backend_->flowControl();
    return PtySession::flowControl();
}

bool ProcessSession::outputSuspended() const { return outputSuspended_; }

// The last XOFF or XON among the bytes decides; XOFF holds the output only
// while the terminal's flow control is on.
void ProcessSession::noteFlowControlBytes(const QByteArray &data)
{
    const qsizetype xoff = data.lastIndexOf('\x13');
    const qsizetype xon = data.lastIndexOf('\x11');
    if (xoff < 0 && xon < 0)
        return;
    setOutputSuspended(xoff > xon && backend_->flowControl());
}

// outputSuspendedChanged leaves from the event loop, once per change that
// lasted to then: write() runs inside the terminal's key handling.
void ProcessSession::setOutputSuspended(bool suspended)
{
    if (std::exchange(outputSuspended_, suspended) == suspended)
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (std::exchange(announcedSuspended_, outputSuspended_) != outputSuspended_)
                emit outputSuspendedChanged(outputSuspended_);
        },
        Qt::QueuedConnection);
}

void ProcessSession::write(const QByteArray &data)
{
    if (data.isEmpty() || !(state_ == State::Running || state_ == State::Exited))
        return;
    if (state_ == State::Running)
        noteFlowControlBytes(data);
    if (run_->writerEnded.load(std::memory_order_acquire))
        return;
    // Only this thread raises the count, so the room seen here cannot shrink
    // before the push.  A write is dropped whole: part of a key sequence or
    // of a reply would reach the program as something else.
    const auto cost = static_cast<std::int64_t>(data.size()) + queuedWriteCost;
    if (run_->unwrittenCost.load(std::memory_order_acquire) + cost > maxUnwrittenInput) {
        errorText_ = QStringLiteral("write: input buffer full, %1 bytes dropped").arg(data.size());
        return;
    }
    run_->unwrittenCost.fetch_add(cost);
    run_->pendingWrites.push(data);
    run_->wakeWriter();
    if (!inputBacklogged_ && run_->unwrittenCost.load() > inputHighWater)
        updateInputBacklog(); // last: it may emit
}

// Session's thread: whether writers should wait (above the high-water mark
// until drained to the low-water mark), said by inputBacklogChanged when it
// changes.  Runs after write() and whenever the writer rang (a ring may be
// stale: everything is looked at afresh).
void ProcessSession::updateInputBacklog()
{
    const bool live = (state_ == State::Running || state_ == State::Exited) &&
                      !run_->writerEnded.load(std::memory_order_acquire);
    const auto above = [this](std::int64_t mark) { return run_->unwrittenCost.load() > mark; };
    bool backlogged = live && above(inputBacklogged_ ? inputLowWater : inputHighWater);
    if (backlogged) {
        // Armed before the second look: a drain after the look rings.
        run_->drainWatched.store(true);
        backlogged = above(inputLowWater);
    }
    if (backlogged == std::exchange(inputBacklogged_, backlogged))
        return;
    emit inputBacklogChanged(backlogged);
}

void ProcessSession::resize(int cols, int rows)
{
    columns_ = std::max(cols, 1);
    rows_ = std::max(rows, 1);
    if (state_ == State::Running || state_ == State::Exited)
        backend_->resize(columns_, rows_, pixels(columns_, cellPixelWidth()), pixels(rows_, cellPixelHeight()));
}

// A font change may keep the grid: the pixel size changes all the same.
void ProcessSession::setCellPixelSize(int width, int height)
{
    PtySession::setCellPixelSize(width, height);
    if (state_ == State::Running || state_ == State::Exited)
        resize(columns_, rows_);
}

void ProcessSession::onChildExited()
{
    const auto code = backend_->exitCode();
    if (!code || state_ != State::Running)
        return;
    // The exit handle stays ready once the child has ended; the notifier is
    // the sender of this call, so it is only disabled here.
    if (exitNotifier_)
        static_cast<ExitNotifier *>(exitNotifier_.get())->setEnabled(false);
    state_ = State::Exited;
    exitCode_ = code;
    setOutputSuspended(false);
    // Output the child wrote before it ended comes first, unless a process
    // left behind keeps the terminal open.
    if (outputEnded())
        reportFinished();
    else
        awaitOutputAfterExit(run_, run_->delivered + run_->bytesInFlight.load(std::memory_order_acquire));
}

void ProcessSession::awaitOutputAfterExit(const std::shared_ptr<Run> &run, std::int64_t owed)
{
    // Whatever was read before the exit is the child's own and is still
    // being handed on at the widget's pace: that is waited for in full.
    QTimer::singleShot(outputGraceMs, this, [this, run, owed] {
        if (run != run_)
            return;
        if (run->delivered < owed)
            awaitOutputAfterExit(run, owed);
        else
            reportFinished();
    });
}

void ProcessSession::terminate()
{
    const bool hadChild = state_ == State::Running || state_ == State::Exited;
    if (finishedReported_ || !hadChild) {
        const bool report = !std::exchange(finishedReported_, true);
        releaseResources();
        if (report)
            emit finished(0); // last: a slot may delete the session
        return;
    }
    finishedReported_ = true;
    if (const auto code = backend_->exitCode()) {
        state_ = State::Exited;
        releaseResources();
        emit finished(*code);
        return;
    }
    // The child may take the whole grace period to end: the reaper reports
    // its exit code as `finished` later.  A child that ended while the
    // threads were stopping is not handed to the reaper: report it here.
    if (const auto code = releaseResources(true))
        emit finished(*code); // last: a slot may delete the session
}

void ProcessSession::stopThreads()
{
    run_->stop.store(true, std::memory_order_release);
    run_->wakeReader();
    run_->writerStop.store(true, std::memory_order_release);
    run_->wakeWriter();
    exitNotifier_.reset();
    backend_->interrupt();
    if (reader_.joinable())
        reader_.join();
    if (writer_.joinable())
        writer_.join();
    // The writer is gone, so this thread may take its place as the consumer
    // and free the writes it never sent.
    QByteArray unsent;
    while (run_->pendingWrites.pop(unsent))
        unsent.clear();
    // Writers held back by this run need not wait any more; said from the
    // event loop, as the caller may not emit yet (dropped if we are deleted).
    if (inputBacklogged_)
        QMetaObject::invokeMethod(this, &ProcessSession::updateInputBacklog, Qt::QueuedConnection);
}

std::optional<int> ProcessSession::releaseResources(bool reportExit)
{
    if (!(state_ == State::Running || state_ == State::Exited))
        return std::nullopt;
    stopThreads();
    state_ = State::Released;
    if (const auto code = backend_->exitCode()) {
        backend_->release();
        return code;
    }
    // What closing a terminal does; the reaper waits out the grace period,
    // kills a child that ignores the hang-up and reaps it, off this thread.
    backend_->hangUp();
    std::function<void(int)> exited;
    if (reportExit)
        exited = [mailbox = exitMailbox_](int code) { mailbox->post(code); };
    ChildReaper::reap(std::exchange(backend_, makeBackend_()), hangUpGraceMs, std::move(exited));
    return std::nullopt;
}

} // namespace vesper

// The shared life cycle of pseudo-terminal sessions.  Threads: the reader
// blocks in PtyBackend::read(), queues chunks and rings the OutputRelay; the
// writer drains an ordered queue into PtyBackend::write(); everything else
// runs on the session's thread.  The threads share only a Run: a stop flag,
// the two queues and a counter of bytes in flight, which the reader waits on
// (C++20 atomic wait) so that a fast child is slowed down by the terminal
// instead of growing memory; the session's thread never waits for the reader.
#include "session/process_session.h"

#include "session/output_relay.h"

#include <QMetaObject>
#include <QTimer>
#ifdef Q_OS_WIN
#include <QWinEventNotifier>
#include <qt_windows.h>
#else
#include <QSocketNotifier>
#endif

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <vector>

namespace vesper {

namespace {

constexpr std::size_t readChunkSize = 65536;
// Output emitted per turn of the event loop before other events get a turn.
constexpr qsizetype drainBudget = 1 << 20;
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

    std::mutex outputMutex;
    std::deque<QByteArray> output;  // guarded by outputMutex
    bool drainPending = false;      // guarded by outputMutex: the relay was rung
    bool readerEnded = false;       // guarded by outputMutex: read() returned 0

    std::mutex writeMutex;
    std::condition_variable writeReady;
    std::deque<QByteArray> pendingWrites; // guarded by writeMutex
    bool writerStop = false;              // guarded by writeMutex

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

ProcessSession::ProcessSession(std::unique_ptr<PtyBackend> backend, QObject *parent)
    : PtySession(parent), backend_(std::move(backend)), relay_(std::make_unique<OutputRelay>())
{
    connect(relay_.get(), &OutputRelay::outputReady, this, &ProcessSession::drainOutput, Qt::QueuedConnection);
}

ProcessSession::~ProcessSession()
{
    // Destruction ends the child (no zombie, no thread) but emits nothing.
    releaseResources();
}

bool ProcessSession::start(const QString &program, const QStringList &args, const QStringList &env,
                           int cols, int rows)
{
    if (state_ == State::Running || state_ == State::Exited) {
        errorText_ = QStringLiteral("session already started");
        return false;
    }
    PtyLaunch launch;
    launch.program = toUtf8(program);
    for (const auto &arg : args)
        launch.args.push_back(toUtf8(arg));
    for (const auto &entry : env)
        launch.env.push_back(toUtf8(entry));
    launch.columns = std::max(cols, 1);
    launch.rows = std::max(rows, 1);
    if (!backend_->start(launch)) {
        errorText_ = QString::fromStdString(backend_->errorText());
        return false;
    }

    // A new run: whatever the last one left behind no longer counts.
    run_ = std::make_shared<Run>();
    finishedReported_ = false;
    exitCode_.reset();
    state_ = State::Running;
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
    PtyBackend *backend = backend_.get();
    std::shared_ptr<Run> run = run_;
    try {
        reader_ = std::thread([relay = relay_.get(), backend, run] {
            std::vector<char> buffer(readChunkSize);
            while (const std::size_t got = backend->read(buffer.data(), buffer.size())) {
                // After a stop the reader keeps draining, so that the other
                // side can always finish closing.
                if (run->stop.load(std::memory_order_acquire))
                    continue;
                run->bytesInFlight.fetch_add(static_cast<std::int64_t>(got), std::memory_order_acq_rel);
                bool ring;
                {
                    std::lock_guard lock(run->outputMutex);
                    run->output.emplace_back(buffer.data(), static_cast<qsizetype>(got));
                    ring = !std::exchange(run->drainPending, true);
                }
                // The relay outlives this thread (the session joins it first);
                // Qt drops the queued drain if the session is gone by then.
                if (ring)
                    emit relay->outputReady();
                run->waitForRoom();
            }
            bool ring;
            {
                std::lock_guard lock(run->outputMutex);
                run->readerEnded = true;
                ring = !std::exchange(run->drainPending, true);
            }
            if (ring)
                emit relay->outputReady();
        });
        writer_ = std::thread([backend, run] {
            std::unique_lock lock(run->writeMutex);
            while (true) {
                run->writeReady.wait(lock, [&] { return run->writerStop || !run->pendingWrites.empty(); });
                if (run->writerStop)
                    return;
                const QByteArray data = std::move(run->pendingWrites.front());
                run->pendingWrites.pop_front();
                lock.unlock();
                qsizetype done = 0;
                while (done < data.size()) {
                    const std::size_t wrote =
                        backend->write(data.constData() + done, static_cast<std::size_t>(data.size() - done));
                    if (wrote == 0)
                        break;
                    done += static_cast<qsizetype>(wrote);
                }
                lock.lock();
                if (done < data.size()) {
                    // The terminal is gone: nothing queued can arrive any more.
                    run->pendingWrites.clear();
                    return;
                }
            }
        });
    } catch (const std::system_error &e) {
        failure = QStringLiteral("thread: ") + QString::fromLocal8Bit(e.what());
        return false;
    }
    return true;
}

void ProcessSession::drainOutput()
{
    if (!run_)
        return;
    const std::shared_ptr<Run> run = run_;
    qsizetype emitted = 0;
    while (emitted < drainBudget) {
        QByteArray chunk;
        bool ended = false;
        {
            std::lock_guard lock(run->outputMutex);
            if (run->output.empty()) {
                run->drainPending = false;
                ended = run->readerEnded;
            } else {
                chunk = std::move(run->output.front());
                run->output.pop_front();
            }
        }
        if (chunk.isNull()) {
            // All output is out: an exit that waited for it is reported now.
            if (ended)
                reportFinished();
            return;
        }
        const auto size = static_cast<std::int64_t>(chunk.size());
        const auto before = run->bytesInFlight.fetch_sub(size, std::memory_order_acq_rel);
        if (before > maxBytesInFlight && before - size <= maxBytesInFlight)
            run->wakeReader();
        emitted += chunk.size();
        emit dataReceived(chunk);
        // A slot may have started a new run (after terminating this one).
        if (run_ != run)
            return;
    }
    // Budget spent: continue after the events that queued up meanwhile.
    QMetaObject::invokeMethod(this, &ProcessSession::drainOutput, Qt::QueuedConnection);
}

bool ProcessSession::outputEnded() const
{
    std::lock_guard lock(run_->outputMutex);
    return run_->readerEnded && run_->output.empty();
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

void ProcessSession::write(const QByteArray &data)
{
    if (data.isEmpty() || !(state_ == State::Running || state_ == State::Exited))
        return;
    {
        std::lock_guard lock(run_->writeMutex);
        run_->pendingWrites.push_back(data);
    }
    run_->writeReady.notify_one();
}

void ProcessSession::resize(int cols, int rows)
{
    if (state_ == State::Running || state_ == State::Exited)
        backend_->resize(std::max(cols, 1), std::max(rows, 1));
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
    // Output the child wrote before it ended comes first, unless a process
    // left behind keeps the terminal open.
    if (outputEnded())
        reportFinished();
    else
        QTimer::singleShot(outputGraceMs, this, [this, run = run_] {
            if (run == run_)
                reportFinished();
        });
}

void ProcessSession::terminate()
{
    if (state_ == State::Running)
        endChild();
    if (!finishedReported_) {
        finishedReported_ = true;
        const bool hadChild = state_ == State::Running || state_ == State::Exited;
        if (hadChild)
            state_ = State::Exited;
        emit finished(hadChild ? backend_->exitCode().value_or(0) : 0);
    }
    releaseResources();
}

void ProcessSession::endChild()
{
    if (backend_->exitCode())
        return;
    backend_->hangUp();
    if (!backend_->waitForExit(hangUpGraceMs)) {
        backend_->kill();
        backend_->waitForExit(-1);
    }
}

void ProcessSession::releaseResources()
{
    if (!(state_ == State::Running || state_ == State::Exited))
        return;
    run_->stop.store(true, std::memory_order_release);
    run_->wakeReader();
    {
        std::lock_guard lock(run_->writeMutex);
        run_->writerStop = true;
        run_->pendingWrites.clear();
    }
    run_->writeReady.notify_all();
    exitNotifier_.reset();
    backend_->interrupt();
    if (reader_.joinable())
        reader_.join();
    if (writer_.joinable())
        writer_.join();
    endChild();
    backend_->release();
    state_ = State::Released;
}

} // namespace vesper

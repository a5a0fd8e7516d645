// ProcessSession: the platform-neutral half of a pseudo-terminal session.  It
// owns a PtyBackend and runs the life cycle (Idle, Running, Exited, Released),
// the reader thread with bounded delivery to the session's thread, the writer
// thread with its ordered queue, the exit notification and the release order.
// Platform sessions derive from it only to choose their backend.
#pragma once

#include "session/pty_backend.h"
#include "lumenvale/pty_session.h"

#include <functional>
#include <memory>
#include <optional>
#include <thread>

namespace vesper {

class OutputRelay;

class ProcessSession : public PtySession {
public:
    ~ProcessSession() override;

    bool start(const QString &program, const QStringList &args, const QStringList &env, int cols,
               int rows) override;
    bool running() const override;
    QString error() const override;
    qint64 processId() const override;
    qint64 foregroundProcessId() const override;
    QString foregroundProcessName() const override;
    void setFlowControl(bool on) override;
    bool flowControl() const override;
    bool outputSuspended() const override;
    void write(const QByteArray &data) override;
    void resize(int cols, int rows) override;
    void setCellPixelSize(int width, int height) override;
    void terminate() override;

    // Output bytes read but not yet delivered at which the reader waits.
    static constexpr std::int64_t maxBytesInFlight = 4 << 20;
    // Input accepted by write() and not yet written to the terminal, at most,
    // each write counted as its bytes plus queuedWriteCost for its
    // bookkeeping (a flood of 10-byte device replies costs memory mostly in
    // bookkeeping).  A write that would pass it is dropped whole and error()
    // says so: a program that never reads cannot make the session's memory
    // grow, while a 32 MiB paste into a busy program still fits.
    static constexpr std::int64_t maxUnwrittenInput = std::int64_t{64} << 20;
    static constexpr std::int64_t queuedWriteCost = 128;
    // The same cost past which inputBacklogChanged(true) asks the writers to
    // wait, and down to which it must drain for inputBacklogChanged(false):
    // an attached widget then never comes near maxUnwrittenInput.
    static constexpr std::int64_t inputHighWater = std::int64_t{4} << 20;
    static constexpr std::int64_t inputLowWater = std::int64_t{1} << 20;

protected:
    // A run's backend leaves with its child when the session lets go of a
    // child that has not ended yet; the next start() takes a new one.
    using BackendFactory = std::function<std::unique_ptr<PtyBackend>()>;
    ProcessSession(BackendFactory makeBackend, QObject *parent);

private:
    struct Run;
    class ExitMailbox;
    enum class State { Idle, Running, Exited, Released };

    bool startThreads(QString &failure);
    // The bodies of the reader and the writer thread; they share only `run`
    // with the session.
    static void readLoop(PtyBackend *backend, OutputRelay *relay, std::shared_ptr<Run> run);
    static void writeLoop(PtyBackend *backend, OutputRelay *relay, std::shared_ptr<Run> run);
    void stopThreads();
    void drainOutput();
    void updateInputBacklog();
    bool outputEnded() const;
    void reportFinished();
    void onChildExited();
    void awaitOutputAfterExit(const std::shared_ptr<Run> &run, std::int64_t owed);
    // Returns the exit code when the child had already ended (it was
    // released, not handed to the reaper, and nobody reports it but the caller).
    std::optional<int> releaseResources(bool reportExit = false);

    BackendFactory makeBackend_;
    std::unique_ptr<PtyBackend> backend_;
    // Where the reaper reports the exit of a child that terminate() let go.
    std::shared_ptr<ExitMailbox> exitMailbox_;
    std::unique_ptr<OutputRelay> relay_;
    // The state the threads of the current (or last) run share with us; a
    // new start() replaces it, so late chunks of an old run are recognised.
    std::shared_ptr<Run> run_;
    std::thread reader_;
    std::thread writer_;
    std::unique_ptr<QObject> exitNotifier_;
    State state_ = State::Idle;
    // The grid of the last start() or resize(), for a pixel size change alone.
    int columns_ = 1;
    int rows_ = 1;
    // The child's exit code once noticed; `finished` waits for the output.
    std::optional<int> exitCode_;
    bool finishedReported_ = false;
    // What inputBacklogChanged last said.
    bool inputBacklogged_ = false;
    // XOFF typed under flow control, and what outputSuspendedChanged said.
    bool outputSuspended_ = false;
    bool announcedSuspended_ = false;
    void noteFlowControlBytes(const QByteArray &data);
    void setOutputSuspended(bool suspended);
    QString errorText_;
};

} // namespace vesper

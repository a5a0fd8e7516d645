// PosixPtyBackend: the POSIX pseudo terminal behind a session: the master
// descriptor, the child's process id and the descriptor that reports its end.
#pragma once

#include "session/posix/unique_fd.h"
#include "session/pty_backend.h"

#include <atomic>
#include <sys/types.h>
#include <thread>

namespace vesper {

class PosixPtyBackend final : public PtyBackend {
public:
    // How the child's end is noticed: a pidfd where the kernel has them, or
    // always the portable waiter thread.
    enum class ExitWatch { Automatic, WaiterThread };

    explicit PosixPtyBackend(ExitWatch watch = ExitWatch::Automatic) : watch_(watch) {}
    ~PosixPtyBackend() override;

    bool start(const PtyLaunch &launch) override;
    std::string errorText() const override { return error_; }
    std::int64_t processId() const override { return pid_ > 0 ? pid_ : 0; }
    std::size_t read(char *buffer, std::size_t capacity) override;
    std::size_t write(const char *data, std::size_t size) override;
    void resize(int columns, int rows, int pixelWidth, int pixelHeight) override;
    NativeWaitHandle exitHandle() const override { return exitFd_.get(); }
    std::optional<int> exitCode() override;
    bool waitForExit(int timeoutMs) override;
    void hangUp() override;
    void kill() override;
    void interrupt() override;
    void release() override;
    std::int64_t foregroundProcessId() const override;
    std::string foregroundProcessName() const override;
    void setFlowControl(bool on) override;
    bool flowControl() const override;

private:
    bool fail(const char *call, int error);
    bool openExitHandle();
    // Waits until `fd` is ready for `events` or the session interrupts; false
    // when interrupted or the terminal failed.
    bool waitReady(short events);
    // Non-blocking: what else the master holds right now, up to capacity.
    std::size_t readMore(char *buffer, std::size_t capacity);

    const ExitWatch watch_;
    UniqueFd master_;
    // Written once by interrupt(); readable from then on, which wakes the
    // reader's and writer's poll().
    UniqueFd wakeRead_, wakeWrite_;
    std::atomic<bool> interrupted_{false};
    // A pidfd, or the read end of the waiter thread's pipe where pidfds are
    // missing.
    UniqueFd exitFd_;
    std::thread waiter_;
    pid_t pid_ = -1;
    std::optional<int> exitCode_;
    std::string error_;
};

} // namespace vesper

// ConPtyBackend: the Win32 side of a Windows session.  It owns the pseudo
// console, the two pipes that connect the session to it, and the child's
// process handle; every Win32 call of the session is made here, and nothing
// here knows Qt.
#pragma once

#include "session/pty_backend.h"
#include "unique_handle.h"

#include <atomic>

namespace vesper::win {

class ConPtyBackend final : public PtyBackend {
public:
    ConPtyBackend() = default;
    ~ConPtyBackend() override;

    bool start(const PtyLaunch &launch) override;
    std::string errorText() const override { return errorText_; }
    std::int64_t processId() const override { return process_.valid() ? processId_ : 0; }
    std::size_t read(char *buffer, std::size_t capacity) override;
    std::size_t write(const char *data, std::size_t size) override;
    void resize(int columns, int rows, int pixelWidth, int pixelHeight) override;
    NativeWaitHandle exitHandle() const override;
    std::optional<int> exitCode() override;
    bool waitForExit(int timeoutMs) override;
    void hangUp() override;
    void kill() override;
    void interrupt() override;
    void release() override;

private:
    bool spawnProcess(const PtyLaunch &launch);
    void closePseudoConsole();

    HPCON pseudoConsole_ = nullptr;
    UniqueHandle inputWrite_;  // the session's end of the console's input pipe
    UniqueHandle outputRead_;  // the session's end of the console's output pipe
    UniqueHandle process_;
    std::int64_t processId_ = 0;
    std::atomic<bool> interrupted_{false};
    std::string errorText_;
};

} // namespace vesper::win

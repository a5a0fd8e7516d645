// PtyBackend: the narrow, Qt-free interface between the shared session logic
// (process_session.cpp: threads, delivery, exit notification, life cycle) and
// one platform's pseudo-terminal calls (posix/ and windows/).  Strings are
// UTF-8; a backend converts them to what its platform needs.
//
// Threads.  Three threads touch a backend, each only through its own calls:
//   - the session's thread (normally the GUI thread): every call not listed
//     below; none of them may block for longer than stated;
//   - the reader thread: read() only;
//   - the writer thread: write() only.
// read() and write() may run at the same time as each other and as the
// session-thread calls; start(), interrupt() and release() are never called
// while another session-thread call of the same backend runs.  A backend
// whose child has not ended when the session lets go of it is handed to the
// ChildReaper after interrupt() and the joins; from then on only the
// reaper's thread calls it (waitForExit, kill, exitCode, release).
//
// Life cycle driven by the session, always in this order:
//   start() -> [read/write on their threads; resize, exitCode, hangUp, kill,
//   waitForExit on the session thread] -> interrupt() -> (the session joins
//   its reader and writer threads) -> the child ended and reaped (exitCode()
//   has returned a value) -> release() -> start() again or destruction.
// After a failed start() the backend is already released and may be started
// again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vesper {

// What to run and on what terminal.  columns and rows are already at least 1;
// the pixel size is 0 x 0 when the terminal's cell size is not known.
struct PtyLaunch {
    std::string program;           // looked up through PATH unless it has a '/' (or '\')
    std::vector<std::string> args; // arguments after the program name
    std::vector<std::string> env;  // NAME=VALUE entries added to the inherited environment
    std::string workingDirectory;  // the child's current folder; empty: the caller's
    int columns = 80;
    int rows = 24;
    int pixelWidth = 0;
    int pixelHeight = 0;
    // XON/XOFF flow control the terminal starts with (the backend's own
    // default when unset); set before the child runs, so it sees it at once.
    std::optional<bool> flowControl;
};

// A waitable native object that signals the child's end: a descriptor that
// becomes readable (POSIX, for QSocketNotifier) or a process HANDLE that
// becomes signalled (Windows, for QWinEventNotifier).
using NativeWaitHandle = std::intptr_t;

class PtyBackend {
public:
    virtual ~PtyBackend() = default;

    // Session thread.  Creates the pseudo terminal of launch.columns x
    // launch.rows and the child on it; blocks only until the child has been
    // created (on POSIX: until exec succeeded or failed).  True when the child
    // runs.  On false, errorText() is "<call>: <system message>" and the
    // backend holds nothing (it released itself).
    virtual bool start(const PtyLaunch &launch) = 0;

    // Session thread.  The text of the most recent failed start().  A working
    // directory that cannot be entered fails as "chdir: <system message>".
    virtual std::string errorText() const = 0;

    // Session thread, non-blocking.  The child's process id from a successful
    // start() until it has been reaped, 0 otherwise.
    virtual std::int64_t processId() const = 0;

    // Reader thread, blocking.  Reads up to capacity (65,536) bytes of the
    // child's output; returns the count, or 0 at the end of the output or on
    // failure (after which the reader stops calling).  Unblocked by output,
    // by the terminal's other side closing, or by interrupt().  After
    // interrupt() it may still return buffered output, but returns 0 promptly
    // once that is drained, without anyone else acting.
    virtual std::size_t read(char *buffer, std::size_t capacity) = 0;

    // Writer thread, blocking.  Writes some of the bytes (at least 1 unless it
    // fails) to the child's input and returns the count written, 0 on failure
    // or after interrupt().  Blocks while the terminal's input is full;
    // unblocked by the child reading, or by interrupt().
    virtual std::size_t write(const char *data, std::size_t size) = 0;

    // Session thread, non-blocking.  Sets the terminal size (columns and
    // rows already >= 1; pixels 0 when unknown, and ignored where the
    // platform's terminal has no pixel size).
    virtual void resize(int columns, int rows, int pixelWidth, int pixelHeight) = 0;

    // Session thread, non-blocking.  Valid from a successful start() until
    // release(); see NativeWaitHandle.
    virtual NativeWaitHandle exitHandle() const = 0;

    // Session thread, non-blocking.  The child's exit code once it has ended
    // (reaping it on POSIX: exit status, or 128 + signal number), nullopt
    // while it runs.  Keeps returning the same code once known.
    virtual std::optional<int> exitCode() = 0;

    // Session thread, blocking up to timeoutMs (negative: without limit).
    // True when the child has ended (exitCode() then has a value).
    virtual bool waitForExit(int timeoutMs) = 0;

    // Session thread, non-blocking.  Asks the child to end: hangs up its
    // process group (POSIX) / TerminateProcess with code 1 (Windows).
    virtual void hangUp() = 0;

    // Session thread, non-blocking.  Ends the child for certain (SIGKILL to
    // its process group on POSIX; on Windows TerminateProcess again).
    virtual void kill() = 0;

    // Session thread, non-blocking, while the child runs.  The process
    // group in the terminal's foreground (its leader's id) and that
    // process's name; 0 and empty where the platform cannot tell (ConPTY).
    virtual std::int64_t foregroundProcessId() const { return 0; }
    virtual std::string foregroundProcessName() const { return {}; }

    // Session thread, non-blocking, while the child runs.  XON/XOFF output
    // flow control of the terminal (IXON and IXOFF): set, and read as it is
    // now (a program may change it).  Backends without it ignore the set and
    // read false.
    virtual void setFlowControl(bool /*on*/) {}
    virtual bool flowControl() const { return false; }

    // Session thread.  Makes pending and later read() and write() calls
    // return 0 (read() after draining what is buffered).  May block only
    // while the reader drains the last output (ClosePseudoConsole), which the
    // session's reader keeps doing until read() returns 0.
    virtual void interrupt() = 0;

    // Session thread, after interrupt(), after the reader and writer threads
    // were joined and after the child was reaped.  Closes every descriptor or
    // handle the backend holds; the backend may then be started again.
    virtual void release() = 0;
};

} // namespace vesper

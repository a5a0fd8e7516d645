// The POSIX pseudo-terminal calls of a session: opening the pty pair, the
// child's exit handle (a pidfd, or a waiter thread's pipe), non-blocking I/O on
// the master woken by a self-pipe, signals to the child's process group.
#include "session/posix/posix_pty_backend.h"

#include "session/posix/child_launch.h"
#include "session/posix/foreground_process.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace vesper {

namespace {

bool setFlags(int fd, int statusFlags)
{
    const int current = ::fcntl(fd, F_GETFL);
    return current >= 0 && ::fcntl(fd, F_SETFL, current | statusFlags) == 0 &&
           ::fcntl(fd, F_SETFD, FD_CLOEXEC) == 0;
}

bool makeWakePipe(UniqueFd &readEnd, UniqueFd &writeEnd)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return false;
    readEnd.reset(fds[0]);
    writeEnd.reset(fds[1]);
    return setFlags(fds[0], O_NONBLOCK) && setFlags(fds[1], O_NONBLOCK);
}

int decodeStatus(int status)
{
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return 0;
}

// The modes the child finds: the line discipline's erase (Backspace in
// canonical mode) removes a whole UTF-8 character instead of its last byte,
// since the terminal sends UTF-8 only; XON/XOFF as the session asked.
bool setInitialModes(int fd, std::optional<bool> flowControl)
{
    termios modes{};
    if (::tcgetattr(fd, &modes) != 0)
        return false;
#ifdef IUTF8
    modes.c_iflag |= IUTF8;
#endif
    if (flowControl)
        modes.c_iflag = *flowControl ? modes.c_iflag | IXON | IXOFF : modes.c_iflag & ~static_cast<tcflag_t>(IXON | IXOFF);
    return ::tcsetattr(fd, TCSANOW, &modes) == 0;
}

winsize windowSize(int columns, int rows, int pixelWidth, int pixelHeight)
{
    winsize size{};
    size.ws_col = static_cast<unsigned short>(std::clamp(columns, 1, 0xffff));
    size.ws_row = static_cast<unsigned short>(std::clamp(rows, 1, 0xffff));
    size.ws_xpixel = static_cast<unsigned short>(std::clamp(pixelWidth, 0, 0xffff));
    size.ws_ypixel = static_cast<unsigned short>(std::clamp(pixelHeight, 0, 0xffff));
    return size;
}

} // namespace

PosixPtyBackend::~PosixPtyBackend()
{
    release();
}

bool PosixPtyBackend::fail(const char *call, int error)
{
    error_ = std::string(call) + ": " + std::strerror(error);
    release();
    return false;
}

bool PosixPtyBackend::start(const PtyLaunch &launch)
{
    interrupted_.store(false);
    exitCode_.reset();
#if defined(__linux__)
    master_.reset(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
#else
    master_.reset(::posix_openpt(O_RDWR | O_NOCTTY));
#endif
    if (!master_.valid())
        return fail("posix_openpt", errno);
    if (::grantpt(master_.get()) != 0)
        return fail("grantpt", errno);
    if (::unlockpt(master_.get()) != 0)
        return fail("unlockpt", errno);
    char slaveName[128];
#if defined(__linux__)
    if (const int error = ::ptsname_r(master_.get(), slaveName, sizeof slaveName); error != 0)
        return fail("ptsname", error);
#else
    const char *name = ::ptsname(master_.get());
    if (!name)
        return fail("ptsname", errno);
    std::snprintf(slaveName, sizeof slaveName, "%s", name);
#endif
    UniqueFd slave(::open(slaveName, O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!slave.valid())
        return fail("open", errno);
    const winsize size = windowSize(launch.columns, launch.rows, launch.pixelWidth, launch.pixelHeight);
    if (::ioctl(slave.get(), TIOCSWINSZ, &size) != 0)
        return fail("ioctl(TIOCSWINSZ)", errno);
    if (!setInitialModes(slave.get(), launch.flowControl))
        return fail("tcsetattr", errno);
    if (!setFlags(master_.get(), O_NONBLOCK))
        return fail("fcntl", errno);
    if (!makeWakePipe(wakeRead_, wakeWrite_))
        return fail("pipe", errno);

    LaunchResult child = launchChild(launch, slave.get());
    if (child.pid < 0) {
        error_ = child.error;
        release();
        return false;
    }
    pid_ = child.pid;
    // Only the child holds the slave from now on, so its end reads as EIO.
    slave.reset();
    if (!openExitHandle()) {
        const int error = errno;
        kill();
        waitForExit(-1);
        return fail("pipe", error);
    }
    return true;
}

bool PosixPtyBackend::openExitHandle()
{
#if defined(__linux__) && defined(SYS_pidfd_open)
    // A pidfd is readable once the child has ended and is close-on-exec.
    if (const long fd = watch_ == ExitWatch::Automatic ? ::syscall(SYS_pidfd_open, pid_, 0) : -1; fd >= 0) {
        exitFd_.reset(static_cast<int>(fd));
        return true;
    }
#endif
    // No pidfd: a thread waits for the child without reaping it and then
    // makes a pipe readable; the session thread reaps with waitpid().
    UniqueFd readEnd, writeEnd;
    if (!makeWakePipe(readEnd, writeEnd))
        return false;
    exitFd_ = std::move(readEnd);
    waiter_ = std::thread([pid = pid_, fd = std::move(writeEnd)] {
        siginfo_t info{};
        while (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) < 0 && errno == EINTR) {
        }
        const char byte = 1;
        ssize_t ignored = ::write(fd.get(), &byte, 1);
        (void)ignored;
    });
    return true;
}

bool PosixPtyBackend::waitReady(short events)
{
    pollfd fds[2] = {{master_.get(), events, 0}, {wakeRead_.get(), POLLIN, 0}};
    while (::poll(fds, 2, -1) < 0) {
        if (errno != EINTR)
            return false;
    }
    if (fds[1].revents != 0)
        return false;
    // A reader that sees a hang-up reads once more (buffered output, then
    // EIO); a writer cannot write to a terminal nobody holds open.
    return (fds[0].revents & events) != 0 || (events == POLLIN && (fds[0].revents & POLLHUP) != 0);
}

std::size_t PosixPtyBackend::read(char *buffer, std::size_t capacity)
{
    while (!interrupted_.load(std::memory_order_acquire)) {
        const ssize_t got = ::read(master_.get(), buffer, capacity);
        if (got > 0)
            return static_cast<std::size_t>(got) + readMore(buffer + got, capacity - static_cast<std::size_t>(got));
        if (got == 0)
            return 0;
        if (errno == EINTR)
            continue;
        // EIO: every descriptor of the slave side is closed (the child ended).
        if (errno != EAGAIN || !waitReady(POLLIN))
            return 0;
    }
    return 0;
}

// A pty hands out its output a few kilobytes at a time; taking what is
// already there in one chunk saves the session thread an event, a parse call
// and a repaint request per few kilobytes, without waiting for anything.
std::size_t PosixPtyBackend::readMore(char *buffer, std::size_t capacity)
{
    std::size_t total = 0;
    while (total < capacity) {
        const ssize_t got = ::read(master_.get(), buffer + total, capacity - total);
        if (got > 0)
            total += static_cast<std::size_t>(got);
        else if (got < 0 && errno == EINTR)
            continue;
        else
            break; // EAGAIN, or an end that the next read() reports
    }
    return total;
}

std::size_t PosixPtyBackend::write(const char *data, std::size_t size)
{
    while (!interrupted_.load(std::memory_order_acquire)) {
        const ssize_t done = ::write(master_.get(), data, size);
        if (done > 0)
            return static_cast<std::size_t>(done);
        if (done < 0 && errno == EINTR)
            continue;
        if (done == 0 || errno != EAGAIN || !waitReady(POLLOUT))
            return 0;
    }
    return 0;
}

void PosixPtyBackend::resize(int columns, int rows, int pixelWidth, int pixelHeight)
{
    if (!master_.valid())
        return;
    // The kernel sends SIGWINCH to the terminal's foreground process group.
    const winsize size = windowSize(columns, rows, pixelWidth, pixelHeight);
    ::ioctl(master_.get(), TIOCSWINSZ, &size);
}

std::optional<int> PosixPtyBackend::exitCode()
{
    if (exitCode_ || pid_ < 0)
        return exitCode_;
    int status = 0;
    pid_t got;
    while ((got = ::waitpid(pid_, &status, WNOHANG)) < 0 && errno == EINTR) {
    }
    if (got == 0)
        return std::nullopt;
    // ECHILD: the host reaped it (SIGCHLD ignored); its status is lost.
    exitCode_ = got == pid_ ? decodeStatus(status) : 0;
    pid_ = -1;
    return exitCode_;
}

bool PosixPtyBackend::waitForExit(int timeoutMs)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!exitCode()) {
        int wait = -1;
        if (timeoutMs >= 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0)
                return false;
            wait = static_cast<int>(left.count());
        }
        // Without an exit handle (a start that failed half way) poll in
        // short steps instead.
        pollfd fd{exitFd_.get(), POLLIN, 0};
        const bool hasHandle = exitFd_.valid();
        const int step = hasHandle ? wait : (wait < 0 ? 10 : std::min(wait, 10));
        if (::poll(hasHandle ? &fd : nullptr, hasHandle ? 1 : 0, step) < 0 && errno != EINTR)
            return exitCode().has_value();
    }
    return true;
}

void PosixPtyBackend::hangUp()
{
    if (pid_ < 0 || exitCode_)
        return;
    // What a closing terminal does: SIGHUP to the session's process group and
    // to the terminal's foreground group, SIGCONT so stopped jobs see it.
    const pid_t foreground = master_.valid() ? ::tcgetpgrp(master_.get()) : -1;
    for (const pid_t group : {pid_, foreground}) {
        if (group <= 0)
            continue;
        ::kill(-group, SIGHUP);
        ::kill(-group, SIGCONT);
    }
}

void PosixPtyBackend::kill()
{
    if (pid_ < 0 || exitCode_)
        return;
    ::kill(-pid_, SIGKILL);
    ::kill(pid_, SIGKILL); // in case it left its own process group
}

void PosixPtyBackend::interrupt()
{
    interrupted_.store(true, std::memory_order_release);
    if (wakeWrite_.valid()) {
        const char byte = 1;
        ssize_t ignored = ::write(wakeWrite_.get(), &byte, 1);
        (void)ignored;
    }
}

void PosixPtyBackend::release()
{
    // Callers reap the child first; this is the safety net that keeps a
    // zombie from ever remaining.
    if (pid_ >= 0 && !exitCode()) {
        kill();
        waitForExit(-1);
    }
    if (waiter_.joinable())
        waiter_.join();
    exitFd_.reset();
    master_.reset();
    wakeRead_.reset();
    wakeWrite_.reset();
    pid_ = -1;
}

// The master answers for the terminal: tcgetpgrp and the termios flags
// read and set on it are the slave side's, which the child sees.
std::int64_t PosixPtyBackend::foregroundProcessId() const
{
    return master_.valid() ? foregroundProcessGroup(master_.get()) : 0;
}

std::string PosixPtyBackend::foregroundProcessName() const { return processName(foregroundProcessId()); }

void PosixPtyBackend::setFlowControl(bool on)
{
    termios modes{};
    if (!master_.valid() || ::tcgetattr(master_.get(), &modes) != 0)
        return;
    if (on)
        modes.c_iflag |= IXON | IXOFF;
    else
        modes.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF);
    ::tcsetattr(master_.get(), TCSANOW, &modes);
}

bool PosixPtyBackend::flowControl() const
{
    termios modes{};
    return master_.valid() && ::tcgetattr(master_.get(), &modes) == 0 && (modes.c_iflag & IXON) != 0;
}

} // namespace vesper

// Forking and exec'ing the child of a POSIX pseudo-terminal session.  The
// child reports a failure before or at exec through a close-on-exec pipe, so
// the parent learns "exec succeeded" from end-of-file and the reason of a
// failure from the bytes it reads.
#include "session/posix/child_launch.h"

#include "session/posix/unique_fd.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace vesper {

namespace {

// What the child writes to the report pipe when it cannot exec.
struct ChildFailure {
    int step;
    int error;
};

enum Step : int { StepSetsid, StepControllingTty, StepDup2, StepChdir, StepExec };

const char *stepName(int step)
{
    switch (step) {
    case StepSetsid: return "setsid";
    case StepControllingTty: return "ioctl(TIOCSCTTY)";
    case StepDup2: return "dup2";
    case StepChdir: return "chdir";
    default: return "exec";
    }
}

std::string systemMessage(const char *call, int error)
{
    return std::string(call) + ": " + std::strerror(error);
}

bool makePipe(int fds[2])
{
#if defined(__linux__)
    return ::pipe2(fds, O_CLOEXEC) == 0;
#else
    if (::pipe(fds) != 0)
        return false;
    ::fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    ::fcntl(fds[1], F_SETFD, FD_CLOEXEC);
    return true;
#endif
}

std::string_view entryName(std::string_view entry)
{
    return entry.substr(0, entry.find('='));
}

// Everything the child touches after fork(), allocated beforehand.
struct ExecPlan {
    std::vector<std::string> candidates;
    std::vector<std::string> environment;
    std::vector<char *> argv;
    std::vector<char *> shellArgv; // "/bin/sh <file> args..." for files without a #! line
    std::vector<char *> envp;
    std::string workingDirectory;
    int highestFd = 1024;
};

ExecPlan makePlan(const PtyLaunch &launch, std::vector<std::string> &argStorage)
{
    ExecPlan plan;
    plan.candidates = executableCandidates(launch.program, ::getenv("PATH"));
    std::vector<std::string> inherited;
    for (char **e = environ; e && *e; ++e)
        inherited.emplace_back(*e);
    plan.environment = childEnvironment(inherited, launch.env);

    argStorage.clear();
    argStorage.push_back(launch.program);
    argStorage.insert(argStorage.end(), launch.args.begin(), launch.args.end());
    for (auto &arg : argStorage)
        plan.argv.push_back(arg.data());
    plan.argv.push_back(nullptr);
    plan.shellArgv.push_back(const_cast<char *>("/bin/sh"));
    plan.shellArgv.push_back(nullptr); // the file, filled in by the child
    plan.shellArgv.insert(plan.shellArgv.end(), plan.argv.begin() + 1, plan.argv.end());
    for (auto &entry : plan.environment)
        plan.envp.push_back(entry.data());
    plan.envp.push_back(nullptr);
    plan.workingDirectory = launch.workingDirectory;

    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        plan.highestFd = static_cast<int>(std::min<rlim_t>(limit.rlim_cur, 1 << 20));
    return plan;
}

// Marks every descriptor above stderr close-on-exec: the host process (Qt,
// Python, other libraries) may hold descriptors without the flag.
void closeOthersOnExec(int highestFd)
{
#if defined(SYS_close_range) && defined(__linux__)
    constexpr unsigned closeRangeCloexec = 1u << 2; // CLOSE_RANGE_CLOEXEC
    if (::syscall(SYS_close_range, 3u, ~0u, closeRangeCloexec) == 0)
        return;
#endif
    for (int fd = 3; fd < highestFd; ++fd)
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
}

[[noreturn]] void failInChild(int reportFd, int step, int error)
{
    const ChildFailure failure{step, error};
    ssize_t ignored = ::write(reportFd, &failure, sizeof failure);
    (void)ignored;
    ::_exit(127);
}

// Runs in the forked child: only async-signal-safe calls from here on.
[[noreturn]] void runChild(ExecPlan &plan, int slaveFd, int reportFd)
{
    // Dispositions the host set (Python ignores SIGPIPE) must not reach the
    // program; handlers would be reset by exec anyway, ignored signals not.
    struct sigaction defaults{};
    defaults.sa_handler = SIG_DFL;
    sigemptyset(&defaults.sa_mask);
    for (int sig = 1; sig < NSIG; ++sig)
        ::sigaction(sig, &defaults, nullptr);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);

    // A host started with some of 0-2 closed may have been handed them for
    // the pty or the report pipe; move both out of the way of the dup2s.
    if (reportFd <= 2)
        reportFd = ::fcntl(reportFd, F_DUPFD_CLOEXEC, 3);
    if (slaveFd <= 2)
        slaveFd = ::fcntl(slaveFd, F_DUPFD_CLOEXEC, 3);

    if (::setsid() < 0)
        failInChild(reportFd, StepSetsid, errno);
    if (::ioctl(slaveFd, TIOCSCTTY, 0) < 0)
        failInChild(reportFd, StepControllingTty, errno);
    for (int stream = 0; stream < 3; ++stream)
        if (::dup2(slaveFd, stream) < 0)
            failInChild(reportFd, StepDup2, errno);
    ::close(slaveFd);
    closeOthersOnExec(plan.highestFd);
    // Before the search: a relative program or PATH entry is looked up from
    // the new folder, as a shell that changed folder would.
    if (!plan.workingDirectory.empty() && ::chdir(plan.workingDirectory.c_str()) < 0)
        failInChild(reportFd, StepChdir, errno);

    // The search execvp does: remember EACCES, go on past missing files.
    int error = ENOENT;
    bool sawAccessDenied = false;
    for (auto &file : plan.candidates) {
        ::execve(file.c_str(), plan.argv.data(), plan.envp.data());
        error = errno;
        if (error == ENOEXEC) {
            plan.shellArgv[1] = file.data();
            ::execve("/bin/sh", plan.shellArgv.data(), plan.envp.data());
            error = errno;
            break;
        }
        if (error == EACCES)
            sawAccessDenied = true;
        else if (error != ENOENT && error != ENOTDIR && error != ESTALE && error != ENODEV &&
                 error != ETIMEDOUT)
            break;
    }
    if (sawAccessDenied && (error == ENOENT || error == ENOTDIR))
        error = EACCES;
    failInChild(reportFd, StepExec, error);
}

} // namespace

std::vector<std::string> childEnvironment(const std::vector<std::string> &inherited,
                                          const std::vector<std::string> &extra)
{
    std::vector<std::string> result;
    auto assign = [&result](const std::string &entry) {
        const auto name = entryName(entry);
        for (auto &existing : result) {
            if (entryName(existing) == name) {
                existing = entry;
                return;
            }
        }
        result.push_back(entry);
    };
    for (const auto &entry : inherited)
        if (entry.find('=') != std::string::npos && entry.front() != '=')
            assign(entry);
    assign("TERM=xterm-256color");
    assign("COLORTERM=truecolor");
    for (const auto &entry : extra)
        if (const auto eq = entry.find('='); eq != std::string::npos && eq != 0)
            assign(entry);
    return result;
}

std::vector<std::string> executableCandidates(const std::string &program, const char *path)
{
    if (program.empty())
        return {};
    if (program.find('/') != std::string::npos)
        return {program};
    const std::string_view search = path ? path : "/bin:/usr/bin";
    std::vector<std::string> result;
    std::size_t begin = 0;
    while (true) {
        const auto end = search.find(':', begin);
        auto dir = search.substr(begin, end == std::string_view::npos ? std::string_view::npos : end - begin);
        // An empty element means the current directory, as execvp reads it.
        result.push_back((dir.empty() ? std::string(".") : std::string(dir)) + "/" + program);
        if (end == std::string_view::npos)
            break;
        begin = end + 1;
    }
    return result;
}

LaunchResult launchChild(const PtyLaunch &launch, int slaveFd)
{
    std::vector<std::string> argStorage;
    ExecPlan plan = makePlan(launch, argStorage);

    int report[2];
    if (!makePipe(report))
        return {-1, systemMessage("pipe", errno)};
    UniqueFd reportRead(report[0]);
    UniqueFd reportWrite(report[1]);

    // No signal handler of the host may run in the child before it has reset
    // the dispositions.
    sigset_t all, previous;
    sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &previous);
    const pid_t pid = ::fork();
    if (pid == 0)
        runChild(plan, slaveFd, reportWrite.get());
    const int forkError = errno;
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (pid < 0)
        return {-1, systemMessage("fork", forkError)};

    reportWrite.reset();
    ChildFailure failure{};
    ssize_t got;
    do {
        got = ::read(reportRead.get(), &failure, sizeof failure);
    } while (got < 0 && errno == EINTR);
    if (got == 0)
        return {pid, {}};

    // The child failed before or at exec and exits at once: reap it here.
    int status;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (got != static_cast<ssize_t>(sizeof failure))
        return {-1, systemMessage("exec", got < 0 ? errno : EIO)};
    return {-1, systemMessage(stepName(failure.step), failure.error)};
}

} // namespace vesper
